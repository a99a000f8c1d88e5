#pragma once

#include "Analysis.h"

#include <QList>
#include <QString>

// The header block that opens every report and the group sheet of the table: the code, the
// test date, the name (or "Группа"), sex and education when known, an examinee's age, and the
// norm the analysis is compared with.
namespace ezr {

struct HeaderLine {
    enum class Field { Code, TestDate, Name, Sex, Education, Age, Norm };
    Field field;
    QString label; // without the ": " that follows it in a text
    QString value;
};

QList<HeaderLine> reportHeader(const AnalysisState& state);

// How many examinees a group analysis read: its roster, or the count it was shown with.
int groupMemberCount(const AnalysisState& state);
// "Группа, 12 обследуемых" (with the number's Russian form).
QString groupTitle(int members);
// Whose report it is, for the head of every page: "code. name" of an examinee, the group
// title of a group.
QString reportOwner(const AnalysisState& state);

} // namespace ezr
