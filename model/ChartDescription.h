#pragma once

#include "AnalysisData.h"
#include "Domain.h"
#include "NormComparison.h"
#include "ProfileSeries.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a chart shows, as plain values: the window, the printed report and the chart pictures
// paint the same description, so they show the same chart.
namespace ezr {

// A value axis from `min` to `max`, labelled at the multiples of `step` with `decimals`
// digits.
struct ChartAxis {
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
    int decimals = 0;
};

// From `low` to `high` widened to whole steps of 1, 2 or 5 times ten to a power, about
// `ticks` of them; labels with as many decimals as the step needs.
ChartAxis niceAxis(double low, double high, int ticks = 5);
// The labelled values of an axis, lowest first.
QList<double> axisTicks(const ChartAxis& axis);

// One series of six bars, one per motive.
struct BarSeries {
    QString name; // the orientation or stimulus; empty for profile 1
    Rgb colour;
    QList<double> values;
    QStringList marks;  // the values as their value marks show them
    QList<double> norm; // the norm beside each bar, in the chart's units; empty: none
};

struct BarChartDescription {
    QString title;
    QString foot;      // "code. name"
    QString normFoot;  // "Норма: ...", added to the foot while the norm is shown
    QString axisTitle; // under the motive numbers
    QStringList categories;
    QList<BarSeries> series;
    ChartAxis valueAxis;
    bool marksVisible = false;
    bool normShown = false;
    bool legendShown = false; // the series names, when there are several

    // The one line under the chart.
    QString footLine() const;
};

// What a profile chart is drawn with besides the analysis numbers.
struct ProfileChartOptions {
    QString code;
    QString name;
    std::optional<Norm> norm; // none: no norm markers

    bool normShown = false;
    bool marksVisible = false;
    bool legendShown = false;
    // A chart that must read without the window (the printed report): the motives' names
    // under the bars instead of their numbers, and the value marks with this many decimals
    // (the tables' precision) instead of the window's; -1 keeps the window's.
    bool motiveNamesShown = false;
    int markDecimals = -1;
};

// The motives' names as a chart's axis shows them: short enough for a sixth of its width.
QStringList motiveAxisNames();

// The series colours: red; red and lime; red, lime and yellow.
QList<Rgb> profileColours(int profile);
// The series names of profile 2 (orientations) and 3 (stimuli); one empty name for profile 1.
QStringList profileSeriesNames(int profile);
// Profile 1 shows its value marks from the start; the others after a click.
inline bool marksShownAtStart(int profile) {
    return profile == 1;
}

// The chart of profile 1..3 as the form holds it before anything is drawn.
BarChartDescription blankProfileChart(int profile);
BarChartDescription profileChart(int profile, ProfileValues values, const Profiles& raw,
                                 const Profiles& chi, const ProfileChartOptions& options);
// Shows or hides the norm markers; the value axis makes room for them.
void showNorm(BarChartDescription& chart, bool shown);

enum class LineStyle { Solid, Dashed, Dotted };

// A horizontal line across all statements: the mean or a bound of the band.
struct LevelLine {
    QString name;
    double value = 0.0;
    Rgb colour;
    LineStyle style = LineStyle::Solid;
};

struct TimeChartDescription {
    QString title;
    QString foot;
    QString valueAxisTitle;
    QList<double> times; // statement 1..108
    QList<Rgb> pointColours;
    Rgb lineColour;
    QList<LevelLine> levels; // drawn under the answer times
    ChartAxis valueAxis;
    ChartAxis statementAxis;
};

inline constexpr Rgb InsideBandRgb = GreenRgb;
inline constexpr Rgb OutsideBandRgb{255, 0, 0};

// The answer-time chart before the first drawing.
TimeChartDescription blankAnswerTimeChart();
// The answer times against the mean and the band of two standard deviations; the title is
// "code. name".
TimeChartDescription answerTimeChart(const AnalysisRecord& data, const QString& code,
                                     const QString& name);

} // namespace ezr
