#pragma once

#include "Analysis.h"
#include "ReportOptions.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringList>

namespace ezr {

// The analysis the window shows after the same commands; a group run tells `progress` how
// many of its members have been read.
AnalysisState analyse(const ReportRequest& request, const GroupProgress& progress = {});

// The report that the window writes for the request: the text report in the requested
// encoding, or the printed report or examinee table of the requested format.
// Throws AnalysisError when the analysis or the report fails.
QByteArray makeReport(const ReportRequest& request, const GroupProgress& progress = {});

// The members --where, --codes and --skip-damaged choose; reads the file of codes.
GroupChoice groupChoiceOf(const ReportRequest& request);
// The saved norm at `path`.
Norm readNormFileAt(const QString& path);

// The norm --save-norm writes for a group analysis made for the request.
Norm groupNorm(const ReportRequest& request, const AnalysisState& state);

// The report of an analysis already made, as makeReport gives it.
QByteArray reportOf(const ReportRequest& request, const AnalysisState& state);

// Where the report goes: the -o path, or the name proposed for the analysis inside the
// folder -o names.
QString outputPathFor(const ReportRequest& request, const AnalysisState& state);

// The whole command: parses `arguments`, makes the report and writes it to `standardOutput`
// or to the -o file; messages go to `standardError`. Returns the exit code: 0 done,
// 1 the analysis or the writing failed, 2 wrong usage. With `showProgress` (standard error
// is a terminal) a group run counts its members read on standard error.
int runReportCommand(const QStringList& arguments, QIODevice& standardOutput,
                     QIODevice& standardError, bool showProgress = false);

} // namespace ezr
