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
// Grey, so that a stem that passes a norm marker on its way up does not read as part of it.
const QColor StemGrey(110, 110, 110);

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
    const QFont text = sized(face, TextSize);
    const double line = textHeight(text);
    top_ = area.top() + 4 + textHeight(sized(face, TitleSize)) + 4;
    if (chart.legendShown && chart.series.size() > 1)
        top_ += line + 2;
    left_ = area.left() + 6 + labelWidth(axis_, text) + 6;
    // Under the plot: the motive numbers, the axis title and the foot.
    bottom_ = area.bottom() - 3 * (line + 2) - 4;
    placePlot(0.0);
    if (!chart.marksVisible)
        return;
    // Marks lifted over a norm marker may reach above the plot: the plot then gives up that
    // much of its height, which lowers the bars, so a few rounds settle it.
    const double mostRoom = (bottom_ - top_) / 2;
    double extra = 0.0;
    for (int round = 0; round < 4; ++round) {
        placeMarks(chart, text);
        double highest = plot_.top();
        for (const QList<QRectF>& boxes : std::as_const(markBoxes_)) {
            for (const QRectF& box : boxes)
                highest = std::min(highest, box.top());
        }
        if (highest >= plot_.top() || extra >= mostRoom)
            break;
        extra = std::min(mostRoom, extra + plot_.top() - highest);
        placePlot(extra);
    }
}

void BarChartLayout::placePlot(double extraTop) {
    plot_ = QRectF(QPointF(std::round(left_), std::round(top_ + extraTop)),
                   QPointF(std::round(area_.right() - 10), std::round(bottom_)));
}

void BarChartLayout::placeMarks(const BarChartDescription& chart, const QFont& text) {
    // Clear space kept between a mark and what it is lifted over.
    constexpr double Gap = 3.0;
    const QFontMetricsF metrics(text);
    const double height = std::round(metrics.height() + 2);
    const int count = int(chart.series.size());
    QList<QRectF> obstacles;
    if (chart.normShown) {
        for (int s = 0; s < count; ++s) {
            const QList<double>& norm = chart.series[s].norm;
            for (int i = 0; i < int(norm.size()); ++i)
                obstacles.append(normMarker(s, i, norm[i]));
        }
    }
    markBoxes_.clear();
    for (int s = 0; s < count; ++s) {
        const BarSeries& series = chart.series[s];
        QList<QRectF> boxes;
        for (int i = 0; i < int(series.values.size()) && i < int(series.marks.size()); ++i) {
            QList<QRectF> around = obstacles;
            for (int other = 0; other < count; ++other) {
                if (other != s && i < chart.series[other].values.size())
                    around.append(bar(other, i, chart.series[other].values[i]));
            }
            const QPointF top = barPoint(s, i, series.values[i]);
            const double width = std::round(metrics.horizontalAdvance(series.marks[i]) + 6);
            QRectF box(std::round(top.x() - width / 2),
                       std::round(top.y()) - MarkArrowLength - height, width, height);
            // Upwards only, past one obstacle at a time, so this ends.
            for (bool moved = true; moved;) {
                moved = false;
                for (const QRectF& obstacle : std::as_const(around)) {
                    if (box.intersects(obstacle.adjusted(-1, -Gap, 1, Gap))) {
                        box.moveBottom(std::floor(obstacle.top() - Gap));
                        moved = true;
                    }
                }
            }
            boxes.append(box);
            obstacles.append(box);
        }
        markBoxes_.append(boxes);
    }
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

QRectF BarChartLayout::normMarker(int series, int index, double norm) const {
    // A little wider than the bar, so that it shows beside a bar that reaches above it.
    const QRectF at = bar(series, index, norm);
    const double half = std::max(3.0, at.width() / 2 + 2);
    const double y = std::round(at.top());
    return QRectF(std::round(at.center().x() - half), y - 1, 2 * half, NormMarkerHeight);
}

QRectF BarChartLayout::markBox(int series, int index) const {
    return markBoxes_.value(series).value(index);
}

void paintBarChart(QPainter& painter, const QRectF& area, const BarChartDescription& chart,
                   const QFont& face, const BarChartStyle& style) {
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
        // Each value in a box on a stem over its bar; the stems first, so that a box covers
        // any stem that passes behind it.
        painter.setFont(text);
        painter.setPen(StemGrey);
        for (int s = 0; s < int(chart.series.size()); ++s) {
            const BarSeries& series = chart.series[s];
            for (int i = 0; i < int(series.values.size()); ++i) {
                const QRectF box = layout.markBox(s, i);
                if (box.isEmpty())
                    continue;
                const QPointF top = layout.barPoint(s, i, series.values[i]);
                const double x = std::round(top.x());
                painter.drawLine(QPointF(x, std::round(top.y())), QPointF(x, box.bottom()));
            }
        }
        painter.setPen(Qt::black);
        for (int s = 0; s < int(chart.series.size()); ++s) {
            const BarSeries& series = chart.series[s];
            for (int i = 0; i < int(series.marks.size()); ++i) {
                const QRectF box = layout.markBox(s, i);
                if (box.isEmpty())
                    continue;
                painter.fillRect(box, MarkBackground);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(box);
                paintCentred(painter, box, series.marks[i]);
            }
        }
    }
    if (chart.normShown) {
        // A black bar across each bar at its norm; no mark stands on one.
        for (int s = 0; s < int(chart.series.size()); ++s) {
            const BarSeries& series = chart.series[s];
            for (int i = 0; i < int(series.norm.size()); ++i) {
                const QRectF marker = layout.normMarker(s, i, series.norm[i]);
                if (style.outlinedNorm)
                    painter.fillRect(marker.adjusted(-1.5, -1.5, 1.5, 1.5), Qt::white);
                painter.fillRect(marker, Qt::black);
            }
        }
    }

    // The motive numbers, the axis title and the foot.
    painter.setFont(text);
    painter.setPen(Qt::black);
    const double slot = plot.width() / std::max(1, int(chart.categories.size()));
    for (int i = 0; i < int(chart.categories.size()); ++i)
        paintCentred(painter, QRectF(plot.left() + slot * i, plot.bottom() + 2, slot, line),
                     metrics.elidedText(chart.categories[i], Qt::ElideRight, slot - 2));
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
