#pragma once

#include "OutputNames.h"
#include "TextReport.h"

#include <QByteArray>
#include <QString>

namespace ezr {
class ByteSink;
}

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

// The bytes of the report in `format`. Throws AnalysisError when a workbook cannot be made.
QByteArray buildReport(ReportFormat format, const ReportSnapshot& snapshot,
                       ReportEncoding encoding = ReportEncoding::Windows1251);

// The same into `sink`, the tables a row at a time.
void writeReport(ReportFormat format, const ReportSnapshot& snapshot, ByteSink& sink,
                 ReportEncoding encoding = ReportEncoding::Windows1251);

} // namespace ezr
