#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

// The charts of the printed report, painted as vectors from plain values, in the painter's
// units (points on a PDF page).
namespace ezr {

struct BarChartPicture {
    QString title;
    QString foot;                // "code. name"
    QString normFoot;            // "Норма: ..."; empty without norm markers
    QStringList seriesNames;     // a legend when there are several series
    QList<QList<double>> series; // six values each, side by side at the motives 1..6
    QList<QColor> colours;       // one per series
    QList<QList<double>> norm;   // a value beside each bar, or nothing
    int decimals = 0;            // of the value marks
    bool marks = true;           // value marks over the bars
};

// The series colours of the window's charts: red; red and lime; red, lime and yellow.
QList<QColor> profileColours(int profile);
// The names of the series of profile 2 (orientations) and 3 (stimuli); none for profile 1.
QStringList profileSeriesNames(int profile);

void paintBarChart(QPainter& painter, const QRectF& area, const BarChartPicture& chart);

struct AnswerTimePicture {
    QString title; // "code. name"
    QList<double> times;
    double mean = 0.0;
    double sd = 0.0;
};

// The answer times against the mean (blue, dashed) and the band of two standard deviations
// (black, dotted); a time strictly inside the band is green, on or beyond it red.
void paintAnswerTimeChart(QPainter& painter, const QRectF& area, const AnswerTimePicture& chart);

// The axis of a chart: from `low` to `high` widened to whole steps of a 1, 2 or 5 times ten
// to a power, about `ticks` of them.
struct NiceAxis {
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
};
NiceAxis niceAxis(double low, double high, int ticks = 5);

} // namespace ezr
