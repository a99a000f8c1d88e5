#include "ReportCommand.h"
#include "StatisticsCommand.h"

#include "Analysis.h"
#include "AnalysisError.h"
#include "AnalysisSummary.h"
#include "Anonymity.h"
#include "ArchiveSchema.h"
#include "ArchiveStore.h"
#include "ExamineeTable.h"
#include "Export.h"
#include "GroupTable.h"
#include "MemberFilter.h"
#include "NormFile.h"
#include "OutputGuard.h"
#include "PgConnection.h"
#include "Retest.h"
#include "TextReport.h"
#include "VerifiedWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QTemporaryFile>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace ezr {

GroupChoice groupChoiceOf(const ReportRequest& request);
Norm readNormFileAt(const QString& path);

namespace {

// A list of codes is a few kilobytes; anything far larger is not one.
constexpr qint64 MaxCodesFileSize = qint64{16} * 1024 * 1024;

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

// The bytes `produce` makes, gathered in a temporary file (never in memory) and then handed
// to `deliver` from it: for standard output, which gets a report whole or not at all, and for
// a file whose name waits on the run's count of members.
void gathered(const std::function<void(ByteSink&)>& produce,
              const std::function<void(const std::function<void(ByteSink&)>&)>& deliver) {
    QTemporaryFile file;
    if (!file.open())
        throw AnalysisError(
            QStringLiteral("Cannot create a temporary file. %1").arg(file.errorString()));
    DeviceSink toFile(file, QStringLiteral("a temporary file"));
    produce(toFile);
    toFile.flush();
    deliver([&](ByteSink& sink) {
        file.seek(0);
        QByteArray chunk;
        while (!(chunk = file.read(1 << 20)).isEmpty())
            sink.write(chunk);
        if (file.error() != QFileDevice::NoError)
            throw AnalysisError(
                QStringLiteral("Cannot read a temporary file. %1").arg(file.errorString()));
    });
}

void toStandardOutput(QIODevice& standardOutput,
                      const std::function<void(ByteSink&)>& gatheredBytes) {
    DeviceSink sink(standardOutput, QStringLiteral("standard output"));
    gatheredBytes(sink);
    sink.flush();
}

// The members a group request reads: the folder's response files, or the tests of the archive
// that the server chooses by the same filter (the run applies it again, to the same result).
GroupListing requestListing(const ReportRequest& request, const GroupChoice& choice) {
    if (!request.fromArchive)
        return listGroupFolder(request.input);
    const auto archive = std::make_shared<PgConnection>(request.archive);
    checkArchiveVersion(*archive);
    return archiveListing(archive, ArchiveSelection{choice.filter, request.archiveUnit},
                          request.input);
}

// A group's text report, each member written as it is read, so that nothing of the members
// is kept. The guard against writing over a member runs on the listing, before any byte is
// written.
void writeGroupReportStreamed(const ReportRequest& request, const GroupProgress& progress,
                              QIODevice& standardOutput) {
    GroupListing listing = requestListing(request, request.choice);
    // Refused before a byte is written, as a run that found no member.
    if (listing.size() == 0)
        throw AnalysisError(noMembersMessage(request.input));
    const AnalysisState listed = listedGroup(listing, request.kind, request.criterion);
    const auto run = [&](ByteSink& sink) {
        GroupTextReportWriter report(sink, listed, request.encoding == ReportEncoding::Utf8);
        const AnalysisState state = groupAnalysis(
            std::move(listing), request.kind, request.criterion, nullptr, progress,
            GroupKeeps::Names, {}, [&](const GroupMember& member) { report.member(member); });
        // A new analysis empties the comment.
        report.finish(ReportSnapshot{state, {}});
    };
    if (request.outputPath.isEmpty()) {
        gathered(run, [&](const auto& bytes) { toStandardOutput(standardOutput, bytes); });
        return;
    }
    const QString path = outputPathFor(request, listed);
    refuseOutputAmongInputs(path, listed);
    writeFileVerified(path, run);
}

// A norm file as it was before a run writes it, put back when the run's other output fails:
// `--save-norm` with an output means both or neither.
class NormFileBackup {
public:
    explicit NormFileBackup(const QString& path) : path_(path) {
        QFile old(path);
        existed_ = old.exists();
        if (existed_) {
            if (!old.open(QIODevice::ReadOnly))
                throw AnalysisError(QStringLiteral("Не удалось прочитать файл нормы %1. %2")
                                        .arg(pathInMessage(path), old.errorString()));
            bytes_ = old.readAll();
        }
    }
    void restore() const noexcept {
        try {
            if (existed_)
                writeFileVerified(path_, bytes_);
            else
                QFile::remove(path_);
        } catch (const AnalysisError&) {
            // The output's own failure is the one to tell.
        }
    }

private:
    QString path_;
    QByteArray bytes_;
    bool existed_ = false;
};

// A group's table of examinees, whole or chosen, written a member at a time through the one
// road of group tables. Returns the group's state.
AnalysisState writeGroupTableStreamed(const ReportRequest& request, const GroupProgress& progress,
                                      QIODevice& standardOutput) {
    // The saved norm is read first: a file that is not a norm should not cost a group run.
    const std::optional<Norm> norm =
        request.normFile.isEmpty() ? std::nullopt : std::optional(readNormFileAt(request.normFile));
    const GroupChoice choice = groupChoiceOf(request);
    const GroupListing listing = requestListing(request, choice);
    const AnalysisState listed = listedGroup(listing, request.kind, request.criterion);
    GroupTableRun table;
    table.format = request.format;
    table.norm = norm ? *norm : listed.comparison.norm;
    table.anonymous = request.anonymous;
    table.read = [&](const GroupMemberSink& eachMember) {
        AnalysisState state =
            groupAnalysis(GroupListing(listing), request.kind, request.criterion, nullptr, progress,
                          GroupKeeps::Names, choice, eachMember);
        return norm ? withNorm(std::move(state), *norm) : state;
    };
    AnalysisState state;
    const auto run = [&](ByteSink& sink) { state = writeGroupTable(table, sink); };
    // A norm to save is written when the table's bytes are made and before they are placed; a
    // failure of either leaves neither.
    std::optional<NormFileBackup> oldNorm;
    const auto saveNorm = [&] {
        if (request.saveNormPath.isEmpty())
            return;
        oldNorm.emplace(request.saveNormPath);
        writeOutput(request.saveNormPath, state, normFileBytes(groupNorm(request, state)));
    };
    try {
        // A chosen group's file is named by the count of members chosen, known at the end.
        const bool namedByCount = !request.outputPath.isEmpty() &&
                                  QFileInfo(request.outputPath).isDir() &&
                                  (!choice.choosesAll() || choice.skipDamaged);
        if (request.outputPath.isEmpty() || namedByCount) {
            gathered(run, [&](const auto& bytes) {
                saveNorm();
                if (namedByCount)
                    writeOutput(outputPathFor(request, state), state, bytes);
                else
                    toStandardOutput(standardOutput, bytes);
            });
            return state;
        }
        const QString path = outputPathFor(request, listed);
        refuseOutputAmongInputs(path, listed);
        writeFileVerified(path, [&](ByteSink& sink) {
            run(sink);
            saveNorm();
        });
    } catch (const AnalysisError&) {
        if (oldNorm)
            oldNorm->restore();
        throw;
    }
    return state;
}

// A group compared with a stored norm whose text report is written member by member; a
// chosen or anonymous group, one that skips damaged entries or saves or reads a norm of its
// own, is made whole first. Tables are written member by member always.
bool isStreamedReport(const ReportRequest& request) {
    return request.mode == ReportRequest::Mode::Group && request.format == ReportFormat::Txt &&
           request.choice.choosesAll() && !request.choice.skipDamaged &&
           !request.choice.excludeDoubtful && request.codesFile.isEmpty() && !request.anonymous &&
           request.normFile.isEmpty() && request.saveNormPath.isEmpty();
}

bool isStreamedTable(const ReportRequest& request) {
    return request.mode == ReportRequest::Mode::Group && isGroupTableFormat(request.format);
}

// The entries a run skipped, and the members it left out for doubtful answers (by code only
// when the outputs are anonymous, as in the report itself), for the terminal.
void listSkipped(const AnalysisState& state, bool anonymous, QIODevice& standardError) {
    if (!state.skipped.isEmpty()) {
        QString list = QStringLiteral("Пропущено файлов: %1\n").arg(state.skipped.size());
        for (const SkippedEntry& entry : state.skipped)
            list += entry.fileName + QStringLiteral(": ") + entry.reason + QLatin1Char('\n');
        writeMessage(standardError, terminalSafe(list));
    }
    if (excludedCount(state) > 0) {
        const QStringList excluded = excludedLines(anonymous ? anonymousAnalysis(state) : state);
        writeMessage(standardError,
                     terminalSafe(excluded.join(QLatin1Char('\n')) + QLatin1Char('\n')));
    }
}

// Codes of a --codes list that no entry of the folder has: named on the terminal (and in the
// report); an error unless --skip-missing allows them. Returns the exit status they give.
int reportMissingCodes(const ReportRequest& request, const AnalysisState& state,
                       QIODevice& standardError) {
    if (state.missingCodes.isEmpty())
        return 0;
    const QString list = QStringLiteral("не найдены коды из списка %1 (%2): %3\n")
                             .arg(pathInMessage(request.codesFile))
                             .arg(state.missingCodes.size())
                             .arg(state.missingCodes.join(QStringLiteral(", ")));
    writeMessage(standardError,
                 terminalSafe((request.skipMissing ? QStringLiteral("Предупреждение: ")
                                                   : QStringLiteral("Ошибка: ")) +
                              list));
    return request.skipMissing ? 0 : 1;
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

// The examinee's earlier test: the file named, or the most recent earlier test of the same
// code in the folder named.
AnalysisState earlierTest(const QString& path, const AnalysisState& later) {
    if (!QFileInfo(path).isDir())
        return individualAnalysis(path);
    const QString found = mostRecentEarlierTestIn(path, later);
    if (found.isEmpty())
        throw AnalysisError(QStringLiteral("В папке %1 нет более раннего обследования с кодом «%2»")
                                .arg(pathInMessage(path), later.header.code));
    return individualAnalysis(found);
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
        // The archive's tests are chosen by the server and read as the same files in a folder.
        const GroupChoice choice = groupChoiceOf(request);
        state = groupAnalysis(requestListing(request, choice), request.kind, request.criterion,
                              nullptr, progress, groupKeepsFor(request.format), choice);
    } else {
        // A freshly opened file is compared with the sex norm; another choice under
        // "Нормирование" compares it again.
        state = individualAnalysis(request.input);
        if (request.kind != NormKind::Sex)
            state = withNorm(std::move(state), request.kind);
        if (!request.retestFile.isEmpty()) {
            const AnalysisState earlier = earlierTest(request.retestFile, state);
            state = retestAnalysis(std::move(state), earlier);
        }
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

namespace {

// The group's norm and the report, both or neither: both are made before either is written,
// and when the report cannot be written the norm file is put back as it was.
void writeNormAndReport(const ReportRequest& request, const AnalysisState& state) {
    const QByteArray report = reportOf(request, state);
    if (request.saveNormPath.isEmpty()) {
        writeOutput(outputPathFor(request, state), state, report);
        return;
    }
    const QByteArray norm = normFileBytes(groupNorm(request, state));
    const NormFileBackup oldNorm(request.saveNormPath);
    writeOutput(request.saveNormPath, state, norm);
    try {
        writeOutput(outputPathFor(request, state), state, report);
    } catch (const AnalysisError&) {
        oldNorm.restore();
        throw;
    }
}

} // namespace

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
                     QStringLiteral("%1: %2\nПодробнее: %1 --help\n").arg(program, options.text));
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
        if (isStreamedReport(request)) {
            std::optional<TerminalProgress> progress;
            if (showProgress)
                progress.emplace(standardError);
            writeGroupReportStreamed(request, progress ? progress->callback() : GroupProgress(),
                                     standardOutput);
            return 0;
        }
        if (isStreamedTable(request)) {
            AnalysisState state;
            {
                std::optional<TerminalProgress> progress;
                if (showProgress)
                    progress.emplace(standardError);
                state = writeGroupTableStreamed(
                    request, progress ? progress->callback() : GroupProgress(), standardOutput);
            }
            listSkipped(state, request.anonymous, standardError);
            return reportMissingCodes(request, state, standardError);
        }
        AnalysisState state;
        {
            std::optional<TerminalProgress> progress;
            if (showProgress)
                progress.emplace(standardError);
            state = analyse(request, progress ? progress->callback() : GroupProgress());
        }
        listSkipped(state, request.anonymous, standardError);
        const int exitCode = reportMissingCodes(request, state, standardError);
        if (!request.outputPath.isEmpty()) {
            writeNormAndReport(request, state);
        } else {
            if (!request.saveNormPath.isEmpty())
                writeOutput(request.saveNormPath, state, normFileBytes(groupNorm(request, state)));
            const QByteArray report = reportOf(request, state);
            // A full disk or a closed pipe shows only when the bytes are flushed.
            auto* file = qobject_cast<QFileDevice*>(&standardOutput);
            if (standardOutput.write(report) != report.size() || (file && !file->flush()))
                throw AnalysisError(QStringLiteral("Cannot write to standard output. %1")
                                        .arg(standardOutput.errorString()));
        }
        return exitCode;
    } catch (const AnalysisError& error) {
        writeMessage(standardError, terminalSafe(errorBoxText(error)) + QLatin1Char('\n'));
        return 1;
    }
}

} // namespace ezr
