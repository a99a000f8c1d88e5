#include "ChartPainter.h"

#include "Regional.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ezr {

namespace {

constexpr int TextSize = 11;
constexpr int TitleSize = 12;
const QColor GridGrey(220, 220, 220);
const QColor FootBlue(0, 0, 255);
const QColor MarkBackground(255, 255, 225);

// Of the slot of a motive, shared by its series.
constexpr double BarWidth = 0.7;
constexpr double MarkArrowLength = 5.0;
constexpr double NormMarkerHeight = 3.0;
// The answer-time markers reach this far from their point each way.
constexpr double TimeMarkerReach = 2.0;

QFont sized(const QFont& face, int pixels) {
    QFont font = face;
    font.setPixelSize(pixels);
    return font;
}

double textHeight(const QFont& font) {
    return QFontMetricsF(font).height();
}

// The widest label of a value axis.
double labelWidth(const ChartAxis& axis, const QFont& font) {
    const QFontMetricsF metrics(font);
    double width = 0.0;
    for (double value : axisTicks(axis))
        width = std::max(width, metrics.horizontalAdvance(formatFixed(value, 0, axis.decimals)));
    return width;
}

double fraction(const ChartAxis& axis, double value) {
    const double span = axis.max - axis.min;
    return span > 0.0 ? (value - axis.min) / span : 0.0;
}

Qt::PenStyle penStyle(LineStyle style) {
    switch (style) {
    case LineStyle::Dashed:
        return Qt::DashLine;
    case LineStyle::Dotted:
        return Qt::DotLine;
    case LineStyle::Solid:
        break;
    }
    return Qt::SolidLine;
}

// The value axis along the left edge of `plot`: grid lines, ticks and labels.
void paintValueAxis(QPainter& painter, const QRectF& plot, const ChartAxis& axis,
                    const QFont& font) {
    painter.setFont(font);
    const double height = textHeight(font);
    for (double value : axisTicks(axis)) {
        const double y = std::round(plot.bottom() - fraction(axis, value) * plot.height());
        painter.setPen(GridGrey);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(plot.left() - 3, y), QPointF(plot.left(), y));
        painter.drawText(QRectF(plot.left() - 105, y - height / 2, 100, height),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         formatFixed(value, 0, axis.decimals));
    }
}

void paintAxisLines(QPainter& painter, const QRectF& plot) {
    painter.setPen(Qt::black);
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
}

void paintCentred(QPainter& painter, const QRectF& box, const QString& text) {
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Bar charts

BarChartLayout::BarChartLayout(const QRectF& area, const BarChartDescription& chart,
                               const QFont& face)
    : area_(area), axis_(chart.valueAxis), seriesCount_(std::max(1, int(chart.series.size()))) {
    const double line = textHeight(sized(face, TextSize));
    double top = area.top() + 4 + textHeight(sized(face, TitleSize)) + 4;
    if (chart.legendShown && chart.series.size() > 1)
        top += line + 2;
    const double left = area.left() + 6 + labelWidth(axis_, sized(face, TextSize)) + 6;
    // Under the plot: the motive numbers, the axis title and the foot.
    const double bottom = area.bottom() - 3 * (line + 2) - 4;
    plot_ = QRectF(QPointF(std::round(left), std::round(top)),
                   QPointF(std::round(area.right() - 10), std::round(bottom)));
}

double BarChartLayout::yOf(double value) const {
    return plot_.bottom() - fraction(axis_, value) * plot_.height();
}

QRectF BarChartLayout::bar(int series, int index, double value) const {
    const double slot = plot_.width() / MotiveCount;
    const double width = slot * BarWidth / seriesCount_;
    const double left = plot_.left() + slot * index + slot * (1 - BarWidth) / 2 + series * width;
    const double top = yOf(value);
    return QRectF(QPointF(left, top), QPointF(left + width, plot_.bottom()));
}

QPointF BarChartLayout::barPoint(int series, int index, double value) const {
    return QPointF(bar(series, index, value).center().x(), yOf(value));
}

void paintBarChart(QPainter& painter, const QRectF& area, const BarChartDescription& chart,
                   const QFont& face) {
    const BarChartLayout layout(area, chart, face);
    const QRectF plot = layout.plot();
    const QFont text = sized(face, TextSize);
    const QFontMetricsF metrics(text);
    const double line = metrics.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, Qt::white);

    painter.setPen(Qt::black);
    painter.setFont(sized(face, TitleSize));
    paintCentred(painter, QRectF(area.left(), area.top() + 4, area.width(), line + 2), chart.title);

    if (chart.legendShown && chart.series.size() > 1) {
        // A swatch and the name of each series, centred under the title.
        painter.setFont(text);
        double width = 0.0;
        for (const BarSeries& series : chart.series)
            width += 14 + metrics.horizontalAdvance(series.name) + 12;
        double x = area.center().x() - width / 2;
        const double y = plot.top() - line - 4;
        for (const BarSeries& series : chart.series) {
            painter.setPen(Qt::black);
            painter.setBrush(colourOf(series.colour));
            painter.drawRect(QRectF(x, y + line / 2 - 4, 10, 8));
            painter.drawText(QRectF(x + 14, y, metrics.horizontalAdvance(series.name) + 2, line),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, series.name);
            x += 14 + metrics.horizontalAdvance(series.name) + 12;
        }
    }

    paintValueAxis(painter, plot, chart.valueAxis, text);
    for (int s = 0; s < int(chart.series.size()); ++s) {
        const BarSeries& series = chart.series[s];
        painter.setPen(Qt::black);
        painter.setBrush(colourOf(series.colour));
        for (int i = 0; i < int(series.values.size()); ++i)
            painter.drawRect(layout.bar(s, i, series.values[i]));
    }
    paintAxisLines(painter, plot);

    if (chart.marksVisible) {
        // Each value in a box on a short stem over its bar.
        painter.setFont(text);
        for (int s = 0; s < int(chart.series.size()); ++s) {
            const BarSeries& series = chart.series[s];
            for (int i = 0; i < int(series.values.size()) && i < int(series.marks.size()); ++i) {
                const QPointF top = layout.barPoint(s, i, series.values[i]);
                const double x = std::round(top.x());
                const double y = std::round(top.y());
                const double width = std::round(metrics.horizontalAdvance(series.marks[i]) + 6);
                const double height = std::round(line + 2);
                const QRectF box(std::round(x - width / 2), y - MarkArrowLength - height, width,
                                 height);
                painter.setPen(Qt::black);
                painter.drawLine(QPointF(x, y), QPointF(x, y - MarkArrowLength));
                painter.fillRect(box, MarkBackground);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(box);
                paintCentred(painter, box, series.marks[i]);
            }
        }
    }
    if (chart.normShown) {
        // A black bar across each bar at its norm, a little wider than the bar, over the value
        // marks so that none hides it.
        for (int s = 0; s < int(chart.series.size()); ++s) {
            const BarSeries& series = chart.series[s];
            for (int i = 0; i < int(series.norm.size()); ++i) {
                const QRectF bar = layout.bar(s, i, series.norm[i]);
                const double half = std::max(3.0, bar.width() / 2 + 2);
                const double y = std::round(bar.top());
                painter.fillRect(
                    QRectF(std::round(bar.center().x() - half), y - 1, 2 * half, NormMarkerHeight),
                    Qt::black);
            }
        }
    }

    // The motive numbers, the axis title and the foot.
    painter.setFont(text);
    painter.setPen(Qt::black);
    const double slot = plot.width() / std::max(1, int(chart.categories.size()));
    for (int i = 0; i < int(chart.categories.size()); ++i)
        paintCentred(painter, QRectF(plot.left() + slot * i, plot.bottom() + 2, slot, line),
                     chart.categories[i]);
    paintCentred(painter, QRectF(area.left(), plot.bottom() + line + 4, area.width(), line),
                 chart.axisTitle);
    painter.setPen(FootBlue);
    paintCentred(painter, QRectF(area.left(), area.bottom() - line - 3, area.width(), line),
                 chart.footLine());
    painter.restore();
}

// ---------------------------------------------------------------------------------------
// The answer-time chart

TimeChartLayout::TimeChartLayout(const QRectF& area, const TimeChartDescription& chart,
                                 const QFont& face)
    : area_(area), statementAxis_(chart.statementAxis), valueAxis_(chart.valueAxis) {
    const QFont text = sized(face, TextSize);
    const double line = textHeight(text);
    // Left of the plot the turned axis title and the labels; above it the title; below it the
    // statement numbers, the row of the read-out and the foot.
    const double left = area.left() + line + 4 + labelWidth(valueAxis_, text) + 6;
    const double top = area.top() + line + 1;
    const double bottom = area.bottom() - line - 2 - 27;
    plot_ = QRectF(QPointF(std::round(left), std::round(top)),
                   QPointF(std::round(area.right() - 12), std::round(bottom)));
}

QPointF TimeChartLayout::position(double statement, double value) const {
    return QPointF(plot_.left() + fraction(statementAxis_, statement) * plot_.width(),
                   plot_.bottom() - fraction(valueAxis_, value) * plot_.height());
}

void paintAnswerTimeChart(QPainter& painter, const QRectF& area, const TimeChartDescription& chart,
                          const QFont& face) {
    const TimeChartLayout layout(area, chart, face);
    const QRectF plot = layout.plot();
    const QFont text = sized(face, TextSize);
    const double line = textHeight(text);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, Qt::white);
    painter.setFont(text);

    painter.setPen(Qt::black);
    paintCentred(painter, QRectF(plot.left(), area.top() + 1, plot.width(), line), chart.title);
    paintValueAxis(painter, plot, chart.valueAxis, text);
    for (double statement : axisTicks(chart.statementAxis)) {
        const double x = std::round(layout.position(statement, 0.0).x());
        painter.setPen(GridGrey);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
        paintCentred(painter, QRectF(x - 20, plot.bottom() + 3, 40, line),
                     formatFixed(statement, 0, chart.statementAxis.decimals));
    }
    painter.save();
    painter.translate(area.left() + 2, plot.center().y());
    painter.rotate(-90);
    paintCentred(painter, QRectF(-plot.height(), 0, 2 * plot.height(), line), chart.valueAxisTitle);
    painter.restore();

    painter.save();
    painter.setClipRect(plot);
    const int count = int(chart.times.size());
    for (const LevelLine& level : chart.levels) {
        const double y = std::round(layout.position(1, level.value).y());
        painter.setPen(QPen(colourOf(level.colour), 1, penStyle(level.style)));
        painter.drawLine(QPointF(layout.position(1, 0).x(), y),
                         QPointF(layout.position(count, 0).x(), y));
    }
    QPolygonF points;
    for (int i = 0; i < count; ++i)
        points << layout.position(i + 1, chart.times[i]);
    painter.setPen(QPen(colourOf(chart.lineColour), 1));
    painter.drawPolyline(points);
    for (int i = 0; i < count; ++i) {
        const QPointF centre(std::round(points[i].x()), std::round(points[i].y()));
        painter.fillRect(QRectF(centre.x() - TimeMarkerReach, centre.y() - TimeMarkerReach,
                                2 * TimeMarkerReach + 1, 2 * TimeMarkerReach + 1),
                         colourOf(chart.pointColours.value(i, chart.lineColour)));
    }
    painter.restore();
    paintAxisLines(painter, plot);

    painter.setPen(FootBlue);
    paintCentred(painter, QRectF(plot.left(), area.bottom() - line - 1, plot.width(), line),
                 chart.foot);
    painter.restore();
}

} // namespace ezr
