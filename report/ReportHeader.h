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

} // namespace ezr
