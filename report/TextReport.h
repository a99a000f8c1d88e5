#pragma once

#include "ResultSheet.h"
#include "VerifiedWrite.h"

#include <QByteArray>
#include <QStringList>

namespace ezr {

// What the report is made of: the texts the window shows at the moment of saving, and the
// comment's lines as the panel wraps them.
struct ReportSnapshot {
    ResultSheet sheet;
    QStringList commentLines;
};

// The report's bytes: Windows-1251, CR LF after every line. Throws AnalysisError when a
// value cell of profile 2 or 3 does not read as a number.
QByteArray buildTextReport(const ReportSnapshot& snapshot);

} // namespace ezr
