#include "ReportCommand.h"

#include "Analysis.h"
#include "AnalysisError.h"
#include "ExamineeTable.h"
#include "PdfReport.h"
#include "ResponseFile.h"
#include "StatisticsFile.h"
#include "TextReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <optional>

#include <sys/stat.h>

namespace ezr {

namespace {

void writeMessage(QIODevice& device, const QString& text) {
    device.write(text.toLocal8Bit());
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

// The report must never take the place of what it is made from: the examinee's file, a
// member of the group folder, or a new file in that folder, which would join the next group
// run. Files are compared by device and inode, so links and other spellings are caught.
void refuseOutputAmongInputs(const ReportRequest& request) {
    const QString output = request.outputPath;
    const auto refuse = [&output](const QString& reason) {
        throw AnalysisError(QStringLiteral("Refusing to write the report to \"%1\": %2")
                                .arg(QDir::toNativeSeparators(output), reason));
    };
    const std::optional<FileIdentity> target = identityOf(output);
    if (request.mode == ReportRequest::Mode::Individual) {
        if (target && target == identityOf(request.input))
            refuse(QStringLiteral("it is the response file being analysed"));
        return;
    }
    const std::optional<FileIdentity> folder = identityOf(request.input);
    if (folder && folder == identityOf(QFileInfo(output).absolutePath()))
        refuse(QStringLiteral("it lies in the group folder and would become one of its members"));
    if (!target)
        return;
    QDirIterator entries(request.input,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext())
        if (identityOf(entries.next()) == target)
            refuse(QStringLiteral("it is a member of the group folder"));
}

// A group run's count of members read: one line on the terminal, rewritten in place, and
// ended before any message that follows.
class TerminalProgress {
public:
    explicit TerminalProgress(QIODevice& terminal) : terminal_(terminal) {}
    ~TerminalProgress() {
        if (shown_)
            writeMessage(terminal_, QStringLiteral("\n"));
    }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    GroupProgress callback() {
        return [this](int read, int total) {
            writeMessage(terminal_, QStringLiteral("\r%1: %2 / %3")
                                        .arg(QCoreApplication::applicationName())
                                        .arg(read)
                                        .arg(total));
            shown_ = true;
            return true;
        };
    }

private:
    QIODevice& terminal_;
    bool shown_ = false;
};

} // namespace

AnalysisState analyse(const ReportRequest& request, const GroupProgress& progress) {
    AnalysisState state;
    if (request.mode == ReportRequest::Mode::Group) {
        state = GroupAnalysis(request.input, request.kind, request.criterion, AnalysisState{},
                              nullptr, progress);
    } else {
        state = IndividualAnalysis(request.input, AnalysisState{});
        // A freshly opened file is compared with the sex norm; another choice under
        // "Нормирование" compares it again.
        if (request.kind != NormKind::Sex)
            compareSheetWithNorm(request.kind, state.sheet, state.data);
    }
    return state;
}

QByteArray makeReport(const ReportRequest& request, const GroupProgress& progress) {
    const AnalysisState state = analyse(request, progress);
    // A new analysis empties the comment.
    const ReportSnapshot snapshot{state.sheet, {}};
    switch (request.format) {
    case ReportFormat::Pdf:
        return buildPdfReport(snapshot, state.data);
    case ReportFormat::Xlsx:
        return buildExamineeXlsx(state);
    case ReportFormat::Csv:
        return buildRegionalCsv(examineeTable(state));
    case ReportFormat::Sav:
        return buildStatisticsFile(state, StatisticsFormat::Spss);
    case ReportFormat::Dta:
        return buildStatisticsFile(state, StatisticsFormat::Stata);
    case ReportFormat::Txt:
        break;
    }
    const QByteArray report = buildTextReport(snapshot);
    if (request.encoding == ReportEncoding::Utf8)
        return decodeWindows1251(report).toUtf8();
    return report;
}

int runReportCommand(const QStringList& arguments, QIODevice& standardOutput,
                     QIODevice& standardError, bool showProgress) {
    const ReportOptions options = parseReportOptions(arguments);
    switch (options.status) {
    case ReportOptions::Status::Help:
    case ReportOptions::Status::Version:
        standardOutput.write(options.text.toLocal8Bit());
        return 0;
    case ReportOptions::Status::UsageError: {
        const QString program = QCoreApplication::applicationName();
        writeMessage(standardError,
                     QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                         .arg(program, options.text));
        return 2;
    }
    case ReportOptions::Status::Run:
        break;
    }

    const ReportRequest& request = options.request;
    try {
        if (!request.outputPath.isEmpty())
            refuseOutputAmongInputs(request);
        QByteArray report;
        {
            std::optional<TerminalProgress> progress;
            if (showProgress)
                progress.emplace(standardError);
            report = makeReport(request, progress ? progress->callback() : GroupProgress());
        }
        if (!request.outputPath.isEmpty()) {
            writeFileVerified(request.outputPath, report);
        } else {
            // A full disk or a closed pipe shows only when the bytes are flushed.
            auto* file = qobject_cast<QFileDevice*>(&standardOutput);
            if (standardOutput.write(report) != report.size() || (file && !file->flush()))
                throw AnalysisError(QStringLiteral("Cannot write to standard output. %1")
                                        .arg(standardOutput.errorString()));
        }
    } catch (const AnalysisError& error) {
        writeMessage(standardError, errorBoxText(error) + QLatin1Char('\n'));
        return 1;
    }
    return 0;
}

} // namespace ezr
