#pragma once

#include "OutputNames.h"
#include "TextReport.h"

#include <QByteArray>
#include <QString>

// The formats an analysis leaves the program in, made the same way from the window and from
// ezr-report.
namespace ezr {

// The text report's encoding; the other formats have their own.
enum class ReportEncoding { Windows1251, Utf8 };

// The proposed name (no directory) of the analysis in `format` (proposedFileName).
QString proposedReportName(const AnalysisState& state, ReportFormat format);

// What a group run must keep of each member for `format`: only the tables of examinees
// need the members' rows.
GroupKeeps groupKeepsFor(ReportFormat format);

// Why a group output for `state` is refused under a minimum group size, in words for the
// user; empty when it is allowed (an examinee alone, or a group of at least `minimum`).
QString groupSizeRefusal(const AnalysisState& state, int minimum);

// The bytes of the report in `format`. Throws AnalysisError when a workbook cannot be made
// or the snapshot's minimum group size refuses the group.
QByteArray buildReport(ReportFormat format, const ReportSnapshot& snapshot,
                       ReportEncoding encoding = ReportEncoding::Windows1251);

} // namespace ezr
