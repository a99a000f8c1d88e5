#pragma once

#include "Analysis.h"
#include "ReportOptions.h"
#include "StatisticsTable.h"

#include <QByteArray>
#include <QIODevice>

// ezr-report --statistics: the group's cells against its norm or against a second group, as
// a table of statistics instead of a report.
namespace ezr {

struct StatisticsOutput {
    AnalysisState group; // the first group as analysed, for the output's guard and name
    StatisticsReport report;
};

// Runs the group (and the second group) of the request. Throws AnalysisError.
StatisticsOutput makeStatistics(const ReportRequest& request, const GroupProgress& progress = {});

// The table in the request's format.
QByteArray statisticsBytes(const ReportRequest& request, const StatisticsReport& report);

// The table to -o or standard output, its notes to `standardError`.
void writeStatistics(const ReportRequest& request, const StatisticsOutput& output,
                     QIODevice& standardOutput, QIODevice& standardError);

} // namespace ezr
