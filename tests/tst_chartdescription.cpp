// The charts as plain values: axes, series, norm markers and the answer-time band, before
// any painting.

#include "ChartDescription.h"
#include "NormTables.h"

#include <QtTest>

using namespace ezr;

class TestChartDescription : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void niceAxes_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<int>("ticks");
        QTest::newRow("raw scores") << 0.0 << 32.4 << 40.0 << 10.0 << 0 << 5;
        QTest::newRow("percentages") << 0.0 << 30.0 << 30.0 << 10.0 << 0 << 4;
        QTest::newRow("chi-squares") << 0.0 << 2.76 << 3.0 << 1.0 << 0 << 4;
        QTest::newRow("small chi-squares") << 0.0 << 0.6 << 0.6 << 0.2 << 1 << 4;
        QTest::newRow("nothing") << 0.0 << 0.0 << 1.0 << 0.2 << 1 << 6;
    }
    void niceAxes() {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, max);
        QFETCH(double, step);
        QFETCH(int, decimals);
        QFETCH(int, ticks);
        const ChartAxis axis = niceAxis(low, high);
        QCOMPARE(axis.min, 0.0);
        QVERIFY(qFuzzyCompare(axis.max, max));
        QVERIFY(qFuzzyCompare(axis.step, step));
        QCOMPARE(axis.decimals, decimals);
        QCOMPARE(axisTicks(axis).size(), ticks);
        QCOMPARE(axisTicks(axis).first(), 0.0);
    }

    void ticksBelowZero() {
        const QList<double> ticks = axisTicks(ChartAxis{-4.6, 8.9, 2.0, 1});
        QCOMPARE(ticks, (QList<double>{-4.0, -2.0, 0.0, 2.0, 4.0, 6.0, 8.0}));
    }

    void normInTheChartsUnits_data() {
        QTest::addColumn<int>("values");
        QTest::addColumn<double>("factor");
        QTest::newRow("raw scores: expected counts") << int(ProfileValues::Raw) << 1.08;
        QTest::newRow("percentages: the norm") << int(ProfileValues::Percent) << 1.0;
        QTest::newRow("chi-squares: none") << int(ProfileValues::Chi) << 0.0;
    }
    void normInTheChartsUnits() {
        QFETCH(int, values);
        QFETCH(double, factor);
        Profiles raw;
        raw.profile3.fill(2.0);
        ProfileChartOptions options;
        options.code = QStringLiteral("7");
        options.name = QStringLiteral("Имя");
        options.norm = storedNorm(3);
        BarChartDescription chart =
            profileChart(3, ProfileValues(values), raw, Profiles{}, options);
        QCOMPARE(chart.series.size(), 3);
        QCOMPARE(chart.footLine(), QStringLiteral("7. Имя"));
        const double axisWithoutNorm = chart.valueAxis.max;
        showNorm(chart, true);
        QCOMPARE(chart.footLine(), QStringLiteral("7. Имя    Норма: среднее образование"));
        double highest = 0.0;
        for (int s = 0; s < 3; ++s) {
            const QList<double>& norm = chart.series[s].norm;
            if (factor == 0.0) {
                QVERIFY(norm.isEmpty());
                continue;
            }
            QCOMPARE(norm.size(), 6);
            for (int m = 0; m < 6; ++m) {
                QVERIFY(qFuzzyCompare(norm[m], Norms3[3][std::size_t(s * 6 + m)] * factor));
                highest = std::max(highest, norm[m]);
            }
        }
        // The axis makes room for the markers while they are shown, and only then.
        QVERIFY(chart.valueAxis.max >= highest);
        if (highest > axisWithoutNorm)
            QVERIFY(chart.valueAxis.max > axisWithoutNorm);
        showNorm(chart, false);
        QCOMPARE(chart.valueAxis.max, axisWithoutNorm);
    }

    void seriesInTheirOrder() {
        Profiles raw;
        for (int i = 0; i < 12; ++i)
            raw.profile2[std::size_t(i)] = i + 1;
        const BarChartDescription chart =
            profileChart(2, ProfileValues::Percent, raw, Profiles{}, {});
        QCOMPARE(chart.series.size(), 2);
        QCOMPARE(chart.series[0].name, QStringLiteral("РО"));
        QCOMPARE(chart.series[1].name, QStringLiteral("ПО"));
        QCOMPARE(chart.series[0].colour, (Rgb{255, 0, 0}));
        QCOMPARE(chart.series[1].colour, (Rgb{0, 255, 0}));
        // The procedural orientation holds cells 6..11: 7 of 108 answers are 6,5 %.
        QCOMPARE(chart.series[1].values[0], 7 * 100.0 / 108.0);
        QCOMPARE(chart.series[1].marks[0], QStringLiteral("6,5"));
        QCOMPARE(chart.categories, (QStringList{"1", "2", "3", "4", "5", "6"}));
        QVERIFY(!chart.marksVisible);
        QVERIFY(blankProfileChart(1).marksVisible);
        QCOMPARE(profileColours(3).at(2), (Rgb{255, 255, 0}));
    }

    void answerTimeBand() {
        AnalysisRecord data;
        data.answerTimes.fill(5.0);
        data.answerTimes[0] = 7.0;  // on the upper bound
        data.answerTimes[1] = 6.99; // inside
        data.answerTimes[2] = 3.0;  // on the lower bound
        data.meanTime = 5.0;
        data.sdTime = 1.0;
        const TimeChartDescription chart = answerTimeChart(data, "101", "Иванов");
        QCOMPARE(chart.title, QStringLiteral("101. Иванов"));
        QCOMPARE(chart.pointColours.size(), ItemCount);
        QCOMPARE(chart.pointColours[0], OutsideBandRgb);
        QCOMPARE(chart.pointColours[1], InsideBandRgb);
        QCOMPARE(chart.pointColours[2], OutsideBandRgb);
        QCOMPARE(chart.pointColours[3], InsideBandRgb);
        QCOMPARE(chart.levels.size(), 3);
        QVERIFY(chart.valueAxis.min < 3.0 && chart.valueAxis.max > 7.0);
        QCOMPARE(chart.valueAxis.decimals, 1);
    }
};

QTEST_MAIN(TestChartDescription)
#include "tst_chartdescription.moc"
