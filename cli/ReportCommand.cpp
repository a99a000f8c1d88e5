#include "ReportCommand.h"

#include "Analysis.h"
#include "AnalysisError.h"
#include "ResponseFile.h"
#include "TextReport.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <algorithm>

namespace ezr {

namespace {

void writeMessage(QIODevice& device, const QString& text) {
    device.write(text.toLocal8Bit());
}

} // namespace

QByteArray makeReport(const ReportRequest& request, const GroupProgress& progress) {
    AnalysisState state;
    if (request.mode == ReportRequest::Mode::Group) {
        state = GroupAnalysis(request.input, request.kind, request.criterion, AnalysisState{},
                              nullptr, progress);
    } else {
        state = IndividualAnalysis(request.input, AnalysisState{});
        // A freshly opened file is compared with the sex norm; another choice under
        // "Нормирование" compares it again.
        if (request.kind != NormKind::Sex)
            CompareWithNorms(request.kind, state.sheet, state.data);
    }
    // A new analysis empties the comment.
    const QByteArray report = buildTextReport(ReportSnapshot{state.sheet, {}});
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
        // One line on the terminal, rewritten in place, then left for the messages below.
        bool progressShown = false;
        GroupProgress progress;
        if (showProgress) {
            progress = [&](int read, int total) {
                // A few hundred updates, however large the group.
                const int step = std::max(1, total / 500);
                if (read != 0 && read != total && read % step != 0)
                    return true;
                writeMessage(standardError, QStringLiteral("\r%1: %2 / %3")
                                                .arg(QCoreApplication::applicationName())
                                                .arg(read)
                                                .arg(total));
                progressShown = true;
                return true;
            };
        }
        const auto endProgressLine = [&] {
            if (progressShown)
                writeMessage(standardError, QStringLiteral("\n"));
            progressShown = false;
        };
        QByteArray report;
        try {
            report = makeReport(request, progress);
        } catch (const AnalysisError&) {
            endProgressLine();
            throw;
        }
        endProgressLine();
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
        writeMessage(standardError, errorBoxText(error.message()) + QLatin1Char('\n'));
        return 1;
    }
    return 0;
}

} // namespace ezr
