#include "AnswerTimeChart.h"

#include "WindowRole.h"

#include "AnswerTimeBand.h"
#include "ChartPainter.h"
#include "WindowFonts.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace ezr {

namespace {

// A pointer this close to a point's centre, in pixels, is over that point.
constexpr qreal HitTolerance = 4.0;

// Where the read-out sits inside the chart, and how much room it has.
constexpr QPoint ReadoutPosition(72, 176);
constexpr QSize ReadoutSize(220, 14);

QFont chartFace() {
    return arialFont(11);
}

} // namespace

AnswerTimeChart::AnswerTimeChart(QWidget* parent) : QFrame(parent), chart_(blankAnswerTimeChart()) {
    setObjectName(QStringLiteral("ChartMMPITime"));
    announceAsChart(this);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // Moves without a pressed button must reach the read-out.
    setMouseTracking(true);

    // The read-out lies over the chart but must not take the pointer from it.
    readout_ = new QLabel(this);
    readout_->setTextFormat(Qt::PlainText);
    readout_->setObjectName(QStringLiteral("readout_"));
    readout_->setFont(chartFace());
    readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout_->setGeometry(QRect(ReadoutPosition, ReadoutSize));
    readout_->raise();
}

void AnswerTimeChart::plot(const AnalysisRecord& data, const QString& code, const QString& name) {
    chart_ = answerTimeChart(data, code, name);
    update();
}

QString AnswerTimeChart::readoutText() const {
    return readout_->text();
}

QColor AnswerTimeChart::pointColour(double time, double lower, double upper) {
    return colourOf(withinTimeBand(time, {lower, upper}) ? InsideBandRgb : OutsideBandRgb);
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
    QList<QColor> colours;
    for (const Rgb& rgb : chart_.pointColours)
        colours.append(colourOf(rgb));
    return colours;
}

QRectF AnswerTimeChart::plotArea() const {
    return TimeChartLayout(contentsRect(), chart_, chartFace()).plot();
}

QPointF AnswerTimeChart::position(double statement, double value) const {
    return TimeChartLayout(contentsRect(), chart_, chartFace()).position(statement, value);
}

void AnswerTimeChart::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        paintAnswerTimeChart(painter, contentsRect(), chart_, chartFace());
    }
    QFrame::paintEvent(event); // the bevel
}

void AnswerTimeChart::mouseMoveEvent(QMouseEvent* event) {
    QFrame::mouseMoveEvent(event);
    showReadoutAt(event->position());
}

void AnswerTimeChart::showReadoutAt(const QPointF& position) {
    // Outside the plotting area the read-out keeps whatever it shows.
    if (!plotArea().contains(position))
        return;
    readout_->clear();
    const int statement = statementAt(position);
    if (statement > 0)
        readout_->setText(statementText(statement));
}

int AnswerTimeChart::statementAt(const QPointF& position) const {
    const TimeChartLayout layout(contentsRect(), chart_, chartFace());
    int hit = 0;
    qreal nearest = HitTolerance * HitTolerance;
    for (int i = 0; i < int(chart_.times.size()); ++i) {
        const QPointF offset = layout.position(i + 1, chart_.times[i]) - position;
        const qreal distance = QPointF::dotProduct(offset, offset);
        if (distance <= nearest) {
            nearest = distance;
            hit = i + 1;
        }
    }
    return hit;
}

} // namespace ezr
