#pragma once

#include "AnswerSheet.h"
#include "ImportTable.h"

#include <QList>
#include <QString>
#include <QStringList>

// Answer sheets into the data folder: one response file per examinee, named by the code,
// written through the one verified write and never over an existing file unasked.
namespace ezr {

// The data folder's file for an examinee's code.
QString sheetFilePath(const QString& dataDir, const QString& code);

// Writes the sheet's response file, the answer times with the regional decimal separator so
// that the program reads them back. Throws AnalysisError when the write fails.
void writeAnswerSheet(const QString& path, const AnswerSheet& sheet);

// One refused row of an import: its row number, the column and the reason.
struct RowProblem {
    int row = 0;
    QString column;
    QString reason;
    friend bool operator==(const RowProblem&, const RowProblem&) = default;
};

// Every reason a row of the table cannot be written into `dataDir`: its own problems and,
// unless `replace`, an existing file of the same code. The heading's problems are row 1's.
QList<RowProblem> importProblems(const ImportTable& table, const QString& dataDir, bool replace);

struct ImportOutcome {
    QList<RowProblem> refused;
    QStringList written; // paths, in row order
    int replaced = 0;    // of those, files that were there before
};

// Writes the rows without problems (none at all when `allOrNothing` and any row is refused).
ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing);

} // namespace ezr
