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
    QString recovered;   // what was found of an interrupted import, in a sentence, or empty
    QString warning;     // the data folder is readable by others, or empty
};

// Writes the rows without problems, in batches (each file the whole old or the whole new one).
// With `allOrNothing`, none at all when any row is refused or any write fails, and a kill
// midway is finished by the next import (see ImportJournal). Before anything, an interrupted
// import found in the folder is finished or undone. Throws AnalysisError when the folder
// cannot be made or the interrupted import cannot be dealt with.
ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing);

} // namespace ezr
