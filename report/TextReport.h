#pragma once

#include "Analysis.h"
#include "VerifiedWrite.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace ezr {

// What a report is made of: the analysis at the moment of saving (with the header fields as
// the user has corrected them), and the comment's lines as the panel wraps them.
struct ReportSnapshot {
    AnalysisState analysis;
    QStringList commentLines;
    // Members listed by their codes only: no name in any output made of this snapshot.
    bool anonymous = false;
    // A group output for fewer members is refused (groupSizeRefusal); unset allows any.
    std::optional<int> minimumGroupSize = std::nullopt;
};

// The report's bytes: Windows-1251, CR LF after every line.
QByteArray buildTextReport(const ReportSnapshot& snapshot);

} // namespace ezr
