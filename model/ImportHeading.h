#pragma once

#include "AnswerSheet.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <array>

// The heading of an import table: where each known column stands, and what is missing.
namespace ezr {

struct ImportColumns {
    QHash<QString, int> index; // column name to the cell's place in a record
    bool timesGiven = false;
    // The places of the items' and their times' columns, found once for every row; -1 where
    // the heading has none.
    std::array<int, ItemCount> items = absent();
    std::array<int, ItemCount> times = absent();

    static std::array<int, ItemCount> absent() {
        std::array<int, ItemCount> none{};
        none.fill(-1);
        return none;
    }
};

// "Дата обследования" ... "Образование", in the order of a template's heading.
const QStringList& importHeaderColumns();

// The places of the known columns of `heading`, and its problems: a column given twice, a
// column missing. A few missing columns are named one by one; many (a table in another
// encoding, a sheet of something else) give one line.
ImportColumns readImportHeading(const QStringList& heading, QList<SheetProblem>& problems);

} // namespace ezr
