#include "ChartPainter.h"
#include "NormTables.h"
#include "ProfileCharts.h"
#include "WindowFonts.h"

#include <QtTest>

using namespace ezr;

namespace {

int pixelsOf(const QImage& image, const QColor& colour, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += QColor(image.pixel(x, y)) == colour;
    return count;
}

// Text is antialiased: its strokes are of its colour mixed with the white ground.
int bluishPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c(image.pixel(x, y));
            count += c.blue() > 200 && c.red() < 160 && c.green() < 160;
        }
    return count;
}

struct ChartValues {
    Profiles raw;
    Profiles chi;
};

ChartValues sampleData() {
    ChartValues values;
    Profiles& raw = values.raw;
    Profiles& chi = values.chi;
    for (int i = 0; i < 6; ++i) {
        raw.profile1[i] = 10 + 3 * i;
        chi.profile1[i] = 0.5 * i;
    }
    raw.profile1[0] = 27;
    raw.profile1[1] = 10;
    for (int i = 0; i < 12; ++i) {
        raw.profile2[i] = 4 + i % 5;
        chi.profile2[i] = 0.25 * i;
    }
    for (int i = 0; i < 18; ++i) {
        raw.profile3[i] = 3 + i % 4;
        chi.profile3[i] = 0.1 * i;
    }
    return values;
}

// The chart the window draws of the sample data, with the norm of row `normGroup` (none
// below 0).
BarChartDescription sampleChart(int profile, ProfileValues values, const QString& code,
                                const QString& name, int normGroup = -1) {
    const ChartValues data = sampleData();
    ProfileChartOptions options;
    options.code = code;
    options.name = name;
    if (normGroup >= 0)
        options.norm = storedNorm(normGroup);
    options.marksVisible = marksShownAtStart(profile);
    return profileChart(profile, values, data.raw, data.chi, options);
}

} // namespace

class TestProfileCharts : public QObject {
    Q_OBJECT

private slots:
    // A screen reader hears each bar by its motive's name, its value as the bar's mark shows
    // it, and the norm beside it, series after series.
    void chartSpeaksItsBars() {
        BarChartDescription chart;
        chart.title = QStringLiteral("1. График смыслообразующих мотивов - Баллы %");
        chart.categories = {QStringLiteral("1"), QStringLiteral("2")};
        chart.valueAxis.decimals = 1;
        BarSeries series;
        series.values = {13.0, 8.25};
        series.marks = {QStringLiteral("13"), QString()};
        series.norm = {12.0, 9.5};
        chart.series = {series};
        series.name = QStringLiteral("Результирующая");
        series.norm.clear();
        chart.series << series;
        const QString spoken = spokenChart(chart);
        const QLocale locale = QLocale::system();
        const QString expected =
            QStringLiteral("Преобразование 13 (норма %1 %), Коммуникация %2 (норма %3 %); "
                           "Результирующая: Преобразование 13, Коммуникация %2")
                .arg(locale.toString(12.0, 'f', 1), locale.toString(8.25, 'f', 1),
                     locale.toString(9.5, 'f', 1));
        QCOMPARE(spoken, expected);
    }
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void titles_data() {
        QTest::addColumn<int>("profile");
        QTest::addColumn<int>("values");
        QTest::addColumn<QString>("title");
        const char* heads[] = {"1. График смыслообразующих мотивов - ",
                               "2. Результирующая и Процессуальная Ориентации - ",
                               "3. Стимулы: Деньги, Коллектив и Труд - "};
        for (int p = 1; p <= 3; ++p) {
            const QString head = QString::fromUtf8(heads[p - 1]);
            QTest::addRow("%d raw", p) << p << int(ProfileValues::Raw) << head + "Сырые баллы";
            QTest::addRow("%d percent", p) << p << int(ProfileValues::Percent) << head + "%Баллы";
            // Cyrillic "Х" for profiles 1 and 3, Latin "X" for profile 2.
            QTest::addRow("%d chi", p)
                << p << int(ProfileValues::Chi)
                << head + (p == 2 ? QString::fromUtf8("X") : QString::fromUtf8("Х")) +
                       QString::fromUtf8("м2");
        }
    }
    void titles() {
        QFETCH(int, profile);
        QFETCH(int, values);
        QFETCH(QString, title);
        QCOMPARE(profileChartTitle(profile, static_cast<ProfileValues>(values)), title);
        ProfileChartPanel panel(nullptr);
        panel.drawProfile(profile,
                          sampleChart(profile, static_cast<ProfileValues>(values), "12", "Имя"));
        QCOMPARE(panel.frontChart(), panel.chart(profile));
        QCOMPARE(panel.frontChart()->titleText(), title);
        QCOMPARE(panel.frontChart()->footText(), QStringLiteral("12. Имя"));
        QCOMPARE(panel.frontChart()->description().axisTitle,
                 QStringLiteral("Смыслообразующие мотивы"));
    }

    void startsAsDrawnOnTheForm() {
        ProfileChartPanel panel(nullptr);
        QCOMPARE(panel.objectName(), QStringLiteral("paChart"));
        QCOMPARE(panel.size(), QSize(402, 318));
        for (int p = 1; p <= 3; ++p) {
            const ProfileChart* chart = panel.chart(p);
            QCOMPARE(chart->objectName(), QStringLiteral("Chart%1").arg(p));
            QCOMPARE(chart->geometry(), QRect(2, 2, 398, 314));
            QCOMPARE(chart->titleText(), QStringLiteral("График"));
            QCOMPARE(chart->footText(), QStringLiteral("Chart %1").arg(p));
            QCOMPARE(chart->description().axisTitle, QStringLiteral("Основные конфликтные зоны"));
            QCOMPARE(chart->marksVisible(), p == 1);
        }
        const QList<QColor> colours[] = {{Qt::red},
                                         {Qt::red, QColor(0, 255, 0)},
                                         {Qt::red, QColor(0, 255, 0), QColor(255, 255, 0)}};
        for (int p = 1; p <= 3; ++p) {
            QCOMPARE(panel.chart(p)->seriesCount(), colours[p - 1].size());
            for (int s = 0; s < colours[p - 1].size(); ++s)
                QCOMPARE(colourOf(panel.chart(p)->description().series[s].colour),
                         colours[p - 1][s]);
        }
    }

    void valuesAndMarks() {
        ProfileChartPanel panel(nullptr);
        const ChartValues data = sampleData();
        panel.drawProfile(1, sampleChart(1, ProfileValues::Percent, "1", "A"));
        const ProfileChart* chart = panel.chart(1);
        // 27 raw answers are 25 %, 10 are 9.259... %, marked 9,3.
        QCOMPARE(chart->values(0).at(0), 25.0);
        QCOMPARE(chart->values(0).at(1), 10 * 100.0 / 108.0);
        QCOMPARE(chart->markTexts(0).at(0), QStringLiteral("25,0"));
        QCOMPARE(chart->markTexts(0).at(1), QStringLiteral("9,3"));
        QVERIFY(chart->description().valueAxis.max > 25.0 * 1.1);

        panel.drawProfile(1, sampleChart(1, ProfileValues::Raw, "1", "A"));
        QCOMPARE(chart->markTexts(0).at(0), QStringLiteral("27"));
        QCOMPARE(chart->values(0).at(0), 27.0);

        panel.drawProfile(3, sampleChart(3, ProfileValues::Chi, "1", "A"));
        const ProfileChart* three = panel.chart(3);
        for (int s = 0; s < 3; ++s)
            for (int m = 0; m < 6; ++m)
                QCOMPARE(three->values(s).at(m), data.chi.profile3[s * 6 + m]);
        QCOMPARE(three->markTexts(2).at(5), QLocale().toString(data.chi.profile3[17], 'f', 1));
    }

    void drawingBringsToFrontButDoesNotShowThePanel() {
        QWidget window;
        auto* panel = new ProfileChartPanel(&window);
        panel->hide();
        panel->drawProfile(2, sampleChart(2, ProfileValues::Raw, "1", "A"));
        QCOMPARE(panel->frontChart(), panel->chart(2));
        panel->drawProfile(1, sampleChart(1, ProfileValues::Raw, "1", "A"));
        QCOMPARE(panel->frontChart(), panel->chart(1));
        QVERIFY(panel->isHidden());
    }

    // The panel tells of clicks on charts 2 and 3 and shows the marks it is told to; the
    // window counts the clicks (tst_mainwindow).
    void clicksAndMarks() {
        ProfileChartPanel panel(nullptr);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QSignalSpy clicks(&panel, &ProfileChartPanel::chartClicked);
        for (int p : {1, 2, 3}) {
            panel.drawProfile(p, sampleChart(p, ProfileValues::Raw, "1", "A"));
            QTest::mouseClick(panel.chart(p), Qt::LeftButton, {}, panel.chart(p)->rect().center());
        }
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(clicks[0].at(0).toInt(), 2);
        QCOMPARE(clicks[1].at(0).toInt(), 3);
        // A click alone switches nothing.
        QVERIFY(!panel.chart(2)->marksVisible());
        QVERIFY(!panel.chart(3)->marksVisible());

        panel.setMarksVisible(2, true);
        QVERIFY(panel.chart(2)->marksVisible());
        QVERIFY(!panel.chart(3)->marksVisible());
        QVERIFY(panel.chart(1)->marksVisible());
        panel.setMarksVisible(2, false);
        QVERIFY(!panel.chart(2)->marksVisible());
    }

    void barsArePaintedInTheirSeriesColours_data() {
        QTest::addColumn<int>("profile");
        QTest::newRow("profile 1") << 1;
        QTest::newRow("profile 2") << 2;
        QTest::newRow("profile 3") << 3;
    }

    void barsArePaintedInTheirSeriesColours() {
        QFETCH(int, profile);
        // Red; red and lime; red, lime and yellow, in the order of the orientations and stimuli.
        const QList<QColor> colours =
            QList<QColor>{Qt::red, QColor(0, 255, 0), QColor(255, 255, 0)}.mid(
                0, profile == 1 ? 1 : profile);
        ProfileChartPanel panel(nullptr);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.drawProfile(profile, sampleChart(profile, ProfileValues::Raw, "1", "A"));
        ProfileChart* chart = panel.chart(profile);
        QCoreApplication::processEvents();
        const QImage picture = chart->grab().toImage();
        QCOMPARE(chart->seriesCount(), colours.size());
        for (int s = 0; s < colours.size(); ++s) {
            for (int m = 0; m < 6; ++m) {
                const double value = chart->values(s).at(m);
                QVERIFY(value > 0);
                // Halfway up each bar, and the bar reaches the height of its value.
                const QPoint middle = chart->barPoint(s, m, value / 2).toPoint();
                QCOMPARE(QColor(picture.pixel(middle)), colours[s]);
                const QPoint nearTop = chart->barPoint(s, m, value).toPoint() + QPoint(0, 2);
                QCOMPARE(QColor(picture.pixel(nearTop)), colours[s]);
                const QPoint above = chart->barPoint(s, m, value).toPoint() - QPoint(0, 2);
                QVERIFY(QColor(picture.pixel(above)) != colours[s]);
            }
        }
    }

    void footAndMarksAreRendered() {
        ProfileChartPanel panel(nullptr);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.drawProfile(3, sampleChart(3, ProfileValues::Raw, "12", "Имя Фамилия"));
        ProfileChart* chart = panel.chart(3);
        QCoreApplication::processEvents();
        QImage picture = chart->grab().toImage();
        const QRect foot(0, picture.height() - 20, picture.width(), 20);
        QVERIFY(bluishPixels(picture, foot) > 10);
        QCOMPARE(bluishPixels(picture, QRect(0, 0, picture.width(), picture.height() - 20)), 0);
        const QRect plot(0, 0, picture.width(), picture.height());
        QCOMPARE(pixelsOf(picture, QColor(255, 255, 225), plot), 0);
        panel.setMarksVisible(3, true);
        QCoreApplication::processEvents();
        picture = chart->grab().toImage();
        QVERIFY(pixelsOf(picture, QColor(255, 255, 225), plot) > 100);
        // The frame around the charts: a raised outer and a lowered inner bevel.
        const QImage whole = panel.grab().toImage();
        const QColor light = panel.palette().color(QPalette::Light);
        const QColor dark = panel.palette().color(QPalette::Dark);
        QCOMPARE(whole.pixel(0, 100), light.rgb());
        QCOMPARE(whole.pixel(1, 100), dark.rgb());
        QCOMPARE(whole.pixel(401, 100), dark.rgb());
        QCOMPARE(whole.pixel(400, 100), light.rgb());
        QCOMPARE(whole.pixel(2, 100), QColor(Qt::white).rgb());
    }

    void normMarkersAtTheirHeights_data() {
        QTest::addColumn<int>("profile");
        QTest::addColumn<int>("values");
        QTest::newRow("profile 1 raw") << 1 << int(ProfileValues::Raw);
        QTest::newRow("profile 2 percent") << 2 << int(ProfileValues::Percent);
        QTest::newRow("profile 3 raw") << 3 << int(ProfileValues::Raw);
        QTest::newRow("profile 1 chi-square") << 1 << int(ProfileValues::Chi);
    }

    void normMarkersAtTheirHeights() {
        QFETCH(int, profile);
        QFETCH(int, values);
        const auto kind = ProfileValues(values);
        const int women = 1;
        // The norm row as the tables hold it, in the chart's units.
        QList<double> norm;
        const auto take = [&](const auto& row) {
            for (double percent : row)
                norm.append(kind == ProfileValues::Raw ? percent * 108.0 / 100.0 : percent);
        };
        if (profile == 1)
            take(Norms1[women]);
        else if (profile == 2)
            take(Norms2[women]);
        else
            take(Norms3[women]);

        ProfileChartPanel panel(nullptr);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.drawProfile(profile, sampleChart(profile, kind, "12", "Имя Фамилия", women));
        ProfileChart* chart = panel.chart(profile);
        QCoreApplication::processEvents();
        const QImage off = chart->grab().toImage();
        QCOMPARE(chart->footText(), QStringLiteral("12. Имя Фамилия"));

        panel.setNormShown(true);
        QCoreApplication::processEvents();
        const QImage on = chart->grab().toImage();
        QCOMPARE(chart->footText(), QStringLiteral("12. Имя Фамилия    Норма: женщины"));
        if (kind == ProfileValues::Chi) {
            // A cell chi-square has no norm value of its own: no markers.
            QVERIFY(chart->description().series[0].norm.isEmpty());
            return;
        }
        QVERIFY(chart->description().valueAxis.max >= *std::max_element(norm.begin(), norm.end()));
        for (int s = 0; s < chart->seriesCount(); ++s) {
            const QList<double> shown = chart->description().series[s].norm;
            QCOMPARE(shown.size(), 6);
            for (int i = 0; i < 6; ++i) {
                QVERIFY(qFuzzyCompare(shown[i], norm[s * 6 + i]));
                const QPoint at = chart->barPoint(s, i, norm[s * 6 + i]).toPoint();
                QCOMPARE(QColor(on.pixel(at)), QColor(Qt::black));
                // Three pixels higher the marker has ended.
                QVERIFY(QColor(on.pixel(at - QPoint(0, 3))) != QColor(Qt::black));
            }
        }
        QVERIFY(off != on);
    }

    // Group means sit near the norm: every value mark must stay readable, off the norm markers,
    // the other bars and the other marks.
    void marksStandClearOfNormMarkers_data() {
        QTest::addColumn<int>("profile");
        QTest::addColumn<double>("offset"); // of every score from its norm's expected count
        for (int p = 1; p <= 3; ++p) {
            QTest::addRow("profile %d at the norm", p) << p << 0.0;
            QTest::addRow("profile %d just under the norm", p) << p << -0.4;
            QTest::addRow("profile %d just over the norm", p) << p << 0.3;
        }
    }

    void marksStandClearOfNormMarkers() {
        QFETCH(int, profile);
        QFETCH(double, offset);
        const int men = 0;
        Profiles raw;
        const auto atNorm = [&](auto& cells, const auto& norm) {
            for (std::size_t i = 0; i < cells.size(); ++i)
                cells[i] = std::max(0.0, norm[i] * 1.08 + offset);
        };
        atNorm(raw.profile1, Norms1[men]);
        atNorm(raw.profile2, Norms2[men]);
        atNorm(raw.profile3, Norms3[men]);
        ProfileChartOptions options;
        options.code = QStringLiteral("3");
        options.name = QStringLiteral("Группа");
        options.norm = storedNorm(men);
        options.normShown = true;
        options.marksVisible = true;
        ProfileChartPanel panel(nullptr);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.drawProfile(profile,
                          profileChart(profile, ProfileValues::Raw, raw, Profiles{}, options));
        panel.setMarksVisible(profile, true);
        panel.setNormShown(true);
        ProfileChart* chart = panel.chart(profile);
        QCoreApplication::processEvents();
        const QImage picture = chart->grab().toImage();
        const BarChartDescription& shown = chart->description();
        QVERIFY(shown.marksVisible && shown.normShown);
        const BarChartLayout layout(chart->rect(), shown, arialFont(11));

        QList<QRectF> markers, boxes;
        for (int s = 0; s < int(shown.series.size()); ++s) {
            for (int i = 0; i < 6; ++i) {
                markers.append(layout.normMarker(s, i, shown.series[s].norm[i]));
                const QRectF box = layout.markBox(s, i);
                QVERIFY(!box.isEmpty());
                // Inside the chart, and painted where the layout puts it.
                QVERIFY(chart->rect().contains(box.toAlignedRect()));
                QCOMPARE(QColor(picture.pixel(box.topLeft().toPoint() + QPoint(2, 2))),
                         QColor(255, 255, 225));
                boxes.append(box);
            }
        }
        for (int b = 0; b < boxes.size(); ++b) {
            for (const QRectF& marker : markers)
                QVERIFY2(!boxes[b].intersects(marker), qPrintable(QString::number(b)));
            for (int other = b + 1; other < boxes.size(); ++other)
                QVERIFY2(!boxes[b].intersects(boxes[other]),
                         qPrintable(QStringLiteral("%1 %2").arg(b).arg(other)));
        }
        // The markers are still drawn, black, at the norm.
        for (const QRectF& marker : markers)
            QCOMPARE(QColor(picture.pixel(marker.center().toPoint())), QColor(Qt::black));
    }
};

QTEST_MAIN(TestProfileCharts)
#include "tst_profilecharts.moc"
