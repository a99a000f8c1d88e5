#include "AnalysisError.h"
#include "Export.h"
#include "ResponseFile.h"
#include "ResultSheet.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

Q_DECLARE_METATYPE(ezr::AnalysisKind)
Q_DECLARE_METATYPE(ezr::ReportFormat)

using namespace ezr;

namespace {

const QLocale PointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale CommaLocale(QLocale::Russian, QLocale::Russia);

// The motive counts of one examinee, or their sums over a group's members: a row per
// motive, per stimulus (money, team, work) the resultative and the procedural count.
using CountTable = std::array<std::array<int, 6>, 6>;

// The scores as scoring and a group's means give them: every profile cell a sum of counts,
// every value divided by the number of members.
Scores scoresFrom(const CountTable& totals, int members) {
    std::array<int, MotiveCountCells> counts{};
    std::array<int, MotiveCount> profile1{};
    std::array<int, Profile2Cells> profile2{};
    std::array<int, Profile3Cells> profile3{};
    for (int m = 0; m < MotiveCount; ++m) {
        const auto motive = static_cast<Motive>(m);
        for (int s = 0; s < StimulusCount; ++s) {
            const auto stimulus = static_cast<Stimulus>(s);
            for (int o = 0; o < OrientationCount; ++o) {
                const auto orientation = static_cast<Orientation>(o);
                const int count = totals[std::size_t(m)][std::size_t(s) * 2 + std::size_t(o)];
                counts[std::size_t(motiveCountIndex(motive, stimulus, orientation))] = count;
                profile1[std::size_t(m)] += count;
                profile2[std::size_t(profile2Index(orientation, motive))] += count;
                profile3[std::size_t(profile3Index(stimulus, motive))] += count;
            }
        }
    }
    Scores scores;
    const auto divide = [members](auto& target, const auto& sums) {
        for (std::size_t i = 0; i < sums.size(); ++i)
            target[i] = double(sums[i]) / members;
    };
    divide(scores.motiveCounts, counts);
    divide(scores.raw.profile1, profile1);
    divide(scores.raw.profile2, profile2);
    divide(scores.raw.profile3, profile3);
    return scores;
}

// The verdicts and critical values that go with the chi-squares and indices.
void setComparison(NormComparison& comparison, const std::array<double, 3>& x2, double inclusion,
                   double innovation) {
    const double critical[3] = {11.07, 19.67, 26.36};
    for (std::size_t p = 0; p < 3; ++p)
        comparison.profiles[p] = {x2[p], critical[p], profileSignificance(x2[p], critical[p])};
    comparison.inclusion = {inclusion, inclusionVerdict(inclusion)};
    comparison.innovation = {innovation, innovationVerdict(innovation)};
}

// One examinee, shown under a decimal-point locale; invented but consistent numbers.
AnalysisState individualState() {
    AnalysisState s;
    s.kind = AnalysisKind::Individual;
    s.header.code = QStringLiteral("0457");
    s.header.testDate = QStringLiteral("06.06.2006");
    s.header.name = QStringLiteral("Иванов Иван Иванович");
    s.header.sex = QStringLiteral("Мужской");
    s.header.education = QStringLiteral("Высшее");
    s.header.age = QStringLiteral("40.01");
    s.record.timingLines = {
        QStringLiteral("Начало теста: 10:15:03"), QStringLiteral("Окончание теста: 10:41:47"),
        QStringLiteral("Время теста: 00:26:44"), QStringLiteral("Среднее время ответа: 14,9 с")};
    s.record.scores = scoresFrom({{{4, 3, 2, 4, 3, 4},
                                   {2, 3, 3, 2, 3, 2},
                                   {3, 4, 2, 3, 3, 3},
                                   {4, 3, 4, 4, 3, 4},
                                   {2, 3, 3, 2, 2, 2},
                                   {3, 4, 3, 3, 3, 3}}},
                                 1);

    NormComparison& c = s.comparison;
    c.norm = storedNorm(0);
    c.chi.profile1 = {0.0, 0.3, 0.0, 0.1, 0.1, 0.3};
    c.chi.profile2 = {0.0, 0.0, 0.3, 0.1, 0.0, 0.0, 0.1, 0.5, 0.1, 0.0, 0.2, 0.2};
    c.chi.profile3 = {0.1, 0.0, 0.0, 0.0, 0.1, 0.4, 0.1, 0.1, 0.2,
                      0.2, 0.0, 0.0, 0.0, 0.2, 0.1, 0.0, 0.3, 0.0};
    setComparison(c, {0.64, 1.57, 1.83}, 4.0, 16.6);
    return s;
}

// Twelve members compared with the secondary-education norm, under a decimal-comma locale:
// the means are the members' sums divided by twelve.
AnalysisState groupState() {
    AnalysisState s;
    s.kind = AnalysisKind::Group;
    s.header.code = QStringLiteral("12");
    s.header.testDate = QStringLiteral("15.03.2024");
    s.header.name = QStringLiteral("Группа");
    s.header.education = QStringLiteral("Среднее");
    const QStringList names = {
        QStringLiteral("Алексеев Алексей Петрович"), QStringLiteral("Борисова Анна Сергеевна"),
        QStringLiteral("Васильев Игорь Олегович"),   QStringLiteral("Григорьева Ольга Ивановна"),
        QStringLiteral("Дмитриев Павел Андреевич"),  QStringLiteral("Егорова Мария Николаевна"),
        QStringLiteral("Жуков Сергей Викторович"),   QStringLiteral("Зайцева Елена Юрьевна"),
        QStringLiteral("Ильин Артём Денисович"),     QStringLiteral("Ковалёва Наталья Петровна"),
        QStringLiteral("Лебедев Михаил Ильич"),      QStringLiteral("Фёдорова Юлия Романовна")};
    for (int i = 0; i < names.size(); ++i) {
        ExamineeRecord member;
        member.header.code = QString::number(101 + i);
        member.header.name = names[i];
        member.header.education = s.header.education;
        member.fileName = member.header.code + QStringLiteral(".cry");
        s.members.append(member);
        s.roster.fileNames.append({member.fileName});
        s.roster.lines.append({member.header.code, u". ", member.header.name});
    }
    s.record.scores = scoresFrom({{{41, 50, 38, 46, 44, 52},
                                   {30, 35, 36, 40, 28, 33},
                                   {52, 47, 33, 30, 38, 35},
                                   {41, 45, 47, 52, 39, 45},
                                   {22, 25, 30, 28, 21, 24},
                                   {26, 22, 24, 20, 40, 37}}},
                                 int(s.members.size()));

    NormComparison& c = s.comparison;
    c.norm = storedNorm(3);
    c.chi.profile1 = {0.9, 0.1, 0.0, 0.3, 0.9, 0.3};
    c.chi.profile2 = {0.8, 0.0, 0.4, 0.6, 0.1, 0.0, 0.2, 0.2, 0.1, 0.0, 1.0, 0.6};
    c.chi.profile3 = {0.4, 0.0, 0.2, 0.1, 0.3, 0.3, 0.1, 0.0, 0.2,
                      0.2, 0.2, 0.5, 0.3, 0.2, 0.1, 0.0, 0.4, 0.0};
    setComparison(c, {2.19, 3.76, 3.29}, 2.8, 16.4);
    return s;
}

// An analysis of `kind` whose scores and chi-squares are all 0, so that single values can
// be varied.
AnalysisState zeroState(AnalysisKind kind) {
    AnalysisState s = kind == AnalysisKind::Group ? groupState() : individualState();
    s.record.scores = Scores{};
    s.comparison.chi = Profiles{};
    return s;
}

// The report as text lines; every line, the last one included, must end with CR LF.
QStringList reportLines(const QByteArray& report) {
    const QString text = decodeWindows1251(report);
    if (!text.endsWith(QStringLiteral("\r\n")))
        return {QStringLiteral("<report does not end with CR LF>")};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

QString lineStartingWith(const QStringList& lines, const QString& start) {
    for (const QString& line : lines)
        if (line.startsWith(start))
            return line;
    return {};
}

QStringList headerLines(const QStringList& lines) {
    QStringList header;
    for (const QString& line : lines) {
        header << line;
        if (line.startsWith(QStringLiteral("Нормирование: ")))
            break;
    }
    return header;
}

} // namespace

class TextReportTest : public QObject {
    Q_OBJECT

private:
    void compareWithFile(const QByteArray& report, const QString& fileName) {
        const QByteArray expected = readFile(QStringLiteral(EZR_TEST_DATA_DIR "/") + fileName);
        QVERIFY2(!expected.isEmpty(), qPrintable(fileName));
        QVERIFY2(!report.contains("\n\n") && report.count('\n') == report.count("\r\n"),
                 "every line ends with CR LF");
        const QStringList actualLines = reportLines(report);
        const QStringList expectedLines = reportLines(expected);
        for (int i = 0; i < qMin(actualLines.size(), expectedLines.size()); ++i)
            QCOMPARE(actualLines[i], expectedLines[i]);
        QCOMPARE(actualLines.size(), expectedLines.size());
        QCOMPARE(report, expected);
    }

private slots:
    void init() { QLocale::setDefault(PointLocale); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void individualReportMatchesHandWrittenFile() {
        const QStringList comment = {QStringLiteral("Мотивационный профиль сбалансирован, "
                                                    "выраженной"),
                                     QStringLiteral("направленности не выявлено.")};
        compareWithFile(buildTextReport({individualState(), comment}),
                        QStringLiteral("report_individual_point.txt"));
    }

    void groupReportMatchesHandWrittenFile() {
        QLocale::setDefault(CommaLocale);
        compareWithFile(buildTextReport({groupState(), {}}),
                        QStringLiteral("report_group_comma.txt"));
    }

    void reportIsWindows1251() {
        // "ё" (0xB8) and "Ф" (0xD4) of the member list, one byte each.
        QLocale::setDefault(CommaLocale);
        const QByteArray report = buildTextReport({groupState(), {}});
        QVERIFY(report.contains("112. \xD4\xB8\xE4\xEE\xF0\xEE\xE2\xE0"));
        QVERIFY(!report.startsWith("\xEF\xBB\xBF"));
        QVERIFY(report.startsWith("\xCA\xEE\xE4: 12\r\n"));
    }

    void proposedFileName_data() {
        QTest::addColumn<AnalysisKind>("kind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<ReportFormat>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("individual") << AnalysisKind::Individual << QStringLiteral("0457")
                                    << ReportFormat::Txt << QStringLiteral("0457 Mel.Sb.txt");
        QTest::newRow("group of twelve") << AnalysisKind::Group << QStringLiteral("12")
                                         << ReportFormat::Txt << QStringLiteral("12 Mel.Gr.txt");
        QTest::newRow("empty code") << AnalysisKind::Individual << QString() << ReportFormat::Txt
                                    << QStringLiteral(" Mel.Sb.txt");
        QTest::newRow("printed group") << AnalysisKind::Group << QStringLiteral("7")
                                       << ReportFormat::Pdf << QStringLiteral("7 Mel.Gr.pdf");
        QTest::newRow("workbook") << AnalysisKind::Individual << QStringLiteral("7")
                                  << ReportFormat::Xlsx << QStringLiteral("7 Mel.Sb.xlsx");
        QTest::newRow("csv") << AnalysisKind::Group << QStringLiteral("7") << ReportFormat::Csv
                             << QStringLiteral("7 Mel.Gr.csv");
    }
    void proposedFileName() {
        QFETCH(AnalysisKind, kind);
        QFETCH(QString, code);
        QFETCH(ReportFormat, format);
        QFETCH(QString, expected);
        AnalysisState state = kind == AnalysisKind::Group ? groupState() : individualState();
        state.header.code = code;
        QCOMPARE(proposedReportName(state, format), expected);
    }

    void profileLineEndings_data() {
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("ending");
        for (const bool group : {false, true}) {
            const char* mode = group ? "group" : "individual";
            QTest::addRow("%s step 13", mode)
                << group << QStringLiteral("Профиль 1.  X2 = ") << QStringLiteral("0.05] ");
            QTest::addRow("%s step 18", mode)
                << group << QStringLiteral("Профиль 2.  X2 = ") << QStringLiteral("0.05] ");
            QTest::addRow("%s step 23", mode)
                << group << QStringLiteral("Профиль 3.  X2 = ") << QStringLiteral("p = 0.05]");
        }
    }
    void profileLineEndings() {
        QFETCH(bool, group);
        QFETCH(QString, start);
        QFETCH(QString, ending);
        if (group)
            QLocale::setDefault(CommaLocale);
        const AnalysisState state = group ? groupState() : individualState();
        const QString line = lineStartingWith(reportLines(buildTextReport({state, {}})), start);
        QVERIFY2(line.endsWith(ending), qPrintable(line));
        QVERIFY(!line.endsWith(QStringLiteral("  ")));
    }

    void headerLinesByMode_data() {
        QTest::addColumn<AnalysisKind>("kind");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<QString>("age");
        QTest::addColumn<QStringList>("expected");
        const QString code = QStringLiteral("Код: 5");
        const QString date = QStringLiteral("Дата обследования: 01.02.2024");
        const QString norm = QStringLiteral("Нормирование: Пол");
        QTest::newRow("individual") << AnalysisKind::Individual << QStringLiteral("Мужской")
                                    << QStringLiteral("Высшее") << QStringLiteral("40.01")
                                    << QStringList{code,
                                                   date,
                                                   QStringLiteral("Ф.И.О.: Имя"),
                                                   QStringLiteral("Пол: Мужской"),
                                                   QStringLiteral("Образование: Высшее"),
                                                   QStringLiteral("Возраст: 40.01"),
                                                   norm};
        QTest::newRow("individual with empty fields")
            << AnalysisKind::Individual << QString() << QString() << QString()
            << QStringList{code, date, QStringLiteral("Ф.И.О.: Имя"), QStringLiteral("Возраст: "),
                           norm};
        QTest::newRow("group by sex")
            << AnalysisKind::Group << QStringLiteral("Женский") << QString() << QString()
            << QStringList{code, date, QStringLiteral("Группа: Имя"),
                           QStringLiteral("Пол: Женский"), norm};
        QTest::newRow("group by education")
            << AnalysisKind::Group << QString() << QStringLiteral("Среднее") << QString()
            << QStringList{code, date, QStringLiteral("Группа: Имя"),
                           QStringLiteral("Образование: Среднее"), norm};
        QTest::newRow("group by satisfaction")
            << AnalysisKind::Group << QString() << QString() << QString()
            << QStringList{code, date, QStringLiteral("Группа: Имя"), norm};
        QTest::newRow("group never writes an age")
            << AnalysisKind::Group << QString() << QString() << QStringLiteral("40.01")
            << QStringList{code, date, QStringLiteral("Группа: Имя"), norm};
    }
    void headerLinesByMode() {
        QFETCH(AnalysisKind, kind);
        QFETCH(QString, sex);
        QFETCH(QString, education);
        QFETCH(QString, age);
        QFETCH(QStringList, expected);
        AnalysisState state = individualState();
        state.kind = kind;
        state.header.code = QStringLiteral("5");
        state.header.testDate = QStringLiteral("01.02.2024");
        state.header.name = QStringLiteral("Имя");
        state.header.sex = sex;
        state.header.education = education;
        state.header.age = age;
        QCOMPARE(headerLines(reportLines(buildTextReport({state, {}}))), expected);
    }

    void hintYieldsSeveralLines() {
        AnalysisState state = individualState();
        state.record.timingLines = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                    QStringLiteral("d")};
        const QStringList lines = reportLines(buildTextReport({state, {}}));
        const qsizetype at = lines.indexOf(QStringLiteral("Время выполнения:"));
        QVERIFY(at > 0);
        QCOMPARE(lines.mid(at, 7),
                 (QStringList{QStringLiteral("Время выполнения:"), QStringLiteral("a"),
                              QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                              QString(), QStringLiteral("Включенность в коллектив: 4.0")}));
    }

    void commentBlock_data() {
        QTest::addColumn<QStringList>("comment");
        QTest::addColumn<QString>("ending");
        QTest::newRow("empty") << QStringList()
                               << QStringLiteral("\r\n\r\nКомментарий к анализу\r\n");
        QTest::newRow("one line") << QStringList{QStringLiteral("Вывод.")}
                                  << QStringLiteral("Комментарий к анализу\r\nВывод.\r\n");
        QTest::newRow("wrapped paragraph and an empty line")
            << QStringList{QStringLiteral("Длинный абзац, который панель"),
                           QStringLiteral("переносит на две строки."), QString(),
                           QStringLiteral("Второй абзац.")}
            << QStringLiteral("Комментарий к анализу\r\nДлинный абзац, который панель\r\n"
                              "переносит на две строки.\r\n\r\nВторой абзац.\r\n");
    }
    void commentBlock() {
        QFETCH(QStringList, comment);
        QFETCH(QString, ending);
        const QByteArray report = buildTextReport({individualState(), comment});
        QVERIFY2(report.endsWith(encodeWindows1251(ending)), report.right(120).constData());
        QCOMPARE(report.count(encodeWindows1251(QStringLiteral("Комментарий к анализу"))), 1);
    }

    void profileValue_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("whole") << PointLocale << 3.0 << QStringLiteral("   3.0");
        QTest::newRow("whole under comma settings")
            << CommaLocale << 3.0 << QStringLiteral("   3.0");
        QTest::newRow("two digits") << PointLocale << 12.0 << QStringLiteral("  12.0");
        QTest::newRow("comma becomes point") << CommaLocale << 12.5 << QStringLiteral("  12.5");
        QTest::newRow("half away from zero") << CommaLocale << 0.25 << QStringLiteral("   0.3");
        QTest::newRow("negative half") << PointLocale << -1.25 << QStringLiteral("  -1.3");
        QTest::newRow("exactly 6 wide") << PointLocale << 1234.5 << QStringLiteral("1234.5");
        QTest::newRow("longer than 6: whole")
            << CommaLocale << 123456.75 << QStringLiteral("123456.8");
        QTest::newRow("rounding lengthens")
            << PointLocale << 99999.96 << QStringLiteral("100000.0");
    }
    void profileValue() {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, written);
        QLocale::setDefault(locale);
        const QString zeros = QStringLiteral("   0.0").repeated(11);

        // A group's means keep one decimal in the score rows.
        AnalysisState state = zeroState(AnalysisKind::Group);
        state.record.scores.raw.profile2[0] = value;
        state.comparison.chi.profile3[11] = value;
        state.comparison.chi.profile3[12] = value;
        const QStringList lines = reportLines(buildTextReport({state, {}}));
        // Profile 2, first row: the value first, the rest pushed right when it is long.
        QVERIFY(lines.contains(QStringLiteral(" Сумма баллов") + written + zeros));
        // Profile 3 chi-squares, first band, last column; second band, first column.
        QVERIFY(lines.contains(QStringLiteral("         Xм2 ") + zeros + written));
        QVERIFY(lines.contains(QStringLiteral("         Xм2 ") + written +
                               QStringLiteral("   0.0").repeated(5)));
    }

    // The percentage row is the raw score's share of all 108 answers, written with a point;
    // the score row shows the raw score as the grids round it.
    void percentRowIsTheShareOfAllAnswers_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<AnalysisKind>("kind");
        QTest::addColumn<double>("raw");
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("percent");
        QTest::newRow("ten answers") << PointLocale << AnalysisKind::Individual << 10.0
                                     << QStringLiteral("  10.0") << QStringLiteral("   9.3");
        QTest::newRow("a quarter") << CommaLocale << AnalysisKind::Individual << 27.0
                                   << QStringLiteral("  27.0") << QStringLiteral("  25.0");
        QTest::newRow("all answers") << CommaLocale << AnalysisKind::Individual << 108.0
                                     << QStringLiteral(" 108.0") << QStringLiteral(" 100.0");
        QTest::newRow("group mean of one half")
            << CommaLocale << AnalysisKind::Group << 0.5 << QStringLiteral("   0.5")
            << QStringLiteral("   0.5");
        QTest::newRow("group mean of thirteen twelfths")
            << PointLocale << AnalysisKind::Group << 13.0 / 12 << QStringLiteral("   1.1")
            << QStringLiteral("   1.0");
    }
    void percentRowIsTheShareOfAllAnswers() {
        QFETCH(QLocale, locale);
        QFETCH(AnalysisKind, kind);
        QFETCH(double, raw);
        QFETCH(QString, score);
        QFETCH(QString, percent);
        QLocale::setDefault(locale);
        const QString zeros = QStringLiteral("   0.0").repeated(11);
        AnalysisState state = zeroState(kind);
        state.record.scores.raw.profile3[11] = raw;
        const QStringList lines = reportLines(buildTextReport({state, {}}));
        QVERIFY(lines.contains(QStringLiteral(" Сумма баллов") + zeros + score));
        QVERIFY(lines.contains(QStringLiteral("           % ") + zeros + percent));
    }

    // Profiles 2 and 3 are written with a point under any regional settings; the motive
    // table shows the window's cells with the regional separator.
    void valueRowsAreTheSameUnderEverySetting() {
        const AnalysisState state = groupState();
        QLocale::setDefault(PointLocale);
        const QStringList point = reportLines(buildTextReport({state, {}}));
        QLocale::setDefault(CommaLocale);
        const QStringList comma = reportLines(buildTextReport({state, {}}));
        QCOMPARE(comma.size(), point.size());
        static const QRegularExpression valueRow(QStringLiteral("^ +(Сумма баллов|%|Xм2) "));
        static const QRegularExpression motiveRow(QStringLiteral("^ \\d\\. "));
        int valueRows = 0;
        int motiveRows = 0;
        for (qsizetype i = 0; i < point.size(); ++i) {
            if (valueRow.match(point[i]).hasMatch()) {
                ++valueRows;
                QCOMPARE(comma[i], point[i]);
                QVERIFY2(!point[i].contains(QLatin1Char(',')), qPrintable(point[i]));
            } else if (motiveRow.match(point[i]).hasMatch()) {
                ++motiveRows;
                QVERIFY2(!point[i].contains(QLatin1Char(',')), qPrintable(point[i]));
                QVERIFY2(comma[i].contains(QLatin1Char(',')), qPrintable(comma[i]));
                // The label " 1. " keeps its point.
                QCOMPARE(comma[i], point[i].left(4) +
                                       point[i].mid(4).replace(QLatin1Char('.'), QLatin1Char(',')));
            }
        }
        QCOMPARE(valueRows, 3 + 6);
        QCOMPARE(motiveRows, 6);
    }

    void profileOneRowsShowTheWindowsCells() {
        QLocale::setDefault(CommaLocale);
        AnalysisState state = groupState();
        state.comparison.chi.profile1[1] = 123.46; // wider than its field
        const QStringList lines = reportLines(buildTextReport({state, {}}));
        QVERIFY(lines.contains(QStringLiteral(
            " 2. Коммуникация     2,5   2,9   3,0   3,3   2,3   2,8  16,8  15,6   123,5")));
        const ResultSheet sheet = formatSheet(state);
        for (int row = 1; row <= 6; ++row) {
            QString cells;
            for (int column = 0; column < sheet.motiveGrid.columnCount(); ++column)
                cells += sheet.motiveGrid.cell(column, row);
            QVERIFY2(lines.contains(cells), qPrintable(cells));
        }
    }

    void writeCreatesAndReplaces() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("0457 Mel.Sb.txt"));
        const QByteArray first = QByteArray("first report, longer than the second\r\n");
        const QByteArray second = QByteArray("second\r\n");
        writeFileVerified(path, first);
        QCOMPARE(readFile(path), first);
        writeFileVerified(path, second);
        QCOMPARE(readFile(path), second);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("0457 Mel.Sb.txt")});
    }

    void failedWriteKeepsExistingFile_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("directory does not exist") << QStringLiteral("missing");
        QTest::newRow("parent is a file") << QStringLiteral("parent file");
        QTest::newRow("target is a directory") << QStringLiteral("directory");
        QTest::newRow("directory not writable") << QStringLiteral("read-only");
    }
    void failedWriteKeepsExistingFile() {
        QFETCH(QString, situation);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray old = QByteArray("the report saved before\r\n");
        QString path;
        QString existing; // a file that must keep its bytes
        if (situation == QLatin1String("missing")) {
            path = dir.filePath(QStringLiteral("Results/12 Mel.Gr.txt"));
        } else if (situation == QLatin1String("parent file")) {
            existing = dir.filePath(QStringLiteral("Results"));
            QVERIFY(writeFile(existing, old));
            path = existing + QStringLiteral("/12 Mel.Gr.txt");
        } else if (situation == QLatin1String("directory")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("12 Mel.Gr.txt")));
            path = dir.filePath(QStringLiteral("12 Mel.Gr.txt"));
        } else {
            existing = dir.filePath(QStringLiteral("12 Mel.Gr.txt"));
            QVERIFY(writeFile(existing, old));
            path = existing;
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
            if (::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0) {
                QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("This user may write into a read-only directory (root)");
            }
        }
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        bool thrown = false;
        try {
            writeFileVerified(path, QByteArray("new report\r\n"));
        } catch (const AnalysisError& error) {
            thrown = true;
            QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)),
                     qPrintable(error.message()));
            QVERIFY2(error.message().size() > QDir::toNativeSeparators(path).size() + 25,
                     qPrintable(error.message()));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(thrown);
        if (!existing.isEmpty())
            QCOMPARE(readFile(existing), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 before);
    }
};

QTEST_GUILESS_MAIN(TextReportTest)
#include "tst_textreport.moc"
