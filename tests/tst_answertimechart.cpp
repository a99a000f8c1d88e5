#include "AnswerTimeChart.h"

#include <QLabel>
#include <QLocale>
#include <QTest>

#include <memory>

using namespace ezr;

namespace {

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

// Times that wander around 5 seconds, every point at its own height.
AnalysisRecord sampleData(double mean = 5.0, double sd = 1.0) {
    AnalysisRecord data;
    for (int i = 0; i < ItemCount; ++i)
        data.answerTimes[static_cast<std::size_t>(i)] = 4.0 + (i % 7) * 0.3 + (i % 3) * 0.1;
    data.meanTime = mean;
    data.sdTime = sd;
    return data;
}

} // namespace

class TestAnswerTimeChart : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutAsDesigned();
    void seriesHoldTheRecord();
    void colourAtTheBounds_data();
    void colourAtTheBounds();
    void markersAreDrawnInTheirColours();
    void zeroDeviationIsAllRed();
    void lowerBoundBelowZero();
    void texts_data();
    void texts();
    void statementTexts_data();
    void statementTexts();
    void readoutOverPoint_data();
    void readoutOverPoint();
    void readoutClearedInsidePlotArea();
    void readoutKeptOutsidePlotArea();
    void repeatedPlotsLookTheSame();

private:
    QPoint pointPosition(int statement) const;
    const LevelLine* level(const char* name) const;
    const ChartAxis& leftAxis() const { return chart->description().valueAxis; }

    std::unique_ptr<AnswerTimeChart> chart;
};

void TestAnswerTimeChart::init() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    chart = std::make_unique<AnswerTimeChart>();
    chart->resize(1015, 203);
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart.get()));
}

void TestAnswerTimeChart::cleanup() {
    chart.reset();
    QLocale::setDefault(QLocale::c());
}

QPoint TestAnswerTimeChart::pointPosition(int statement) const {
    return chart->position(statement, chart->description().times.at(statement - 1)).toPoint();
}

const LevelLine* TestAnswerTimeChart::level(const char* name) const {
    for (const LevelLine& line : chart->description().levels) {
        if (line.name == QLatin1String(name))
            return &line;
    }
    return nullptr;
}

void TestAnswerTimeChart::layoutAsDesigned() {
    QCOMPARE(chart->objectName(), QStringLiteral("ChartMMPITime"));
    QVERIFY(chart->readoutLabel());
    QCOMPARE(chart->readoutLabel()->parentWidget(), static_cast<QWidget*>(chart.get()));
    QCOMPARE(chart->readoutLabel()->pos(), QPoint(72, 176));
    QVERIFY(chart->readoutText().isEmpty());
    QVERIFY(chart->titleText().isEmpty());
    QCOMPARE(chart->footText(), QStringLiteral("Номер утверждения"));
    QCOMPARE(chart->description().valueAxisTitle, QStringLiteral("Время ответа, сек."));
    QVERIFY(chart->description().times.isEmpty());
    QCOMPARE(chart->frameShape(), QFrame::Panel);
    QCOMPARE(chart->frameShadow(), QFrame::Sunken);

    chart->plot(sampleData(), QStringLiteral("1"), QStringLiteral("A"));
    for (const char* name : {"SeriesMean", "Series2Dp", "Series2Dm"})
        QVERIFY2(level(name), name);
    QCOMPARE(level("SeriesMean")->style, LineStyle::Dashed);
    QCOMPARE(level("SeriesMean")->colour, (Rgb{0, 0, 255}));
    QCOMPARE(level("Series2Dp")->style, LineStyle::Dotted);
    QCOMPARE(level("Series2Dm")->style, LineStyle::Dotted);
    QCOMPARE(level("Series2Dp")->colour, (Rgb{0, 0, 0}));
    QCOMPARE(level("Series2Dm")->colour, (Rgb{0, 0, 0}));
    QCOMPARE(chart->description().lineColour, (Rgb{255, 0, 0}));
    // The statement axis: one label every 10, the statements 1..108 inside.
    const ChartAxis& bottom = chart->description().statementAxis;
    QCOMPARE(bottom.step, 10.0);
    QCOMPARE(axisTicks(bottom).first(), 0.0);
    QCOMPARE(axisTicks(bottom).last(), 100.0);
    QVERIFY(bottom.min < 1.0 && bottom.max > 108.0);

    // The mean is drawn blue and the bounds black across the plot, where no answer time
    // lies over them.
    AnalysisRecord flat = sampleData(5.0, 1.0);
    flat.answerTimes.fill(9.0);
    chart->plot(flat, QStringLiteral("1"), QStringLiteral("A"));
    const QImage picture = chart->grab().toImage();
    const auto colourAlong = [&](double value, const QColor& colour) {
        int count = 0;
        for (int n = 1; n <= ItemCount; ++n)
            count += QColor(picture.pixel(chart->position(n + 0.5, value).toPoint())) == colour;
        return count;
    };
    QVERIFY(colourAlong(5.0, QColor(0, 0, 255)) > 30);
    QVERIFY(colourAlong(7.0, QColor(Qt::black)) > 30);
    QVERIFY(colourAlong(3.0, QColor(Qt::black)) > 30);
    QCOMPARE(colourAlong(4.0, QColor(0, 0, 255)), 0);
}

void TestAnswerTimeChart::seriesHoldTheRecord() {
    const AnalysisRecord data = sampleData(5.0, 0.5);
    chart->plot(data, QStringLiteral("7"), QStringLiteral("Name"));
    const QList<double>& times = chart->description().times;
    QCOMPARE(times.size(), ItemCount);
    for (int n = 1; n <= ItemCount; ++n)
        QCOMPARE(times.at(n - 1), data.answerTimes[static_cast<std::size_t>(n - 1)]);
    QCOMPARE(level("SeriesMean")->value, 5.0);
    QCOMPARE(level("Series2Dp")->value, 6.0);
    QCOMPARE(level("Series2Dm")->value, 4.0);
    QCOMPARE(chart->description().valueAxisTitle, QStringLiteral("Время ответов - Mean+/-2SD"));
    QVERIFY(leftAxis().min < 4.0 && leftAxis().max > 6.0);

    // A second record replaces the first one completely.
    AnalysisRecord other = sampleData(20.0, 2.0);
    other.answerTimes.fill(20.0);
    chart->plot(other, QStringLiteral("8"), QStringLiteral("Other"));
    QCOMPARE(chart->description().times.size(), ItemCount);
    QCOMPARE(chart->description().times.at(0), 20.0);
    QCOMPARE(level("SeriesMean")->value, 20.0);
    QCOMPARE(chart->pointColours(), QList<QColor>(ItemCount, Green));
}

void TestAnswerTimeChart::colourAtTheBounds_data() {
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sd");
    QTest::addColumn<double>("time");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("on the upper bound") << 5.0 << 1.0 << 7.0 << Red;
    QTest::newRow("on the lower bound") << 5.0 << 1.0 << 3.0 << Red;
    QTest::newRow("just below the upper bound") << 5.0 << 1.0 << 6.99 << Green;
    QTest::newRow("just above the lower bound") << 5.0 << 1.0 << 3.01 << Green;
    QTest::newRow("above the band") << 5.0 << 1.0 << 7.01 << Red;
    QTest::newRow("below the band") << 5.0 << 1.0 << 2.99 << Red;
    QTest::newRow("on the mean") << 5.0 << 1.0 << 5.0 << Green;
    QTest::newRow("fractional bound") << 2.5 << 0.25 << 3.0 << Red;
}

void TestAnswerTimeChart::colourAtTheBounds() {
    QFETCH(double, mean);
    QFETCH(double, sd);
    QFETCH(double, time);
    QFETCH(QColor, colour);
    QCOMPARE(AnswerTimeChart::pointColour(time, mean - 2 * sd, mean + 2 * sd), colour);

    AnalysisRecord data;
    data.answerTimes.fill(mean);
    data.answerTimes[40] = time;
    data.meanTime = mean;
    data.sdTime = sd;
    chart->plot(data, QStringLiteral("1"), QStringLiteral("A"));
    const QList<QColor> colours = chart->pointColours();
    QCOMPARE(colours.size(), ItemCount);
    QCOMPARE(colours.at(40), colour);
    QCOMPARE(colours.at(39), Green);
}

void TestAnswerTimeChart::markersAreDrawnInTheirColours() {
    AnalysisRecord data = sampleData(5.0, 1.0);
    data.answerTimes[9] = 9.0;  // statement 10, above the band
    data.answerTimes[59] = 1.0; // statement 60, below the band
    chart->plot(data, QStringLiteral("1"), QStringLiteral("A"));
    const QImage picture = chart->grab().toImage();
    const auto colourAt = [&](int statement) {
        return QColor(picture.pixel(pointPosition(statement)));
    };
    QCOMPARE(colourAt(10), Red);
    QCOMPARE(colourAt(60), Red);
    QCOMPARE(colourAt(30), Green);
    QCOMPARE(colourAt(100), Green);
}

void TestAnswerTimeChart::zeroDeviationIsAllRed() {
    AnalysisRecord data = sampleData(5.0, 0.0);
    data.answerTimes[0] = 5.0;
    data.answerTimes[1] = 5.0;
    chart->plot(data, QStringLiteral("1"), QStringLiteral("A"));
    QCOMPARE(chart->pointColours(), QList<QColor>(ItemCount, Red));

    // All times equal to the mean: the axis still has a height.
    data.answerTimes.fill(5.0);
    chart->plot(data, QStringLiteral("1"), QStringLiteral("A"));
    QCOMPARE(chart->pointColours(), QList<QColor>(ItemCount, Red));
    QVERIFY(leftAxis().max > leftAxis().min);
    QVERIFY(leftAxis().min < 5.0 && leftAxis().max > 5.0);
    QVERIFY(chart->plotArea().contains(chart->position(50, 5.0)));
}

void TestAnswerTimeChart::lowerBoundBelowZero() {
    AnalysisRecord data = sampleData(2.0, 3.0);
    chart->plot(data, QStringLiteral("1"), QStringLiteral("A"));
    QCOMPARE(level("Series2Dm")->value, -4.0);
    QVERIFY(leftAxis().min < -4.0);
    QVERIFY(leftAxis().max > 8.0);
    QVERIFY(chart->plotArea().contains(chart->position(50, -4.0)));
}

void TestAnswerTimeChart::texts_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sd");
    QTest::addColumn<QString>("foot");
    const QString tail = QStringLiteral(" (T<=1-2 сек - Случайное нажатие?)");
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("Russian") << russian << 3.456 << 1.2
                             << QStringLiteral("Номер утверждения.  Mean= 3,46  SD= 1,20") + tail;
    QTest::newRow("English") << english << 3.456 << 1.2
                             << QStringLiteral("Номер утверждения.  Mean= 3.46  SD= 1.20") + tail;
    QTest::newRow("wide values") << english << 123.456 << 10.0
                                 << QStringLiteral("Номер утверждения.  Mean=123.46  SD=10.00") +
                                        tail;
    QTest::newRow("zero deviation")
        << russian << 4.0 << 0.0
        << QStringLiteral("Номер утверждения.  Mean= 4,00  SD= 0,00") + tail;
}

void TestAnswerTimeChart::texts() {
    QFETCH(QLocale, locale);
    QFETCH(double, mean);
    QFETCH(double, sd);
    QFETCH(QString, foot);
    QLocale::setDefault(locale);
    chart->plot(sampleData(mean, sd), QStringLiteral("101"), QStringLiteral("Иванов И.И."));
    QCOMPARE(chart->titleText(), QStringLiteral("101. Иванов И.И."));
    QCOMPARE(chart->footText(), foot);

    chart->plot(sampleData(mean, sd), QString(), QString());
    QCOMPARE(chart->titleText(), QStringLiteral(". "));
}

void TestAnswerTimeChart::statementTexts_data() {
    QTest::addColumn<int>("statement");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << QStringLiteral("1. Деньги");
    QTest::newRow("36") << 36 << QStringLiteral("36. Деньги");
    QTest::newRow("37") << 37 << QStringLiteral("1. Коллектив");
    QTest::newRow("72") << 72 << QStringLiteral("36. Коллектив");
    QTest::newRow("73") << 73 << QStringLiteral("1. Труд");
    QTest::newRow("108") << 108 << QStringLiteral("36. Труд");
}

void TestAnswerTimeChart::statementTexts() {
    QFETCH(int, statement);
    QFETCH(QString, text);
    QCOMPARE(AnswerTimeChart::statementText(statement), text);
}

void TestAnswerTimeChart::readoutOverPoint_data() {
    QTest::addColumn<int>("statement");
    QTest::addColumn<QString>("text");
    QTest::newRow("36") << 36 << QStringLiteral("36. Деньги");
    QTest::newRow("37") << 37 << QStringLiteral("1. Коллектив");
    QTest::newRow("73") << 73 << QStringLiteral("1. Труд");
    QTest::newRow("108") << 108 << QStringLiteral("36. Труд");
}

void TestAnswerTimeChart::readoutOverPoint() {
    QFETCH(int, statement);
    QFETCH(QString, text);
    chart->plot(sampleData(), QStringLiteral("1"), QStringLiteral("A"));
    QTest::mouseMove(chart.get(), pointPosition(statement));
    QCOMPARE(chart->readoutText(), text);
    QVERIFY(chart->readoutLabel()->isVisible());
    // A pixel off the centre still hits the same point.
    QTest::mouseMove(chart.get(), pointPosition(statement) + QPoint(1, -1));
    QCOMPARE(chart->readoutText(), text);
}

void TestAnswerTimeChart::readoutClearedInsidePlotArea() {
    chart->plot(sampleData(), QStringLiteral("1"), QStringLiteral("A"));
    QTest::mouseMove(chart.get(), pointPosition(50));
    QCOMPARE(chart->readoutText(), QStringLiteral("14. Коллектив"));

    // Between the left axis and the first statement, well inside the plotting area.
    const QRectF plotArea = chart->plotArea();
    const QPointF empty(plotArea.left() + 2, plotArea.center().y());
    QVERIFY(plotArea.contains(empty));
    QTest::mouseMove(chart.get(), empty.toPoint());
    QVERIFY(chart->readoutText().isEmpty());

    // The mean line is never read out.
    QTest::mouseMove(chart.get(), pointPosition(50));
    QCOMPARE(chart->readoutText(), QStringLiteral("14. Коллектив"));
    QTest::mouseMove(chart.get(), chart->position(50.5, 5.0).toPoint());
    QVERIFY(chart->readoutText().isEmpty());
}

void TestAnswerTimeChart::readoutKeptOutsidePlotArea() {
    chart->plot(sampleData(), QStringLiteral("1"), QStringLiteral("A"));
    QTest::mouseMove(chart.get(), pointPosition(73));
    QCOMPARE(chart->readoutText(), QStringLiteral("1. Труд"));

    const QRectF plotArea = chart->plotArea();
    for (const QPointF& outside :
         {QPointF(plotArea.left() - 10, plotArea.center().y()),
          QPointF(plotArea.center().x(), plotArea.bottom() + 12), QPointF(3, 3)}) {
        QVERIFY(!plotArea.contains(outside));
        QTest::mouseMove(chart.get(), outside.toPoint());
        QCOMPARE(chart->readoutText(), QStringLiteral("1. Труд"));
    }
}

void TestAnswerTimeChart::repeatedPlotsLookTheSame() {
    const AnalysisRecord data = sampleData(5.0, 0.8);
    chart->plot(data, QStringLiteral("101"), QStringLiteral("Иванов"));
    const QImage first = chart->grab().toImage();
    chart->plot(data, QStringLiteral("101"), QStringLiteral("Иванов"));
    const QImage second = chart->grab().toImage();
    chart->plot(data, QStringLiteral("101"), QStringLiteral("Иванов"));
    const QImage third = chart->grab().toImage();
    QCOMPARE(first.size(), QSize(1015, 203));
    QCOMPARE(second, first);
    QCOMPARE(third, first);

    // The comparison sees the data: another record gives another picture.
    chart->plot(sampleData(5.0, 0.2), QStringLiteral("101"), QStringLiteral("Иванов"));
    QVERIFY(chart->grab().toImage() != first);
}

QTEST_MAIN(TestAnswerTimeChart)
#include "tst_answertimechart.moc"
