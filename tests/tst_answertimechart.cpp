#include "AnswerTimeChart.h"

#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

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
    QPoint viewportPosition(const QPointF& chartPosition) const;
    QPoint pointPosition(int statement) const;
    QLineSeries* series(const char* name) const;
    QValueAxis* leftAxis() const;

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

QPoint TestAnswerTimeChart::viewportPosition(const QPointF& chartPosition) const {
    return chart->mapFromScene(chart->chart()->mapToScene(chartPosition));
}

QPoint TestAnswerTimeChart::pointPosition(int statement) const {
    QLineSeries* times = series("SeriesTime");
    return viewportPosition(chart->chart()->mapToPosition(times->at(statement - 1), times));
}

QLineSeries* TestAnswerTimeChart::series(const char* name) const {
    return chart->chart()->findChild<QLineSeries*>(QString::fromLatin1(name));
}

QValueAxis* TestAnswerTimeChart::leftAxis() const {
    const auto axes = chart->chart()->axes(Qt::Vertical);
    return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.first());
}

void TestAnswerTimeChart::layoutAsDesigned() {
    QCOMPARE(chart->objectName(), QStringLiteral("ChartMMPITime"));
    QVERIFY(chart->readoutLabel());
    QCOMPARE(chart->readoutLabel()->parentWidget(), static_cast<QWidget*>(chart.get()));
    QCOMPARE(chart->readoutLabel()->pos(), QPoint(72, 176));
    QVERIFY(chart->readoutText().isEmpty());
    QVERIFY(chart->titleText().isEmpty());
    QCOMPARE(chart->footText(), QStringLiteral("Номер утверждения"));
    QVERIFY(leftAxis());
    QCOMPARE(leftAxis()->titleText(), QStringLiteral("Время ответа, сек."));
    QVERIFY(!chart->chart()->legend()->isVisible());
    for (const char* name : {"SeriesTime", "SeriesMean", "Series2Dp", "Series2Dm"})
        QVERIFY2(series(name), name);
    QCOMPARE(series("SeriesMean")->pen().style(), Qt::DashLine);
    QCOMPARE(series("SeriesMean")->pen().color(), QColor(0, 0, 255));
    QCOMPARE(series("Series2Dp")->pen().style(), Qt::DotLine);
    QCOMPARE(series("Series2Dm")->pen().style(), Qt::DotLine);
    QCOMPARE(series("Series2Dp")->pen().color(), QColor(Qt::black));
    QCOMPARE(series("SeriesTime")->pen().color(), Red);
    QVERIFY(series("SeriesTime")->pointsVisible());
    QVERIFY(!series("SeriesMean")->pointsVisible());
    const auto bottom = qobject_cast<QValueAxis*>(chart->chart()->axes(Qt::Horizontal).value(0));
    QVERIFY(bottom);
    QCOMPARE(bottom->tickType(), QValueAxis::TicksDynamic);
    QCOMPARE(bottom->tickInterval(), 10.0);
}

void TestAnswerTimeChart::seriesHoldTheRecord() {
    const AnalysisRecord data = sampleData(5.0, 0.5);
    chart->plot(data, QStringLiteral("7"), QStringLiteral("Name"));
    QLineSeries* times = series("SeriesTime");
    QCOMPARE(times->count(), ItemCount);
    QCOMPARE(series("SeriesMean")->count(), ItemCount);
    QCOMPARE(series("Series2Dp")->count(), ItemCount);
    QCOMPARE(series("Series2Dm")->count(), ItemCount);
    for (int n = 1; n <= ItemCount; ++n) {
        QCOMPARE(times->at(n - 1), QPointF(n, data.answerTimes[static_cast<std::size_t>(n - 1)]));
        QCOMPARE(series("SeriesMean")->at(n - 1), QPointF(n, 5.0));
        QCOMPARE(series("Series2Dp")->at(n - 1), QPointF(n, 6.0));
        QCOMPARE(series("Series2Dm")->at(n - 1), QPointF(n, 4.0));
    }
    QCOMPARE(leftAxis()->titleText(), QStringLiteral("Время ответов - Mean+/-2SD"));
    QVERIFY(leftAxis()->min() < 4.0 && leftAxis()->max() > 6.0);

    // A second record replaces the first one completely.
    AnalysisRecord other = sampleData(20.0, 2.0);
    other.answerTimes.fill(20.0);
    chart->plot(other, QStringLiteral("8"), QStringLiteral("Other"));
    QCOMPARE(times->count(), ItemCount);
    QCOMPARE(times->at(0), QPointF(1, 20.0));
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
        const QPoint inView = pointPosition(statement);
        return QColor(picture.pixel(chart->viewport()->mapTo(chart.get(), inView)));
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
    QVERIFY(leftAxis()->max() > leftAxis()->min());
    QVERIFY(leftAxis()->min() < 5.0 && leftAxis()->max() > 5.0);
    const QRectF plotArea = chart->chart()->plotArea();
    const QPointF meanAt = chart->chart()->mapToPosition(QPointF(50, 5.0), series("SeriesTime"));
    QVERIFY(plotArea.contains(meanAt));
}

void TestAnswerTimeChart::lowerBoundBelowZero() {
    AnalysisRecord data = sampleData(2.0, 3.0);
    chart->plot(data, QStringLiteral("1"), QStringLiteral("A"));
    QCOMPARE(series("Series2Dm")->at(0).y(), -4.0);
    QVERIFY(leftAxis()->min() < -4.0);
    QVERIFY(leftAxis()->max() > 8.0);
    const QPointF lowerAt = chart->chart()->mapToPosition(QPointF(50, -4.0), series("Series2Dm"));
    QVERIFY(chart->chart()->plotArea().contains(lowerAt));
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
    QTest::mouseMove(chart->viewport(), pointPosition(statement));
    QCOMPARE(chart->readoutText(), text);
    QVERIFY(chart->readoutLabel()->isVisible());
    // A pixel off the centre still hits the same point.
    QTest::mouseMove(chart->viewport(), pointPosition(statement) + QPoint(1, -1));
    QCOMPARE(chart->readoutText(), text);
}

void TestAnswerTimeChart::readoutClearedInsidePlotArea() {
    chart->plot(sampleData(), QStringLiteral("1"), QStringLiteral("A"));
    QTest::mouseMove(chart->viewport(), pointPosition(50));
    QCOMPARE(chart->readoutText(), QStringLiteral("14. Коллектив"));

    // Between the left axis and the first statement, well inside the plotting area.
    const QRectF plotArea = chart->chart()->plotArea();
    const QPointF empty(plotArea.left() + 2, plotArea.center().y());
    QVERIFY(plotArea.contains(empty));
    QTest::mouseMove(chart->viewport(), viewportPosition(empty));
    QVERIFY(chart->readoutText().isEmpty());

    // The mean line is never read out.
    QTest::mouseMove(chart->viewport(), pointPosition(50));
    QCOMPARE(chart->readoutText(), QStringLiteral("14. Коллектив"));
    const QPointF onMean = chart->chart()->mapToPosition(QPointF(50.5, 5.0), series("SeriesMean"));
    QTest::mouseMove(chart->viewport(), viewportPosition(onMean));
    QVERIFY(chart->readoutText().isEmpty());
}

void TestAnswerTimeChart::readoutKeptOutsidePlotArea() {
    chart->plot(sampleData(), QStringLiteral("1"), QStringLiteral("A"));
    QTest::mouseMove(chart->viewport(), pointPosition(73));
    QCOMPARE(chart->readoutText(), QStringLiteral("1. Труд"));

    const QRectF plotArea = chart->chart()->plotArea();
    for (const QPointF& outside :
         {QPointF(plotArea.left() - 10, plotArea.center().y()),
          QPointF(plotArea.center().x(), plotArea.bottom() + 12), QPointF(3, 3)}) {
        QVERIFY(!plotArea.contains(outside));
        QTest::mouseMove(chart->viewport(), viewportPosition(outside));
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
