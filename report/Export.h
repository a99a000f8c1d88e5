#pragma once

#include "TextReport.h"

#include <QByteArray>
#include <QString>

// The formats an analysis leaves the program in, made the same way from the window and from
// ezr-report.
namespace ezr {

// The text report, the printed report, the examinee table as a workbook or as CSV.
enum class ReportFormat { Txt, Pdf, Xlsx, Csv };
// The text report's encoding; the other formats have their own.
enum class ReportEncoding { Windows1251, Utf8 };

// "txt", "pdf", "xlsx", "csv".
QString formatExtension(ReportFormat format);

// The proposed name (no directory): the code followed by " Mel.Sb." for an examinee or
// " Mel.Gr." for a group, and the format's extension.
QString proposedReportName(const AnalysisState& state, ReportFormat format);

// The bytes of the report in `format`. Throws AnalysisError when a workbook cannot be made.
QByteArray buildReport(ReportFormat format, const ReportSnapshot& snapshot,
                       ReportEncoding encoding = ReportEncoding::Windows1251);

} // namespace ezr
