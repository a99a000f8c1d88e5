#include "ChartPainting.h"

#include "AnalysisData.h"
#include "AnswerTimeBand.h"
#include "Domain.h"
#include "PdfFonts.h"
#include "Regional.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ezr {

namespace {

const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor FootBlue(0, 0, 255);
const QColor InsideGreen(GreenRgb.red, GreenRgb.green, GreenRgb.blue);
const QColor OutsideRed(255, 0, 0);
const QColor MarkBackground(255, 255, 225);
constexpr double BarWidth = 0.7; // of a motive's slot, shared by its series

int decimalsOf(double step) {
    return step >= 1.0 ? 0 : step >= 0.1 ? 1 : 2;
}

// The value axis along the left edge of `plot`, with its grid lines.
void paintValueAxis(QPainter& painter, const QRectF& plot, const NiceAxis& axis) {
    painter.setFont(pdfFont(6.5));
    const int decimals = decimalsOf(axis.step);
    const auto yOf = [&](double v) {
        return plot.bottom() - (v - axis.min) / (axis.max - axis.min) * plot.height();
    };
    for (double v = axis.min; v <= axis.max + axis.step / 2; v += axis.step) {
        const double y = yOf(v);
        painter.setPen(QPen(QColor(220, 220, 220), 0.4));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(QPen(Qt::black, 0.5));
        painter.drawLine(QPointF(plot.left() - 2, y), QPointF(plot.left(), y));
        painter.drawText(QRectF(plot.left() - 32, y - 5, 28, 10), Qt::AlignRight | Qt::AlignVCenter,
                         formatFixed(v, 0, decimals));
    }
    painter.setPen(QPen(Qt::black, 0.6));
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
}

} // namespace

QList<QColor> profileColours(int profile) {
    if (profile == 1)
        return {Qt::red};
    if (profile == 2)
        return {Qt::red, Lime};
    return {Qt::red, Lime, Yellow};
}

QStringList profileSeriesNames(int profile) {
    if (profile == 2)
        return {QStringLiteral("РО"), QStringLiteral("ПО")};
    if (profile == 3)
        return {QStringLiteral("Деньги"), QStringLiteral("Коллектив"), QStringLiteral("Труд")};
    return {};
}

NiceAxis niceAxis(double low, double high, int ticks) {
    if (!(high > low))
        high = low + 1.0;
    const double raw = (high - low) / std::max(1, ticks);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * magnitude;
        if (step >= raw)
            break;
    }
    NiceAxis axis;
    axis.step = step;
    axis.min = std::floor(low / step) * step;
    axis.max = std::ceil(high / step) * step;
    return axis;
}

namespace {

// The white framed box of a chart with its bold title along the top.
void paintFrameAndTitle(QPainter& painter, const QRectF& area, const QString& title) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(160, 160, 160), 0.5));
    painter.setBrush(Qt::white);
    painter.drawRect(area);

    painter.setPen(Qt::black);
    painter.setFont(pdfFont(8, true));
    painter.drawText(QRectF(area.left() + 4, area.top() + 3, area.width() - 8, 12), Qt::AlignCenter,
                     title);
}

} // namespace

void paintBarChart(QPainter& painter, const QRectF& area, const BarChartPicture& chart) {
    painter.save();
    paintFrameAndTitle(painter, area, chart.title);

    double top = area.top() + 18;
    if (chart.seriesNames.size() > 1) {
        // The legend: a swatch and the name of each series.
        painter.setFont(pdfFont(6.5));
        const QFontMetricsF metrics(painter.font());
        double width = 0;
        for (const QString& name : chart.seriesNames)
            width += 12 + metrics.horizontalAdvance(name) + 10;
        double x = area.center().x() - width / 2;
        for (int s = 0; s < chart.seriesNames.size(); ++s) {
            painter.setPen(QPen(Qt::black, 0.4));
            painter.setBrush(chart.colours.value(s, Qt::gray));
            painter.drawRect(QRectF(x, top + 1, 8, 6));
            painter.drawText(QRectF(x + 11, top - 1, 80, 10), Qt::AlignLeft | Qt::AlignVCenter,
                             chart.seriesNames[s]);
            x += 12 + metrics.horizontalAdvance(chart.seriesNames[s]) + 10;
        }
        top += 11;
    }

    double highest = 0.0;
    for (const QList<QList<double>>* values : {&chart.series, &chart.norm})
        for (const QList<double>& list : *values)
            for (double v : list)
                highest = std::max(highest, v);
    const NiceAxis axis = niceAxis(0.0, highest > 0.0 ? highest * 1.15 : 1.0);

    const QRectF plot(area.left() + 36, top + 4, area.width() - 36 - 8,
                      area.bottom() - 40 - (top + 4));
    paintValueAxis(painter, plot, axis);
    const auto yOf = [&](double v) {
        return plot.bottom() - (v - axis.min) / (axis.max - axis.min) * plot.height();
    };

    const int setCount = std::max(1, int(chart.series.size()));
    const double slot = plot.width() / MotiveCount;
    const double barWidth = slot * BarWidth / setCount;
    const auto barLeft = [&](int s, int i) {
        return plot.left() + slot * i + slot * (1 - BarWidth) / 2 + s * barWidth;
    };

    painter.setFont(pdfFont(6.5));
    for (int s = 0; s < chart.series.size(); ++s) {
        const QList<double>& values = chart.series[s];
        for (int i = 0; i < values.size(); ++i) {
            const double y = yOf(values[i]);
            const QRectF bar(barLeft(s, i), y, barWidth, plot.bottom() - y);
            painter.setPen(QPen(Qt::black, 0.5));
            painter.setBrush(chart.colours.value(s, Qt::gray));
            painter.drawRect(bar);
        }
    }
    // The norm beside each bar: a black bar across it, a little wider than the bar.
    for (int s = 0; s < chart.norm.size() && s < setCount; ++s) {
        const QList<double>& values = chart.norm[s];
        for (int i = 0; i < values.size(); ++i) {
            const double y = yOf(values[i]);
            painter.fillRect(QRectF(barLeft(s, i) - 1.5, y - 0.9, barWidth + 3, 1.8), Qt::black);
        }
    }
    if (chart.marks) {
        const QFontMetricsF metrics(painter.font());
        for (int s = 0; s < chart.series.size(); ++s) {
            const QList<double>& values = chart.series[s];
            for (int i = 0; i < values.size(); ++i) {
                const QString text = formatFixed(values[i], 0, chart.decimals);
                const double width = metrics.horizontalAdvance(text) + 4;
                const double centre = barLeft(s, i) + barWidth / 2;
                const double y = yOf(values[i]);
                const QRectF box(centre - width / 2, y - 3 - 9, width, 9);
                painter.setPen(QPen(Qt::black, 0.4));
                painter.drawLine(QPointF(centre, y), QPointF(centre, y - 3));
                painter.setBrush(MarkBackground);
                painter.drawRect(box);
                painter.drawText(box, Qt::AlignCenter, text);
            }
        }
    }

    // Motive numbers, the axis title and the foot.
    painter.setPen(Qt::black);
    for (int i = 0; i < MotiveCount; ++i)
        painter.drawText(QRectF(plot.left() + slot * i, plot.bottom() + 2, slot, 9),
                         Qt::AlignCenter, QString::number(i + 1));
    painter.setFont(pdfFont(7));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 11, plot.width(), 10), Qt::AlignCenter,
                     QStringLiteral("Смыслообразующие мотивы"));
    painter.setPen(FootBlue);
    QString foot = chart.foot;
    if (!chart.normFoot.isEmpty())
        foot += QStringLiteral("    ") + chart.normFoot;
    painter.drawText(QRectF(area.left() + 4, area.bottom() - 16, area.width() - 8, 12),
                     Qt::AlignCenter, foot);
    painter.restore();
}

void paintAnswerTimeChart(QPainter& painter, const QRectF& area, const AnswerTimePicture& chart) {
    painter.save();
    paintFrameAndTitle(painter, area, chart.title);

    const TimeBand band = timeBand(chart.mean, chart.sd);
    double low = std::min(0.0, band.lower);
    double high = band.upper;
    for (double t : chart.times) {
        low = std::min(low, t);
        high = std::max(high, t);
    }
    const NiceAxis axis = niceAxis(low, high);
    const QRectF plot(area.left() + 44, area.top() + 20, area.width() - 44 - 10,
                      area.height() - 20 - 34);
    paintValueAxis(painter, plot, axis);
    const int count = std::max(2, int(chart.times.size()));
    const auto xOf = [&](double n) { return plot.left() + (n - 1) / (count - 1) * plot.width(); };
    const auto yOf = [&](double v) {
        return plot.bottom() - (v - axis.min) / (axis.max - axis.min) * plot.height();
    };

    painter.setFont(pdfFont(6.5));
    painter.setPen(Qt::black);
    for (int n = 10; n <= count; n += 10)
        painter.drawText(QRectF(xOf(n) - 10, plot.bottom() + 2, 20, 9), Qt::AlignCenter,
                         QString::number(n));
    painter.save();
    painter.translate(area.left() + 8, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -5, plot.height(), 10), Qt::AlignCenter,
                     QStringLiteral("Время ответов - Mean+/-2SD"));
    painter.restore();

    painter.setPen(QPen(Qt::black, 0.6, Qt::DotLine));
    for (double bound : {band.upper, band.lower})
        painter.drawLine(QPointF(xOf(1), yOf(bound)), QPointF(xOf(count), yOf(bound)));
    painter.setPen(QPen(Qt::blue, 0.7, Qt::DashLine));
    painter.drawLine(QPointF(xOf(1), yOf(chart.mean)), QPointF(xOf(count), yOf(chart.mean)));

    QPolygonF line;
    for (int i = 0; i < chart.times.size(); ++i)
        line << QPointF(xOf(i + 1), yOf(chart.times[i]));
    painter.setPen(QPen(Qt::red, 0.6));
    painter.drawPolyline(line);
    for (int i = 0; i < chart.times.size(); ++i) {
        const QColor colour = withinTimeBand(chart.times[i], band) ? InsideGreen : OutsideRed;
        painter.fillRect(QRectF(line[i].x() - 1.2, line[i].y() - 1.2, 2.4, 2.4), colour);
    }

    painter.setFont(pdfFont(7));
    painter.setPen(FootBlue);
    painter.drawText(QRectF(area.left() + 4, area.bottom() - 14, area.width() - 8, 11),
                     Qt::AlignCenter, answerTimeFoot(chart.mean, chart.sd));
    painter.restore();
}

} // namespace ezr
