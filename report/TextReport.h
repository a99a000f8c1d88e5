#pragma once

#include "Analysis.h"
#include "VerifiedWrite.h"

#include <QByteArray>
#include <QStringList>

namespace ezr {

// What a report is made of: the analysis at the moment of saving (with the header fields as
// the user has corrected them), and the comment's lines as the panel wraps them.
struct ReportSnapshot {
    AnalysisState analysis;
    QStringList commentLines;
};

// The report's bytes: Windows-1251, CR LF after every line.
QByteArray buildTextReport(const ReportSnapshot& snapshot);

} // namespace ezr
