#include "Export.h"

#include "AnalysisError.h"
#include "Anonymity.h"
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

QString groupSizeRefusal(const AnalysisState& state, int minimum) {
    const qsizetype members = state.roster.lines.size();
    if (state.kind != AnalysisKind::Group || members >= minimum)
        return {};
    return QStringLiteral("В группе %1 обследуемых, меньше наименьшего допустимого числа %2: "
                          "по такой группе результаты отдельных людей можно узнать, поэтому "
                          "групповые результаты не сохраняются")
        .arg(members)
        .arg(minimum);
}

QByteArray buildReport(ReportFormat format, const ReportSnapshot& original,
                       ReportEncoding encoding) {
    if (original.minimumGroupSize) {
        const QString refusal = groupSizeRefusal(original.analysis, *original.minimumGroupSize);
        if (!refusal.isEmpty())
            throw AnalysisError(refusal);
    }
    ReportSnapshot anonymous;
    if (original.anonymous) {
        anonymous = original;
        anonymous.analysis = anonymousAnalysis(original.analysis);
    }
    const ReportSnapshot& snapshot = original.anonymous ? anonymous : original;
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
    QByteArray report = buildTextReport(snapshot);
    if (encoding == ReportEncoding::Utf8)
        return decodeWindows1251(report).toUtf8();
    return report;
}

} // namespace ezr
