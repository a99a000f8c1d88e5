#pragma once

#include "ReportOptions.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringList>

namespace ezr {

// The report that the window writes for the request, in the requested encoding.
// Throws AnalysisError when the analysis or the report fails.
QByteArray makeReport(const ReportRequest& request);

// The whole command: parses `arguments`, makes the report and writes it to `standardOutput`
// or to the -o file; messages go to `standardError`. Returns the exit code: 0 done,
// 1 the analysis or the writing failed, 2 wrong usage.
int runReportCommand(const QStringList& arguments, QIODevice& standardOutput,
                     QIODevice& standardError);

} // namespace ezr
