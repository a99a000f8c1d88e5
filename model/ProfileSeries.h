#pragma once

#include "Profiles.h"

#include <QList>
#include <QString>

// The values a profile chart shows, as plain numbers: the window's charts and the PDF report
// draw from the same series.
namespace ezr {

enum class ProfileValues { Raw, Percent, Chi };

// The title of the chart of profile 1..3 with the given values.
QString profileChartTitle(int profile, ProfileValues values);

// One series of six motives per orientation (profile 2) or stimulus (profile 3); profile 1
// is one series. Percentages are computed from the unrounded raw scores.
QList<QList<double>> profileSeries(int profile, ProfileValues values, const Profiles& raw,
                                   const Profiles& chi);

// The chosen norm row beside each bar, in the chart's units: the norm percentage on a
// percentage chart, the expected count (percentage x 1.08) on a raw-score chart. A cell
// chi-square has no norm value of its own (it measures the distance from the norm), so the
// chi-square charts get none: an empty list.
QList<QList<double>> normSeries(int profile, ProfileValues values, const Profiles& percent);

// The line that names the norm under a chart: "Норма: " and the norm group ("мужчины").
QString normFootText(const QString& normName);

// Decimals of the value marks: whole raw scores, one decimal otherwise.
inline int markDecimals(ProfileValues values) {
    return values == ProfileValues::Raw ? 0 : 1;
}

} // namespace ezr
