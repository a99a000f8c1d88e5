#pragma once

#include "AnalysisData.h"
#include "Regional.h"

#include <QString>

// The band of two standard deviations around the mean answer time: the answer-time chart of
// the window and the one of the PDF report mark the same answers.
namespace ezr {

struct TimeBand {
    double lower = 0.0;
    double upper = 0.0;
};

inline TimeBand timeBand(double mean, double sd) {
    return {mean - 2.0 * sd, mean + 2.0 * sd};
}

// Strictly inside on both sides: a time on a bound is beyond it.
inline bool withinTimeBand(double time, const TimeBand& band) {
    return band.lower < time && time < band.upper;
}

inline QString answerTimeFoot(double mean, double sd) {
    return QStringLiteral("Номер утверждения.  Mean=%1  SD=%2 (T<=1-2 сек - Случайное нажатие?)")
        .arg(formatFixed(mean, 5, 2), formatFixed(sd, 5, 2));
}

} // namespace ezr
