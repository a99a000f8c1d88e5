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

    axisBottom_ = new QValueAxis(c);
    axisBottom_->setObjectName(QStringLiteral("BottomAxis"));
    // Whole numbers; Qt Charts 6.4 draws no labels at all for "%d" with localised numbers.
    axisBottom_->setLabelFormat(QStringLiteral("%.0f"));
    axisBottom_->setTickType(QValueAxis::TicksDynamic);
    axisBottom_->setTickAnchor(0.0);
    axisBottom_->setTickInterval(10.0);
    axisBottom_->setMinorTickCount(0);
    axisBottom_->setLabelsFont(font);
    axisBottom_->setLabelsBrush(Qt::black);
    // The chart's foot is held as the bottom axis title. The chart would draw axis titles as
    // rich text, which swallows the foot's double blanks, and would shorten the left one to
    // the axis length; both are drawn as plain text instead.
    axisBottom_->setTitleText(FirstFootText);
    axisBottom_->setTitleVisible(false);
    axisBottom_->setRange(0.0, ItemCount + 1.0);
    c->addAxis(axisBottom_, Qt::AlignBottom);

    axisLeft_ = new QValueAxis(c);
    axisLeft_->setObjectName(QStringLiteral("LeftAxis"));
    axisLeft_->setLabelFormat(QStringLiteral("%.1f"));
    axisLeft_->setTickType(QValueAxis::TicksDynamic);
    axisLeft_->setTickAnchor(0.0);
    axisLeft_->setTickInterval(1.0);
    axisLeft_->setMinorTickCount(0);
    axisLeft_->setLabelsFont(font);
    axisLeft_->setLabelsBrush(Qt::black);
    axisLeft_->setTitleText(FirstLeftTitle);
    axisLeft_->setTitleVisible(false);
    axisLeft_->setRange(0.0, 5.0);
    c->addAxis(axisLeft_, Qt::AlignLeft);

    QPen boundPen(Qt::black, 1, Qt::DotLine);
    QPen meanPen(MeanColour, 1, Qt::DashLine);
    upperBand_ = makeSeries(c, QStringLiteral("Series2Dp"), boundPen);
    lowerBand_ = makeSeries(c, QStringLiteral("Series2Dm"), boundPen);
    meanLine_ = makeSeries(c, QStringLiteral("SeriesMean"), meanPen);
    // Added last, so the answer times are drawn over the mean and the band.
    times_ = makeSeries(c, QStringLiteral("SeriesTime"), QPen(OutsideColour, 1));
    times_->setPointsVisible(true);
    times_->setMarkerSize(MarkerSize);
    for (QLineSeries* series : {upperBand_, lowerBand_, meanLine_, times_}) {
        c->addSeries(series);
        series->attachAxis(axisBottom_);
        series->attachAxis(axisLeft_);
    }

    titleItem_ = new QGraphicsSimpleTextItem(c);
    titleItem_->setFont(font);
    titleItem_->setBrush(Qt::black);
    footItem_ = new QGraphicsSimpleTextItem(c);
    footItem_->setFont(font);
    footItem_->setBrush(QColor(0, 0, 255));
    leftTitleItem_ = new QGraphicsSimpleTextItem(c);
    leftTitleItem_->setFont(font);
    leftTitleItem_->setBrush(Qt::black);
    leftTitleItem_->setRotation(-90.0);
    connect(c, &QChart::plotAreaChanged, this, [this] { layoutTexts(); });
    layoutTexts();

    // The read-out lies over the chart but must not take the pointer from it.
    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("readout_"));
    readout_->setFont(font);
    readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout_->setGeometry(QRect(ReadoutPosition, ReadoutSize));
    readout_->raise();
}

void AnswerTimeChart::plot(const AnalysisRecord& data, const QString& code, const QString& name) {
    const TimeBand band = timeBand(data.meanTime, data.sdTime);
    const double upper = band.upper;
    const double lower = band.lower;

    for (QLineSeries* series : {times_, meanLine_, upperBand_, lowerBand_})
        series->clear();
    times_->clearPointsConfiguration();

    QList<QPointF> upperPoints, lowerPoints, meanPoints, timePoints;
    upperPoints.reserve(ItemCount);
    lowerPoints.reserve(ItemCount);
    meanPoints.reserve(ItemCount);
    timePoints.reserve(ItemCount);
    QHash<int, QHash<QXYSeries::PointConfiguration, QVariant>> colours;
    colours.reserve(ItemCount);
    for (int n = 1; n <= ItemCount; ++n) {
        const double t = data.answerTimes[static_cast<std::size_t>(n - 1)];
        upperPoints.append(QPointF(n, upper));
        lowerPoints.append(QPointF(n, lower));
        meanPoints.append(QPointF(n, data.meanTime));
        timePoints.append(QPointF(n, t));
        colours.insert(n - 1, {{QXYSeries::PointConfiguration::Color,
                                QVariant::fromValue(pointColour(t, lower, upper))}});
    }
    upperBand_->replace(upperPoints);
    lowerBand_->replace(lowerPoints);
    meanLine_->replace(meanPoints);
    times_->replace(timePoints);
    times_->setPointsConfiguration(colours);

    chart()->setLocale(regionalLocale());

    axisLeft_->setTitleText(PlottedLeftTitle);
    setAxisRanges(lower, upper);
    titleItem_->setText(code + QStringLiteral(". ") + name);
    axisBottom_->setTitleText(answerTimeFoot(data.meanTime, data.sdTime));
    layoutTexts();
    viewport()->update();
}

void AnswerTimeChart::layoutTexts() {
    const QRectF plotArea = chart()->plotArea();
    const QRectF whole = chart()->rect();

    titleItem_->setPos(plotArea.center().x() - titleItem_->boundingRect().width() / 2.0, 1.0);

    footItem_->setText(axisBottom_->titleText());
    const QRectF foot = footItem_->boundingRect();
    footItem_->setPos(plotArea.center().x() - foot.width() / 2.0,
                      whole.bottom() - foot.height() - 1.0);

    // Turned by -90 degrees about its position, the text runs upwards from there.
    leftTitleItem_->setText(axisLeft_->titleText());
    const QRectF left = leftTitleItem_->boundingRect();
    leftTitleItem_->setPos(1.0, plotArea.center().y() + left.width() / 2.0);
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
    for (const QPointF& point : times_->points())
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
    axisLeft_->setLabelFormat(step >= 0.1 ? QStringLiteral("%.1f") : QStringLiteral("%.2f"));
    axisLeft_->setTickInterval(step);
    axisLeft_->setRange(low - margin, high + margin);
    axisBottom_->setRange(0.0, ItemCount + 1.0);
}

QString AnswerTimeChart::readoutText() const {
    return readout_->text();
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
    const auto configuration = times_->pointsConfiguration();
    QList<QColor> colours;
    colours.reserve(times_->count());
    for (int i = 0; i < times_->count(); ++i)
        colours.append(configuration.value(i)
                           .value(QXYSeries::PointConfiguration::Color, QColor(OutsideColour))
                           .value<QColor>());
    return colours;
}

QString AnswerTimeChart::footText() const {
    return footItem_->text();
}

QString AnswerTimeChart::titleText() const {
    return titleItem_->text();
}

void AnswerTimeChart::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    showReadoutAt(chart()->mapFromScene(mapToScene(event->position().toPoint())));
}

void AnswerTimeChart::showReadoutAt(const QPointF& position) {
    // Outside the plotting area the read-out keeps whatever it shows.
    if (!chart()->plotArea().contains(position))
        return;
    readout_->clear();
    const int index = hitAnswerTime(position);
    if (index < 0)
        return;
    readout_->setText(statementText(qRound(times_->at(index).x())));
}

int AnswerTimeChart::hitAnswerTime(const QPointF& chartPosition) const {
    int hit = -1;
    qreal nearest = HitTolerance * HitTolerance;
    for (int i = 0; i < times_->count(); ++i) {
        const QPointF offset = chart()->mapToPosition(times_->at(i), times_) - chartPosition;
        const qreal distance = QPointF::dotProduct(offset, offset);
        if (distance <= nearest) {
            nearest = distance;
            hit = i;
        }
    }
    return hit;
}

} // namespace ezr
