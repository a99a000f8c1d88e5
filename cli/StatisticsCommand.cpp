#include "StatisticsCommand.h"

#include "AnalysisError.h"
#include "ExamineeTable.h"
#include "GroupStatistics.h"
#include "MemberFilter.h"
#include "OutputGuard.h"
#include "ReportCommand.h"
#include "ResponseFile.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

namespace ezr {

namespace {

constexpr qint64 MaxCodesFileSize = qint64{16} * 1024 * 1024;

// The second group: from DIR2 or the same folder, chosen by --compare-where and
// --compare-codes (and nothing else of the first group's choice).
AnalysisState secondGroup(const ReportRequest& request, const GroupProgress& progress) {
    GroupChoice choice;
    choice.skipDamaged = request.choice.skipDamaged;
    if (request.compareWhere)
        choice.filter = *request.compareWhere;
    if (!request.compareCodesFile.isEmpty()) {
        QSet<QString> codes = parseCodes(readFileBytes(request.compareCodesFile, MaxCodesFileSize));
        if (codes.isEmpty())
            throw AnalysisError(QStringLiteral("В файле %1 нет ни одного кода")
                                    .arg(pathInMessage(request.compareCodesFile)));
        choice.filter.codes = std::move(codes);
    }
    const QString folder = request.compareGroup.isEmpty() ? request.input : request.compareGroup;
    return groupAnalysis(folder, request.kind, request.criterion, nullptr, progress,
                         GroupKeeps::TableRows, choice);
}

// A group in the title: its folder's name and how its members were chosen.
QString groupName(const AnalysisState& group) {
    const QString folder = QFileInfo(QDir::cleanPath(group.source)).fileName();
    return group.choiceDescription.isEmpty()
               ? folder
               : folder + QStringLiteral(", ") + group.choiceDescription;
}

} // namespace

StatisticsOutput makeStatistics(const ReportRequest& request, const GroupProgress& progress) {
    StatisticsOutput output;
    ReportRequest first = request;
    first.format = ReportFormat::Csv; // every member kept as a row
    output.group = analyse(first, progress);
    const QList<CellValues> members = memberCounts(output.group.members);
    if (!request.comparesGroups()) {
        // Against the norm's percentages, or against the group a norm was saved from.
        output.report = *groupStatisticsReport(output.group);
        return output;
    }
    const AnalysisState second = secondGroup(request, progress);
    output.report = statisticsReport(compareGroups(members, memberCounts(second.members)),
                                     groupName(output.group), groupName(second));
    return output;
}

QByteArray statisticsBytes(const ReportRequest& request, const StatisticsReport& report) {
    switch (request.format) {
    case ReportFormat::Xlsx:
        return buildXlsx({statisticsSheet(report)});
    case ReportFormat::Sav:
    case ReportFormat::Dta:
        return statisticsDataFile(report, request.format);
    default:
        return statisticsCsv(report);
    }
}

void writeStatistics(const ReportRequest& request, const StatisticsOutput& output,
                     QIODevice& standardOutput, QIODevice& standardError) {
    const QByteArray bytes = statisticsBytes(request, output.report);
    if (!request.outputPath.isEmpty()) {
        QString path = request.outputPath;
        if (QFileInfo(path).isDir())
            path =
                QDir(path).filePath(codeInFileName(output.group.header.code) +
                                    QStringLiteral(" Stat.Gr.") + formatExtension(request.format));
        writeOutput(path, output.group, bytes);
    } else {
        auto* file = qobject_cast<QFileDevice*>(&standardOutput);
        if (standardOutput.write(bytes) != bytes.size() || (file && !file->flush()))
            throw AnalysisError(QStringLiteral("Cannot write to standard output. %1")
                                    .arg(standardOutput.errorString()));
    }
    QString notes = output.report.title + QLatin1Char('\n');
    for (const QString& note : output.report.notes)
        notes += note + QLatin1Char('\n');
    standardError.write(notes.toLocal8Bit());
}

} // namespace ezr
