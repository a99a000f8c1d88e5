#include "AnswerTimeChart.h"

#include "AnswerTimeBand.h"
#include "Domain.h"

#include "Regional.h"

#include <QFont>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QHash>
#include <QLabel>
#include <QMouseEvent>
#include <QPen>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ezr {

namespace {

const QColor InsideColour(GreenRgb.red, GreenRgb.green, GreenRgb.blue);
const QColor OutsideColour(255, 0, 0);
const QColor MeanColour(0, 0, 255);

// A pointer this close to a point's centre, in pixels, is over that point.
constexpr qreal HitTolerance = 4.0;
// The marker extends 2 pixels each way from its point, about 5 pixels across.
constexpr qreal MarkerSize = 2.0;

// Where the read-out sits inside the chart, and how much room it has.
constexpr QPoint ReadoutPosition(72, 176);
constexpr QSize ReadoutSize(220, 14);
// Room around the plotting area: the left axis title, the chart title above, and below the
// axis labels the row of the read-out and the foot.
constexpr QMargins ChartMargins(16, 14, 12, 27);

const QString FirstLeftTitle = QStringLiteral("Время ответа, сек.");
const QString PlottedLeftTitle = QStringLiteral("Время ответов - Mean+/-2SD");
const QString FirstFootText = QStringLiteral("Номер утверждения");

QFont chartFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    return font;
}

QLineSeries* makeSeries(QChart* chart, const QString& name, const QPen& pen) {
    auto* series = new QLineSeries(chart);
    series->setObjectName(name);
    series->setName(name);
    series->setPen(pen);
    series->setPointsVisible(false);
    series->setPointLabelsVisible(false);
    return series;
}

// Axis labels follow the same regional settings as the foot.
QLocale regionalLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// A tick step of 1, 2 or 5 times a power of ten near the wanted one.
double niceStep(double wanted) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(wanted)));
    const double fraction = wanted / magnitude;
    if (fraction <= 1.0)
        return magnitude;
    if (fraction <= 2.0)
        return 2.0 * magnitude;
    if (fraction <= 5.0)
        return 5.0 * magnitude;
    return 10.0 * magnitude;
}

} // namespace

AnswerTimeChart::AnswerTimeChart(QWidget* parent) : QChartView(new QChart, parent) {
    setObjectName(QStringLiteral("ChartMMPITime"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setRenderHint(QPainter::Antialiasing, false);
    // Moves without a pressed button must reach the read-out.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);

    const QFont font = chartFont();
    QChart* c = chart();
    c->setBackgroundRoundness(0);
    c->setBackgroundBrush(Qt::white);
    c->setBackgroundPen(Qt::NoPen);
    c->setPlotAreaBackgroundBrush(Qt::white);
    c->setPlotAreaBackgroundVisible(true);
    c->setDropShadowEnabled(false);
    c->setAnimationOptions(QChart::NoAnimation);
    c->legend()->hide();
    c->setLocalizeNumbers(true);
    c->setLocale(regionalLocale());
    // The plot must stay readable at a height of about 200 pixels.
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setMargins(ChartMargins);

    axisBottom = new QValueAxis(c);
    axisBottom->setObjectName(QStringLiteral("BottomAxis"));
    // Whole numbers; Qt Charts 6.4 draws no labels at all for "%d" with localised numbers.
    axisBottom->setLabelFormat(QStringLiteral("%.0f"));
    axisBottom->setTickType(QValueAxis::TicksDynamic);
    axisBottom->setTickAnchor(0.0);
    axisBottom->setTickInterval(10.0);
    axisBottom->setMinorTickCount(0);
    axisBottom->setLabelsFont(font);
    axisBottom->setLabelsBrush(Qt::black);
    // The chart's foot is held as the bottom axis title. The chart would draw axis titles as
    // rich text, which swallows the foot's double blanks, and would shorten the left one to
    // the axis length; both are drawn as plain text instead.
    axisBottom->setTitleText(FirstFootText);
    axisBottom->setTitleVisible(false);
    axisBottom->setRange(0.0, ItemCount + 1.0);
    c->addAxis(axisBottom, Qt::AlignBottom);

    axisLeft = new QValueAxis(c);
    axisLeft->setObjectName(QStringLiteral("LeftAxis"));
    axisLeft->setLabelFormat(QStringLiteral("%.1f"));
    axisLeft->setTickType(QValueAxis::TicksDynamic);
    axisLeft->setTickAnchor(0.0);
    axisLeft->setTickInterval(1.0);
    axisLeft->setMinorTickCount(0);
    axisLeft->setLabelsFont(font);
    axisLeft->setLabelsBrush(Qt::black);
    axisLeft->setTitleText(FirstLeftTitle);
    axisLeft->setTitleVisible(false);
    axisLeft->setRange(0.0, 5.0);
    c->addAxis(axisLeft, Qt::AlignLeft);

    QPen boundPen(Qt::black, 1, Qt::DotLine);
    QPen meanPen(MeanColour, 1, Qt::DashLine);
    SeriesMMPITime2Dp = makeSeries(c, QStringLiteral("Series2Dp"), boundPen);
    SeriesMMPITime2Dm = makeSeries(c, QStringLiteral("Series2Dm"), boundPen);
    SeriesMMPITimeAv = makeSeries(c, QStringLiteral("SeriesMean"), meanPen);
    // Added last, so the answer times are drawn over the mean and the band.
    SeriesMMPITime = makeSeries(c, QStringLiteral("SeriesTime"), QPen(OutsideColour, 1));
    SeriesMMPITime->setPointsVisible(true);
    SeriesMMPITime->setMarkerSize(MarkerSize);
    for (QLineSeries* series :
         {SeriesMMPITime2Dp, SeriesMMPITime2Dm, SeriesMMPITimeAv, SeriesMMPITime}) {
        c->addSeries(series);
        series->attachAxis(axisBottom);
        series->attachAxis(axisLeft);
    }

    titleItem = new QGraphicsSimpleTextItem(c);
    titleItem->setFont(font);
    titleItem->setBrush(Qt::black);
    footItem = new QGraphicsSimpleTextItem(c);
    footItem->setFont(font);
    footItem->setBrush(QColor(0, 0, 255));
    leftTitleItem = new QGraphicsSimpleTextItem(c);
    leftTitleItem->setFont(font);
    leftTitleItem->setBrush(Qt::black);
    leftTitleItem->setRotation(-90.0);
    connect(c, &QChart::plotAreaChanged, this, [this] { layoutTexts(); });
    layoutTexts();

    // The read-out lies over the chart but must not take the pointer from it.
    laChartTime = new QLabel(this);
    laChartTime->setObjectName(QStringLiteral("laChartTime"));
    laChartTime->setFont(font);
    laChartTime->setAttribute(Qt::WA_TransparentForMouseEvents);
    laChartTime->setGeometry(QRect(ReadoutPosition, ReadoutSize));
    laChartTime->raise();
}

void AnswerTimeChart::plot(const AnalysisRecord& data, const QString& code, const QString& name) {
    const TimeBand band = timeBand(data.MeanTime, data.SdTime);
    const double upper = band.upper;
    const double lower = band.lower;

    for (QLineSeries* series :
         {SeriesMMPITime, SeriesMMPITimeAv, SeriesMMPITime2Dp, SeriesMMPITime2Dm})
        series->clear();
    SeriesMMPITime->clearPointsConfiguration();

    QList<QPointF> upperPoints, lowerPoints, meanPoints, timePoints;
    upperPoints.reserve(ItemCount);
    lowerPoints.reserve(ItemCount);
    meanPoints.reserve(ItemCount);
    timePoints.reserve(ItemCount);
    QHash<int, QHash<QXYSeries::PointConfiguration, QVariant>> colours;
    colours.reserve(ItemCount);
    for (int n = 1; n <= ItemCount; ++n) {
        const double t = data.AnswerTimes[static_cast<std::size_t>(n - 1)];
        upperPoints.append(QPointF(n, upper));
        lowerPoints.append(QPointF(n, lower));
        meanPoints.append(QPointF(n, data.MeanTime));
        timePoints.append(QPointF(n, t));
        colours.insert(n - 1, {{QXYSeries::PointConfiguration::Color,
                                QVariant::fromValue(pointColour(t, lower, upper))}});
    }
    SeriesMMPITime2Dp->replace(upperPoints);
    SeriesMMPITime2Dm->replace(lowerPoints);
    SeriesMMPITimeAv->replace(meanPoints);
    SeriesMMPITime->replace(timePoints);
    SeriesMMPITime->setPointsConfiguration(colours);

    chart()->setLocale(regionalLocale());

    axisLeft->setTitleText(PlottedLeftTitle);
    setAxisRanges(lower, upper);
    titleItem->setText(code + QStringLiteral(". ") + name);
    axisBottom->setTitleText(answerTimeFoot(data.MeanTime, data.SdTime));
    layoutTexts();
    viewport()->update();
}

void AnswerTimeChart::layoutTexts() {
    const QRectF plotArea = chart()->plotArea();
    const QRectF whole = chart()->rect();

    titleItem->setPos(plotArea.center().x() - titleItem->boundingRect().width() / 2.0, 1.0);

    footItem->setText(axisBottom->titleText());
    const QRectF foot = footItem->boundingRect();
    footItem->setPos(plotArea.center().x() - foot.width() / 2.0,
                     whole.bottom() - foot.height() - 1.0);

    // Turned by -90 degrees about its position, the text runs upwards from there.
    leftTitleItem->setText(axisLeft->titleText());
    const QRectF left = leftTitleItem->boundingRect();
    leftTitleItem->setPos(1.0, plotArea.center().y() + left.width() / 2.0);
}

void AnswerTimeChart::setAxisRanges(double lower, double upper) {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    const auto include = [&](double value) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    };
    include(lower);
    include(upper);
    for (const QPointF& point : SeriesMMPITime->points())
        include(point.y());
    if (low > high) {
        low = 0.0;
        high = 1.0;
    }
    // A single value (a standard deviation of 0 and equal times) still needs a visible band.
    constexpr double SmallestSpan = 0.04;
    double span = high - low;
    if (span < SmallestSpan) {
        const double centre = (low + high) / 2.0;
        span = std::max(SmallestSpan, std::fabs(centre) * 0.2);
        low = centre - span / 2.0;
        high = centre + span / 2.0;
    }
    const double step = niceStep(span / 4.0);
    const double margin = span * 0.06;
    axisLeft->setLabelFormat(step >= 0.1 ? QStringLiteral("%.1f") : QStringLiteral("%.2f"));
    axisLeft->setTickInterval(step);
    axisLeft->setRange(low - margin, high + margin);
    axisBottom->setRange(0.0, ItemCount + 1.0);
}

QString AnswerTimeChart::readoutText() const {
    return laChartTime->text();
}

QColor AnswerTimeChart::pointColour(double time, double lower, double upper) {
    return withinTimeBand(time, {lower, upper}) ? InsideColour : OutsideColour;
}

QString AnswerTimeChart::statementText(int statement) {
    if (statement < 1 || statement > ItemCount)
        return QString();
    if (statement <= ItemsPerStimulus)
        return QString::number(statement) + QStringLiteral(". Деньги");
    if (statement <= 2 * ItemsPerStimulus)
        return QString::number(statement - ItemsPerStimulus) + QStringLiteral(". Коллектив");
    return QString::number(statement - 2 * ItemsPerStimulus) + QStringLiteral(". Труд");
}

QList<QColor> AnswerTimeChart::pointColours() const {
    const auto configuration = SeriesMMPITime->pointsConfiguration();
    QList<QColor> colours;
    colours.reserve(SeriesMMPITime->count());
    for (int i = 0; i < SeriesMMPITime->count(); ++i)
        colours.append(configuration.value(i)
                           .value(QXYSeries::PointConfiguration::Color, QColor(OutsideColour))
                           .value<QColor>());
    return colours;
}

QString AnswerTimeChart::footText() const {
    return footItem->text();
}

QString AnswerTimeChart::titleText() const {
    return titleItem->text();
}

void AnswerTimeChart::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    ChartMMPITimeMouseMove(chart()->mapFromScene(mapToScene(event->position().toPoint())));
}

void AnswerTimeChart::ChartMMPITimeMouseMove(const QPointF& position) {
    // Outside the plotting area the read-out keeps whatever it shows.
    if (!chart()->plotArea().contains(position))
        return;
    laChartTime->clear();
    const int index = hitAnswerTime(position);
    if (index < 0)
        return;
    laChartTime->setText(statementText(qRound(SeriesMMPITime->at(index).x())));
}

int AnswerTimeChart::hitAnswerTime(const QPointF& chartPosition) const {
    int hit = -1;
    qreal nearest = HitTolerance * HitTolerance;
    for (int i = 0; i < SeriesMMPITime->count(); ++i) {
        const QPointF offset =
            chart()->mapToPosition(SeriesMMPITime->at(i), SeriesMMPITime) - chartPosition;
        const qreal distance = QPointF::dotProduct(offset, offset);
        if (distance <= nearest) {
            nearest = distance;
            hit = i;
        }
    }
    return hit;
}

} // namespace ezr
