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

// A group's report written as the group is read, the same bytes as buildTextReport: the
// header from the group as listed (listedGroup), a line for each member as it is read, the
// count and the results at the end. Nothing of the members is kept.
class GroupTextReportWriter {
public:
    // `utf8` writes UTF-8 instead of Windows-1251.
    GroupTextReportWriter(ByteSink& sink, const AnalysisState& listed, bool utf8 = false);
    void member(const GroupMember& member);
    void finish(const ReportSnapshot& snapshot);

private:
    void put(QStringView text);
    ByteSink& sink_;
    bool utf8_;
    int members_ = 0;
    QString line_;
};

} // namespace ezr
