// The printed report carries the values of the text report, as a user's PDF tools extract
// its text.

#include "Analysis.h"
#include "ExplanationTexts.h"
#include "NormComparison.h"
#include "NormTables.h"
#include "PdfReport.h"
#include "PdfSections.h"
#include "ResultSheet.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace ezr;

namespace {

// The numbers of a line, in order, read with either decimal separator; the digits of a
// word ("Xм2") are no number.
QList<double> numbersOf(const QString& line) {
    static const QRegularExpression number(QStringLiteral("(?<![\\w.,])-?\\d+([.,]\\d+)?(?![\\w])"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    QList<double> numbers;
    for (auto it = number.globalMatch(line); it.hasNext();)
        numbers.append(it.next().captured().replace(QLatin1Char(','), QLatin1Char('.')).toDouble());
    return numbers;
}

bool containsRun(const QList<double>& haystack, const QList<double>& needle) {
    for (qsizetype i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (haystack.mid(i, needle.size()) == needle)
            return true;
    }
    return false;
}

AnalysisState endToEndState(bool group) {
    // The bundled test data: the examinee under a decimal point, the group under a comma.
    QLocale::setDefault(group ? QLocale(QLocale::Russian, QLocale::Russia)
                              : QLocale(QLocale::English, QLocale::UnitedStates));
    return group ? groupAnalysis(dataPath("endtoend_group"), NormKind::Education,
                                 QStringLiteral("Среднее"))
                 : individualAnalysis(dataPath("endtoend_individual.cry"));
}

// The pages of a PDF as the user's viewer shows them, one pixel a point.
QList<QImage> rasterise(const QString& pdftoppm, const QByteArray& pdf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    if (!writeFile(path, pdf))
        return {};
    QProcess run;
    run.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), path,
                         dir.filePath(QStringLiteral("page"))});
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        return {};
    QList<QImage> pages;
    for (const QString& name :
         QDir(dir.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name))
        pages.append(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32));
    return pages;
}

const QRgb Red = qRgb(255, 0, 0);
const QRgb Lime = qRgb(0, 255, 0);
const QRgb Yellow = qRgb(255, 255, 0);

// A bar as the page shows it: the pixels of its flat colour inside its black outline.
struct Bar {
    int page = 0;
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    QRgb colour = 0;
    int centre() const { return (left + right) / 2; }
};

// Every flat red, lime or yellow rectangle at least `minWidth` pixels wide and 2 high.
QList<Bar> barsOn(const QImage& page, int pageNumber, int minWidth) {
    QList<Bar> bars;
    QList<Bar> open;
    for (int x = 0; x < page.width(); ++x) {
        QList<Bar> runs;
        for (int y = 0; y < page.height();) {
            const QRgb colour = page.pixel(x, y) & 0xffffff;
            if (colour != (Red & 0xffffff) && colour != (Lime & 0xffffff) &&
                colour != (Yellow & 0xffffff)) {
                ++y;
                continue;
            }
            int end = y;
            while (end + 1 < page.height() && (page.pixel(x, end + 1) & 0xffffff) == colour)
                ++end;
            // A norm marker across a bar parts its colour for a few pixels.
            if (!runs.isEmpty() && runs.last().colour == (colour | 0xff000000) &&
                y - runs.last().bottom <= 5)
                runs.last().bottom = end;
            else
                runs.append(Bar{pageNumber, x, x, y, end, colour | 0xff000000});
            y = end + 1;
        }
        runs.removeIf([](const Bar& run) { return run.bottom - run.top < 1; });
        // A run continues a bar of the previous column with the same colour and extent.
        QList<Bar> next;
        for (Bar run : runs) {
            for (qsizetype i = 0; i < open.size(); ++i) {
                const Bar& bar = open[i];
                if (bar.colour == run.colour && std::abs(bar.top - run.top) <= 1 &&
                    std::abs(bar.bottom - run.bottom) <= 1) {
                    run.left = bar.left;
                    run.top = std::min(run.top, bar.top);
                    run.bottom = std::max(run.bottom, bar.bottom);
                    open.removeAt(i);
                    break;
                }
            }
            next.append(run);
        }
        for (const Bar& bar : open)
            if (bar.right - bar.left + 1 >= minWidth)
                bars.append(bar);
        open = next;
    }
    return bars;
}

// The bars of the charts, one list per chart standing on one baseline, in page order.
QList<QList<Bar>> chartsOf(const QList<QImage>& pages) {
    QList<QList<Bar>> charts;
    for (int p = 0; p < pages.size(); ++p) {
        QList<Bar> bars = barsOn(pages[p], p, 6);
        std::sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) {
            return a.bottom != b.bottom ? a.bottom < b.bottom : a.left < b.left;
        });
        for (const Bar& bar : bars) {
            if (charts.isEmpty() || charts.last().first().page != p ||
                std::abs(charts.last().first().bottom - bar.bottom) > 1)
                charts.append(QList<Bar>{});
            charts.last().append(bar);
        }
    }
    for (QList<Bar>& chart : charts)
        std::sort(chart.begin(), chart.end(),
                  [](const Bar& a, const Bar& b) { return a.left < b.left; });
    return charts;
}

bool dark(QRgb pixel) {
    return qRed(pixel) < 60 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

} // namespace

class TestPdfReport : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void valuesOfTheTextReport_data() {
        QTest::addColumn<bool>("group");
        QTest::newRow("individual") << false;
        QTest::newRow("group") << true;
    }

    void valuesOfTheTextReport() {
        QFETCH(bool, group);
        const AnalysisState state = endToEndState(group);
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");

        const ReportSnapshot snapshot{state, {QStringLiteral("Вывод: норма.")}};
        const QByteArray pdf = buildPdfReport(snapshot);
        QVERIFY(pdf.startsWith("%PDF-"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(writeFile(path, pdf));
        QProcess extract;
        extract.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(extract.waitForFinished(30000));
        QCOMPARE(extract.exitCode(), 0);
        const QString text = QString::fromUtf8(extract.readAllStandardOutput());
        const QStringList pdfLines = text.split(QLatin1Char('\n'));
        // Every page is headed with whose report it is and its number of all: an examinee's
        // code and name, a group's size as its folder holds it.
        QStringList pages = text.split(QLatin1Char('\f'));
        if (pages.last().trimmed().isEmpty())
            pages.removeLast();
        QVERIFY(pages.size() >= 2);
        const qsizetype members =
            QDir(dataPath("endtoend_group")).entryList(QDir::Files | QDir::Hidden).size();
        const QString owner = group ? QStringLiteral("Группа, %1 обследуемых").arg(members)
                                    : state.header.code + QStringLiteral(". ") + state.header.name;
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const QString head = pages[p].trimmed().section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(head.contains(QStringLiteral("стр. %1 из %2").arg(p + 1).arg(pages.size())),
                     qPrintable(head));
            QVERIFY2(head.startsWith(owner), qPrintable(head));
        }

        // Every row of the three tables of the text report stands in one line of the PDF, with
        // the same numbers in the same order.
        const QStringList report =
            decodeWindows1251(buildTextReport(snapshot)).split(QStringLiteral("\r\n"));
        static const QRegularExpression row(
            QStringLiteral("^( \\d\\. \\S+| +(Сумма баллов|%|Xм2) )"));
        int rows = 0;
        for (const QString& line : report) {
            if (!row.match(line).hasMatch())
                continue;
            ++rows;
            QString values = line;
            values.remove(QRegularExpression(QStringLiteral("^ +\\d\\. ")));
            const QList<double> expected = numbersOf(values);
            const bool found = std::any_of(pdfLines.begin(), pdfLines.end(), [&](const QString& l) {
                return containsRun(numbersOf(l), expected);
            });
            QVERIFY2(found, qPrintable(line));
        }
        QCOMPARE(rows, 6 + 3 + 3 + 3);

        // The fields: chi-squares, critical values, indices, header and comment.
        const ResultSheet sheet = formatSheet(state);
        QStringList values{sheet.profile1X2,
                           sheet.profile2X2,
                           sheet.profile3X2,
                           sheet.inclusionIndex,
                           sheet.innovationIndex,
                           QStringLiteral("Нормирование: ") + sheet.norm,
                           QStringLiteral("Норма: ") + normGroupName(state.comparison.norm),
                           QStringLiteral("Вывод: норма.")};
        if (group) {
            // A group is headed with its size, not with its code and name fields.
            values << owner;
            for (const QString& field : {QStringLiteral("Группа: Группа"), QStringLiteral("Код:")})
                QVERIFY2(!text.contains(field), qPrintable(field));
        } else {
            values << QStringLiteral("Код: ") + sheet.code
                   << sheet.nameCaption + QStringLiteral(": ") + sheet.name;
        }
        for (const QString& value : values)
            QVERIFY2(text.contains(value), qPrintable(value));
        for (const QString& caption :
             {sheet.profile1Caption, sheet.profile2Caption, sheet.profile3Caption})
            QVERIFY2(text.simplified().contains(caption.simplified()), qPrintable(caption));
    }

    void chartsAsDrawn_data() { valuesOfTheTextReport_data(); }

    // The bars of the three raw-score charts in their series colours, each as high as its
    // score, with the norm marker at the expected count of its cell.
    void chartsAsDrawn() {
        QFETCH(bool, group);
        const AnalysisState state = endToEndState(group);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        const QList<QImage> pages = rasterise(pdftoppm, buildPdfReport(ReportSnapshot{state, {}}));
        QVERIFY(pages.size() >= 2);

        // The individual examinee is compared with the norm of the sex, the group with that of
        // secondary education.
        const QString sex = state.header.sex;
        const int row = group ? 3 : (sex == QStringLiteral("Мужской") ? 0 : 1);
        const NormKind kind = group ? NormKind::Education : NormKind::Sex;
        QCOMPARE(row, normRow(kind, sex, state.header.education));
        QCOMPARE(state.comparison.norm.kind, kind);
        QCOMPARE(state.comparison.norm.row, row);
        const auto& d = state.record;
        const QList<QList<double>> scores = {
            QList<double>(d.scores.raw.profile1.begin(), d.scores.raw.profile1.end()),
            QList<double>(d.scores.raw.profile2.begin(), d.scores.raw.profile2.end()),
            QList<double>(d.scores.raw.profile3.begin(), d.scores.raw.profile3.end())};
        const QList<QList<double>> norms = {QList<double>(Norms1[row].begin(), Norms1[row].end()),
                                            QList<double>(Norms2[row].begin(), Norms2[row].end()),
                                            QList<double>(Norms3[row].begin(), Norms3[row].end())};
        const QList<QList<QRgb>> colours = {{Red}, {Red, Lime}, {Red, Lime, Yellow}};

        const QList<QList<Bar>> charts = chartsOf(pages);
        QCOMPARE(charts.size(), 3);
        for (int p = 0; p < 3; ++p) {
            const QList<Bar>& bars = charts[p];
            const int seriesCount = int(colours[p].size());
            // Bars side by side: for each motive the series in their order. A score too small
            // to show a flat colour shows no bar.
            QList<int> cells;
            for (int m = 0; m < 6; ++m)
                for (int s = 0; s < seriesCount; ++s)
                    cells.append(s * 6 + m);
            const double tallest = *std::max_element(scores[p].begin(), scores[p].end());
            const int highest = std::min_element(bars.begin(), bars.end(), [](auto& a, auto& b) {
                                    return a.top < b.top;
                                })->top;
            const double baseline = bars.first().bottom + 1.0;
            const double pixelsPerAnswer = (baseline - highest + 1.0) / tallest;
            cells.removeIf([&](int cell) { return scores[p][cell] * pixelsPerAnswer < 3.0; });
            QCOMPARE(bars.size(), cells.size());
            for (int i = 0; i < bars.size(); ++i) {
                const int cell = cells[i];
                const QString where = QStringLiteral("profile %1 cell %2").arg(p + 1).arg(cell);
                QVERIFY2(bars[i].colour == colours[p][cell / 6], qPrintable(where));
                const double height = baseline - bars[i].top + 1.0;
                // A norm marker over the top of a bar, with its white rim, may hide up to
                // five pixels of it.
                QVERIFY2(std::abs(height - scores[p][cell] * pixelsPerAnswer) <= 5.0,
                         qPrintable(where));
                // The norm: the expected count of 108 answers, a black stroke across the bar.
                const double normY = baseline - norms[p][cell] * 1.08 * pixelsPerAnswer;
                bool marked = false;
                for (int y = int(std::floor(normY)) - 2; y <= int(std::ceil(normY)) + 2; ++y)
                    marked = marked || dark(pages[bars[i].page].pixel(bars[i].centre(), y));
                QVERIFY2(marked, qPrintable(where + QStringLiteral(" norm at %1").arg(normY)));
            }
        }
    }

    // The individual report shows the answer-time chart: each answer time a marker on its
    // statement, green strictly inside the band of two standard deviations, red on or
    // beyond it. A group has no answer-time chart.
    void answerTimeChartInTheIndividualReport_data() { valuesOfTheTextReport_data(); }

    void answerTimeChartInTheIndividualReport() {
        QFETCH(bool, group);
        AnalysisState state = endToEndState(group);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        // The examinee answered every statement within the band: a few times on and beyond its
        // upper bound make red markers too.
        auto& times = state.record.answerTimes;
        const double upper = state.record.meanTime + 2 * state.record.sdTime;
        times[9] = upper;
        times[40] = upper + 0.3 * state.record.sdTime;
        times[99] = upper + 0.6 * state.record.sdTime;
        const QList<QImage> pages = rasterise(pdftoppm, buildPdfReport(ReportSnapshot{state, {}}));
        QVERIFY(!pages.isEmpty());

        // The dashed blue line of the mean is the longest blue row of all pages.
        const auto blue = [](QRgb c) {
            return qBlue(c) > 180 && qRed(c) < 150 && qGreen(c) < 150 &&
                   std::abs(qRed(c) - qGreen(c)) < 30;
        };
        int bestPage = 0, bestRow = 0, bestCount = 0;
        for (int p = 0; p < pages.size(); ++p)
            for (int y = 0; y < pages[p].height(); ++y) {
                int count = 0;
                for (int x = 0; x < pages[p].width(); ++x)
                    count += blue(pages[p].pixel(x, y));
                if (count > bestCount) {
                    bestPage = p;
                    bestRow = y;
                    bestCount = count;
                }
            }
        if (group) {
            QVERIFY2(bestCount < 150, qPrintable(QString::number(bestCount)));
            return;
        }
        QVERIFY2(bestCount > 250, qPrintable(QString::number(bestCount)));
        const QImage& page = pages[bestPage];
        int first = 0;
        int last = page.width() - 1;
        while (!blue(page.pixel(first, bestRow)))
            ++first;
        while (!blue(page.pixel(last, bestRow)))
            --last;

        const double mean = state.record.meanTime;
        const double sd = state.record.sdTime;
        QVERIFY(sd > 0.0);
        // Green markers, smoothed into the white ground at their edges; the lime of the bars
        // and the red line are no green.
        const auto green = [](QRgb c) {
            return qGreen(c) < 200 && qGreen(c) - qRed(c) > 50 && qGreen(c) - qBlue(c) > 50;
        };
        const auto red = [](QRgb c) { return (c & 0xffffff) == 0xff0000; };
        // The column of a statement, within a pixel: the dashes of the mean line may end a
        // little short of the last statement.
        const auto columnOf = [&](int n) {
            return int(std::lround(first + (n - 1) * (last - first) / 107.0));
        };
        const auto anyNear = [&](int x, int y, int rows, auto test) {
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -rows; dy <= rows; ++dy)
                    if (test(page.pixel(x + dx, std::clamp(y + dy, 0, page.height() - 1))))
                        return true;
            return false;
        };
        // The scale of the value axis, from the green marker nearest to the mean in the
        // column of each time well off the mean.
        QList<double> scales;
        int greens = 0;
        for (int n = 1; n <= ItemCount; ++n) {
            const double t = state.record.answerTimes[std::size_t(n - 1)];
            if (!(mean - 2 * sd < t && t < mean + 2 * sd))
                continue;
            ++greens;
            if (std::abs(t - mean) < sd / 2)
                continue;
            for (int distance = 0; distance < 300; ++distance) {
                const int y = t > mean ? bestRow - distance : bestRow + distance;
                if (anyNear(columnOf(n), y, 0, green)) {
                    scales.append(distance / std::abs(t - mean));
                    break;
                }
            }
        }
        // Both colours occur, or the test would not tell them apart.
        QVERIFY(greens > 10 && greens < ItemCount);
        QVERIFY(scales.size() > 10);
        std::sort(scales.begin(), scales.end());
        const double pixelsPerSecond = scales[scales.size() / 2];
        QVERIFY(pixelsPerSecond > 1.0);

        // Every marker at its time in its colour: green strictly inside the band, red on or
        // beyond it.
        for (int n = 1; n <= ItemCount; ++n) {
            const double t = state.record.answerTimes[std::size_t(n - 1)];
            const bool inside = mean - 2 * sd < t && t < mean + 2 * sd;
            const int x = columnOf(n);
            const int y = int(std::lround(bestRow - (t - mean) * pixelsPerSecond));
            const QString where = QStringLiteral("statement %1, %2 s").arg(n).arg(t);
            QVERIFY2(anyNear(x, y, 3, green) == inside, qPrintable(where));
            if (!inside)
                QVERIFY2(anyNear(x, y, 3, red), qPrintable(where));
        }
    }

    void whatStandsOut_data() {
        QTest::addColumn<int>("variant");
        QTest::newRow("individual") << 0;
        QTest::newRow("group") << 1;
        QTest::newRow("individual with stimuli off the norm") << 2;
    }

    // The first page lists exactly the cells whose chi-square, as the grid shows it, lies
    // beyond the critical value, above or below the norm, each with the explanation the
    // window gives for it.
    void whatStandsOut() {
        QFETCH(int, variant);
        AnalysisState state = endToEndState(variant == 1);
        if (variant == 2) {
            auto& stimuli = state.record.scores.raw.profile3;
            stimuli[1] += 6;  // Money, communication
            stimuli[8] = 0;   // Team, utilitarian
            stimuli[15] += 5; // Work, cooperation
            const NormKind kind = state.comparison.norm.kind;
            state = withNorm(std::move(state), kind);
        }
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(writeFile(path, buildPdfReport(ReportSnapshot{state, {}})));
        QProcess extract;
        extract.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(extract.waitForFinished(30000));
        QCOMPARE(extract.exitCode(), 0);
        const QString text = QString::fromUtf8(extract.readAllStandardOutput());
        QVERIFY(text.section(QLatin1Char('\f'), 0, 0).contains(QStringLiteral("Что выделяется")));

        // Expected: the two-cell chi-square of each cell against the norm table's row.
        const int row = state.comparison.norm.row;
        const QStringList motives{"Преобразование", "Коммуникация", "Утилитарность",
                                  "Кооперация",     "Конкуренция",  "Достижение"};
        QStringList expected;
        QStringList explanations;
        const auto judge = [&](double o, double percent, const QString& label,
                               const QString& explanation) {
            const double e = percent * 1.08;
            const double chi = (o - e) * (o - e) / e + (o - e) * (o - e) / (108 - e);
            if (std::round(chi * 10) / 10 <= 3.84)
                return;
            expected << label + (o > e ? QStringLiteral(": выше") : QStringLiteral(": ниже"));
            explanations << explanation;
        };
        const Profiles& raw = state.record.scores.raw;
        for (int m = 0; m < 6; ++m)
            judge(raw.profile1[m], Norms1[row][m], motives[m], joinPieces(MotiveTexts[m]));
        const QStringList orientations{"РО", "ПО"};
        for (int k = 0; k < 12; ++k)
            judge(raw.profile2[k], Norms2[row][k], orientations[k / 6] + ", " + motives[k % 6],
                  joinPieces(OrientationTexts[k / 6]));
        const QStringList stimuli{"Деньги", "Коллектив", "Труд"};
        for (int k = 0; k < 18; ++k)
            judge(raw.profile3[k], Norms3[row][k], stimuli[k / 6] + ", " + motives[k % 6],
                  joinPieces(StimulusText));
        if (variant == 2)
            QVERIFY(std::count_if(expected.begin(), expected.end(), [&](const QString& e) {
                        return e.startsWith(QStringLiteral("Деньги")) ||
                               e.startsWith(QStringLiteral("Коллектив")) ||
                               e.startsWith(QStringLiteral("Труд"));
                    }) >= 3);
        QVERIFY(!expected.isEmpty());

        static const QRegularExpression entry(
            QStringLiteral("•\\s*((?:(?:РО|ПО|Деньги|Коллектив|Труд), )?\\S+): (выше|ниже) нормы"));
        QStringList found;
        for (auto it = entry.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            found << match.captured(1) + QStringLiteral(": ") + match.captured(2);
        }
        QCOMPARE(found, expected);
        const QString flowing = text.simplified();
        for (const QString& explanation : explanations)
            QVERIFY2(flowing.contains(explanation.left(60).simplified()),
                     qPrintable(explanation.left(60)));
    }

    // "Что выделяется" names every value the report colours beyond the norm: the cells, the
    // profiles and both indices, each with the value as shown; and nothing else.
    void everyColourInTheSummary() {
        int indicesSeen = 0;
        int profilesSeen = 0;
        // The examinee, the group, and the examinee with answers far off every norm.
        for (const int variant : {0, 1, 2}) {
            const bool group = variant == 1;
            AnalysisState base = endToEndState(group);
            if (variant == 2) {
                base.record.scores.raw.profile1 = {40, 6, 22, 10, 20, 10};
                base.record.scores.raw.profile2 = {30, 2, 12, 5, 10, 5, 10, 4, 10, 5, 10, 5};
            }
            for (int row = 0; row < 6; ++row) {
                const AnalysisState state = withNorm(base, storedNorm(row));
                const ResultSheet sheet = formatSheet(state);
                QStringList coloured;
                const auto count = [&](const auto& verdicts) {
                    for (Verdict v : verdicts)
                        if (v == Verdict::BeyondNorm)
                            coloured << QString();
                };
                count(sheet.motiveChiVerdicts);
                count(sheet.orientationChiVerdicts);
                count(sheet.stimulusChiVerdicts);
                const QList<std::pair<Verdict, QString>> fields{
                    {sheet.profile1X2Verdict, QStringLiteral("X2 = ") + sheet.profile1X2.trimmed()},
                    {sheet.profile2X2Verdict, QStringLiteral("X2 = ") + sheet.profile2X2.trimmed()},
                    {sheet.profile3X2Verdict, QStringLiteral("X2 = ") + sheet.profile3X2.trimmed()},
                    {sheet.inclusionIndexVerdict,
                     QStringLiteral("Включенность в коллектив: ") + sheet.inclusionIndex.trimmed()},
                    {sheet.innovationIndexVerdict,
                     QStringLiteral("Инновационный потенциал: ") + sheet.innovationIndex.trimmed()},
                };
                for (qsizetype f = 0; f < fields.size(); ++f)
                    if (fields[f].first == Verdict::BeyondNorm) {
                        coloured << fields[f].second;
                        (f < 3 ? profilesSeen : indicesSeen) += 1;
                    }
                QStringList entries;
                for (const pdf::StandOutGroup& g : pdf::standOutGroups(state, sheet))
                    for (const pdf::StandOutEntry& e : g.entries)
                        entries << e.text;
                const QString where = QStringLiteral("group %1, norm row %2").arg(group).arg(row);
                QCOMPARE(entries.size(), coloured.size());
                for (const QString& value : coloured)
                    if (!value.isEmpty())
                        QVERIFY2(entries.join(QLatin1Char('\n')).contains(value),
                                 qPrintable(where + QStringLiteral(": ") + value));
            }
        }
        // Both kinds of field were coloured somewhere, or the test would prove nothing.
        QVERIFY(indicesSeen > 0);
        QVERIFY(profilesSeen > 0);
    }
};

QTEST_MAIN(TestPdfReport)
#include "tst_pdfreport.moc"
