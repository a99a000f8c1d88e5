#include "Export.h"

#include "ExamineeTable.h"
#include "PdfReport.h"
#include "ResponseFile.h"

namespace ezr {

QString formatExtension(ReportFormat format) {
    switch (format) {
    case ReportFormat::Txt:
        return QStringLiteral("txt");
    case ReportFormat::Pdf:
        return QStringLiteral("pdf");
    case ReportFormat::Xlsx:
        return QStringLiteral("xlsx");
    case ReportFormat::Csv:
        return QStringLiteral("csv");
    }
    return QString();
}

QString proposedReportName(const AnalysisState& state, ReportFormat format) {
    const QString kind =
        state.kind == AnalysisKind::Group ? QStringLiteral(" Mel.Gr.") : QStringLiteral(" Mel.Sb.");
    return state.header.code + kind + formatExtension(format);
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
    case ReportFormat::Txt:
        break;
    }
    const QByteArray report = buildTextReport(snapshot);
    if (encoding == ReportEncoding::Utf8)
        return decodeWindows1251(report).toUtf8();
    return report;
}

} // namespace ezr
