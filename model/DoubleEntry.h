#pragma once

#include "AnswerSheet.h"

#include <QList>
#include <QString>

// A sheet entered twice from the same paper: every field and item where the two entries
// differ, for the operator to look at the paper again.
namespace ezr {

struct EntryDifference {
    QString column; // as in SheetProblem
    QString first;  // the field or answer as the first entry has it
    QString second;
    int item = 0; // the item (1..108) that differs; 0 for a header field
    friend bool operator==(const EntryDifference&, const EntryDifference&) = default;
};

// "РО", "ПО", or "—" for an item not answered.
QString itemAnswerText(ItemAnswer answer);

// The header fields and items in sheet order; answer times and timing lines are not typed
// and so not compared.
QList<EntryDifference> compareEntries(const AnswerSheet& first, const AnswerSheet& second);

// The values an item may be decided to: "РО", "ПО" and "—" (not answered).
QStringList itemAnswerTexts();

// The sheet as the paper has it: `second` with each differing field or item set to the value
// decided for it (`decided` in the order of `differences`): either entry's value or, for an
// item, any of itemAnswerTexts(). Throws std::invalid_argument when the counts differ or an
// item's value is none of those.
AnswerSheet decidedSheet(AnswerSheet second, const QList<EntryDifference>& differences,
                         const QStringList& decided);

} // namespace ezr
