#include "Export.h"

#include "ExamineeTable.h"
#include "PdfReport.h"
#include "StatisticsFile.h"
#include "ResponseFile.h"

namespace ezr {

QString proposedReportName(const AnalysisState& state, ReportFormat format) {
    return proposedFileName(format, state.header.code, state.kind != AnalysisKind::Group);
}

GroupKeeps groupKeepsFor(ReportFormat format) {
    switch (format) {
    case ReportFormat::Txt:
    case ReportFormat::Pdf:
        return GroupKeeps::Roster;
    case ReportFormat::Xlsx:
    case ReportFormat::Csv:
    case ReportFormat::Sav:
    case ReportFormat::Dta:
        break;
    }
    return GroupKeeps::TableRows;
}

QByteArray buildReport(ReportFormat format, const ReportSnapshot& snapshot,
                       ReportEncoding encoding) {
    switch (format) {
    case ReportFormat::Pdf:
        return buildPdfReport(snapshot);
    case ReportFormat::Xlsx:
        return buildExamineeXlsx(snapshot.analysis);
    case ReportFormat::Csv:
        return buildRegionalCsv(examineeTable(snapshot.analysis));
    case ReportFormat::Sav:
        return buildStatisticsFile(snapshot.analysis, StatisticsFormat::Spss);
    case ReportFormat::Dta:
        return buildStatisticsFile(snapshot.analysis, StatisticsFormat::Stata);
    case ReportFormat::Txt:
        break;
    }
    const QByteArray report = buildTextReport(snapshot);
    if (encoding == ReportEncoding::Utf8)
        return decodeWindows1251(report).toUtf8();
    return report;
}

} // namespace ezr
