#include "Export.h"

#include "ExamineeTable.h"
#include "PdfReport.h"
#include "ResponseFile.h"
#include "StatisticsFile.h"
#include "VerifiedWrite.h"

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
    case ReportFormat::Csv: {
        ByteArraySink sink;
        writeExamineeTable(format, snapshot.analysis, sink);
        return std::move(sink.bytes());
    }
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

void writeReport(ReportFormat format, const ReportSnapshot& snapshot, ByteSink& sink,
                 ReportEncoding encoding) {
    if (format == ReportFormat::Xlsx || format == ReportFormat::Csv)
        writeExamineeTable(format, snapshot.analysis, sink);
    else
        sink.write(buildReport(format, snapshot, encoding));
}

} // namespace ezr
