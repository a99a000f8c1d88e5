#pragma once

#include "StatisticsFile.h"

#include <QByteArray>
#include <QString>

// What the statistics file's writer (StatisticsFile.cpp) and its read-back
// (StatisticsReadBack.cpp) share.
namespace ezr {

// Throws the AnalysisError of a file of `format` that could not be made, for `reason`.
[[noreturn]] void failStatisticsFile(StatisticsFormat format, const QString& reason);

// The file at `path` as ReadStat's own reader reads it; fails when it does not read.
StatisticsFileSummary parseStatisticsFile(StatisticsFormat format, const QByteArray& path);

} // namespace ezr
