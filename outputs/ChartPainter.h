#pragma once

#include "ChartDescription.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>

class QPainter;

// The one painter of the charts: the window's chart widgets, the printed report and the chart
// pictures all paint a chart description with it. Lengths are in the painter's units (pixels
// in the window); texts are 11 units high, the title of a bar chart 12, in the given face.
namespace ezr {

inline QColor colourOf(Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// Where the parts of a bar chart lie in its rectangle.
class BarChartLayout {
public:
    BarChartLayout(const QRectF& area, const BarChartDescription& chart, const QFont& face);

    QRectF area() const { return area_; }
    QRectF plot() const { return plot_; } // enclosed by the axes
    double yOf(double value) const;
    // The bar of `series` over motive `index` (0..5), from the axis up to its value.
    QRectF bar(int series, int index, double value) const;
    // The middle of that bar at the height of `value`.
    QPointF barPoint(int series, int index, double value) const;
    // The black bar across the bar of `series` over motive `index` at the height `norm`.
    QRectF normMarker(int series, int index, double norm) const;
    // The box of a value mark, or an empty rectangle when the chart shows no marks: above its
    // bar on a stem, lifted clear of every norm marker, of the other bars and of the marks
    // placed before it, so that no mark is struck through or hidden.
    QRectF markBox(int series, int index) const;

private:
    void placePlot(double extraTop);
    void placeMarks(const BarChartDescription& chart, const QFont& text);

    QRectF area_;
    QRectF plot_;
    ChartAxis axis_;
    int seriesCount_ = 1;
    double top_ = 0.0;    // of the plot before any room for lifted marks
    double bottom_ = 0.0; // of the plot
    double left_ = 0.0;
    QList<QList<QRectF>> markBoxes_;
};

// What a chart on paper needs beyond the window's look; the defaults are the window's.
struct BarChartStyle {
    // Each norm marker in a white rim, so that it shows on a dark bar in grey print.
    bool outlinedNorm = false;
};

void paintBarChart(QPainter& painter, const QRectF& area, const BarChartDescription& chart,
                   const QFont& face, const BarChartStyle& style = {});

// Where the parts of the answer-time chart lie in its rectangle.
class TimeChartLayout {
public:
    TimeChartLayout(const QRectF& area, const TimeChartDescription& chart, const QFont& face);

    QRectF area() const { return area_; }
    QRectF plot() const { return plot_; }
    QPointF position(double statement, double value) const;

private:
    QRectF area_;
    QRectF plot_;
    ChartAxis statementAxis_;
    ChartAxis valueAxis_;
};

void paintAnswerTimeChart(QPainter& painter, const QRectF& area, const TimeChartDescription& chart,
                          const QFont& face);

} // namespace ezr
