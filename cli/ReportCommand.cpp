#include "ReportCommand.h"
#include "StatisticsCommand.h"

#include "Analysis.h"
#include "AnalysisError.h"
#include "ExamineeTable.h"
#include "Export.h"
#include "MemberFilter.h"
#include "NormFile.h"
#include "OutputGuard.h"
#include "TextReport.h"
#include "VerifiedWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QTemporaryFile>

#include <limits>
#include <memory>
#include <optional>

namespace ezr {

namespace {

// A list of codes is a few kilobytes; anything far larger is not one.
constexpr qint64 MaxCodesFileSize = 16 * 1024 * 1024;

void writeMessage(QIODevice& device, const QString& text) {
    device.write(text.toLocal8Bit());
}

// An error message as the terminal gets it: whatever a path or a file put into it, no control
// character but the line breaks reaches the terminal.
QString terminalSafe(const QString& message) {
    QString safe;
    for (const QString& line : message.split(QLatin1Char('\n')))
        safe += (safe.isEmpty() ? QString() : QStringLiteral("\n")) +
                quotedInMessage(line, std::numeric_limits<qsizetype>::max());
    return safe;
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

// Standard output (or a file on the way to it) as the report's destination; a full disk or a
// closed pipe shows only when the bytes are flushed.
class DeviceSink final : public ByteSink {
public:
    DeviceSink(QIODevice& device, const QString& what) : device_(device), what_(what) {}
    void write(QByteArrayView bytes) override {
        if (device_.write(bytes.data(), bytes.size()) != bytes.size())
            fail();
    }
    void flush() {
        auto* file = qobject_cast<QFileDevice*>(&device_);
        if (file && !file->flush())
            fail();
    }

private:
    [[noreturn]] void fail() {
        throw AnalysisError(
            QStringLiteral("Cannot write to %1. %2").arg(what_, device_.errorString()));
    }
    QIODevice& device_;
    QString what_;
};

// A group's text report or table of examinees: each member is written as it is read, so
// that nothing of the members is kept. The guard against writing over a member runs on the
// listing, before any byte is written.
void writeGroupStreamed(const ReportRequest& request, const GroupProgress& progress,
                        QIODevice& standardOutput) {
    GroupListing listing = listGroupFolder(request.input);
    // Refused before a byte is written, as a run that found no member.
    if (listing.size() == 0)
        throw AnalysisError(noMembersMessage(request.input));
    const AnalysisState listed = listedGroup(listing, request.kind, request.criterion);
    const auto run = [&](ByteSink& sink) {
        if (request.format == ReportFormat::Txt) {
            GroupTextReportWriter report(sink, listed, request.encoding == ReportEncoding::Utf8);
            const AnalysisState state = groupAnalysis(
                std::move(listing), request.kind, request.criterion, nullptr, progress,
                GroupKeeps::Names, {}, [&](const GroupMember& member) { report.member(member); });
            // A new analysis empties the comment.
            report.finish(ReportSnapshot{state, {}});
            return;
        }
        const std::unique_ptr<ExamineeTableWriter> table =
            examineeTableWriter(request.format, sink, listed.comparison.norm);
        const AnalysisState state =
            groupAnalysis(std::move(listing), request.kind, request.criterion, nullptr, progress,
                          GroupKeeps::Names, {},
                          [&](const GroupMember& member) { addGroupMember(*table, member); });
        table->finish(state);
    };
    if (request.outputPath.isEmpty()) {
        // Standard output gets the report whole or nothing at all, as when it is made in
        // memory: it is gathered in a temporary file first, never in memory.
        QTemporaryFile gathered;
        if (!gathered.open())
            throw AnalysisError(
                QStringLiteral("Cannot create a temporary file. %1").arg(gathered.errorString()));
        DeviceSink toFile(gathered, QStringLiteral("a temporary file"));
        run(toFile);
        toFile.flush();
        gathered.seek(0);
        DeviceSink sink(standardOutput, QStringLiteral("standard output"));
        QByteArray chunk;
        while (!(chunk = gathered.read(1 << 20)).isEmpty())
            sink.write(chunk);
        sink.flush();
        return;
    }
    const QString path = outputPathFor(request, listed);
    refuseOutputAmongInputs(path, listed);
    writeFileVerified(path, run);
}

// A group of the whole folder, compared with a stored norm, whose text report or table is
// written member by member. A chosen or anonymous group, one that skips damaged entries or
// saves or reads a norm of its own, is made whole first.
bool isStreamed(const ReportRequest& request) {
    const ReportFormat format = request.format;
    return request.mode == ReportRequest::Mode::Group &&
           (format == ReportFormat::Txt || format == ReportFormat::Csv ||
            format == ReportFormat::Xlsx) &&
           request.choice.choosesAll() && !request.choice.skipDamaged &&
           request.codesFile.isEmpty() && !request.anonymous && request.normFile.isEmpty() &&
           request.saveNormPath.isEmpty();
}

} // namespace

QString outputPathFor(const ReportRequest& request, const AnalysisState& state) {
    const QString& path = request.outputPath;
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return path;
    return QDir(path).filePath(proposedReportName(state, request.format));
}

GroupChoice groupChoiceOf(const ReportRequest& request) {
    GroupChoice choice = request.choice;
    if (!request.codesFile.isEmpty()) {
        QSet<QString> codes = parseCodes(readFileBytes(request.codesFile, MaxCodesFileSize));
        if (codes.isEmpty())
            throw AnalysisError(QStringLiteral("В файле %1 нет ни одного кода")
                                    .arg(pathInMessage(request.codesFile)));
        choice.filter.codes = std::move(codes);
    }
    return choice;
}

// The earlier test of the examinee `later` is of, as the norm the retest is compared with.
Norm retestNorm(const QString& path, const AnalysisState& later) {
    const AnalysisState earlier = individualAnalysis(path);
    if (earlier.header.code.trimmed() != later.header.code.trimmed())
        throw AnalysisError(
            QStringLiteral("Файлы %1 и %2 относятся к разным обследуемым: код «%3» и код «%4»")
                .arg(pathInMessage(later.source), pathInMessage(path), later.header.code,
                     earlier.header.code));
    return normFromExaminee(earlier);
}

Norm readNormFileAt(const QString& path) {
    return readNormFile(readFileBytes(path, MaxNormFileSize), path);
}

AnalysisState analyse(const ReportRequest& request, const GroupProgress& progress) {
    // The saved norm is read first: a file that is not a norm should not cost a group run.
    const std::optional<Norm> norm =
        request.normFile.isEmpty() ? std::nullopt : std::optional(readNormFileAt(request.normFile));
    AnalysisState state;
    if (request.mode == ReportRequest::Mode::Group) {
        state = groupAnalysis(request.input, request.kind, request.criterion, nullptr, progress,
                              groupKeepsFor(request.format), groupChoiceOf(request));
    } else {
        // A freshly opened file is compared with the sex norm; another choice under
        // "Нормирование" compares it again.
        state = individualAnalysis(request.input);
        if (request.kind != NormKind::Sex)
            state = withNorm(std::move(state), request.kind);
        if (!request.retestFile.isEmpty())
            state = withNorm(std::move(state), retestNorm(request.retestFile, state));
    }
    if (norm)
        state = withNorm(std::move(state), *norm);
    return state;
}

Norm groupNorm(const ReportRequest& request, const AnalysisState& state) {
    QString description = request.normDescription;
    if (description.isEmpty())
        description =
            state.choiceDescription.isEmpty()
                ? QStringLiteral("все файлы директории %1").arg(QFileInfo(request.input).fileName())
                : state.choiceDescription;
    return normFromGroup(state, request.normName, description);
}

QByteArray makeReport(const ReportRequest& request, const GroupProgress& progress) {
    return reportOf(request, analyse(request, progress));
}

QByteArray reportOf(const ReportRequest& request, const AnalysisState& state) {
    // A new analysis empties the comment.
    ReportSnapshot snapshot{state, {}};
    snapshot.anonymous = request.anonymous;
    return buildReport(request.format, snapshot, request.encoding);
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
        if (request.statistics) {
            std::optional<TerminalProgress> progress;
            if (showProgress)
                progress.emplace(standardError);
            const StatisticsOutput output =
                makeStatistics(request, progress ? progress->callback() : GroupProgress());
            progress.reset();
            writeStatistics(request, output, standardOutput, standardError);
            return 0;
        }
        if (isStreamed(request)) {
            std::optional<TerminalProgress> progress;
            if (showProgress)
                progress.emplace(standardError);
            writeGroupStreamed(request, progress ? progress->callback() : GroupProgress(),
                               standardOutput);
            return 0;
        }
        AnalysisState state;
        {
            std::optional<TerminalProgress> progress;
            if (showProgress)
                progress.emplace(standardError);
            state = analyse(request, progress ? progress->callback() : GroupProgress());
        }
        if (!state.skipped.isEmpty()) {
            QString list = QStringLiteral("Пропущено файлов: %1\n").arg(state.skipped.size());
            for (const SkippedEntry& entry : state.skipped)
                list += entry.fileName + QStringLiteral(": ") + entry.reason + QLatin1Char('\n');
            writeMessage(standardError, terminalSafe(list));
        }
        if (!request.saveNormPath.isEmpty())
            writeOutput(request.saveNormPath, state, normFileBytes(groupNorm(request, state)));
        if (!request.outputPath.isEmpty()) {
            writeOutput(outputPathFor(request, state), state, reportOf(request, state));
        } else {
            const QByteArray report = reportOf(request, state);
            // A full disk or a closed pipe shows only when the bytes are flushed.
            auto* file = qobject_cast<QFileDevice*>(&standardOutput);
            if (standardOutput.write(report) != report.size() || (file && !file->flush()))
                throw AnalysisError(QStringLiteral("Cannot write to standard output. %1")
                                        .arg(standardOutput.errorString()));
        }
    } catch (const AnalysisError& error) {
        writeMessage(standardError, terminalSafe(errorBoxText(error)) + QLatin1Char('\n'));
        return 1;
    }
    return 0;
}

} // namespace ezr
