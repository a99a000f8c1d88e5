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

// Writes the sheet's response file in the canonical form (dd.mm.yyyy, decimal comma,
// Windows-1251), whatever the settings. Throws AnalysisError when the write fails.
void writeAnswerSheet(const QString& path, const AnswerSheet& sheet);

// One refused row of an import: its row number, the column and the reason.
struct RowProblem {
    int row = 0;
    QString column;
    QString reason;
    friend bool operator==(const RowProblem&, const RowProblem&) = default;
};

// The refused rows of an import: every one counted, the problems of the first ones kept, so
// that a table of any size and content is told in bounded memory and a readable length.
struct RefusedRows {
    // Up to `maxRows` rows are named with up to `maxProblems` problems in all.
    explicit RefusedRows(int maxRows = 100, int maxProblems = 100000)
        : maxRows(maxRows), maxProblems(maxProblems) {}
    void add(int row, const QList<SheetProblem>& problems);
    bool isEmpty() const { return rows == 0; }

    QList<RowProblem> named; // in row order
    int rows = 0;            // refused rows, named or not
    int namedRows = 0;       // of those, rows with problems in `named`
    qint64 problems = 0;     // all problems, named or not
    int maxRows;
    int maxProblems;
};

// The row's own problems and, unless `replace`, a file of its code already in `dataDir`.
QList<SheetProblem> importRowProblems(const ImportRow& row, const QString& dataDir, bool replace);

// Every reason a row of the table cannot be written into `dataDir`: its own problems and,
// unless `replace`, an existing file of the same code. The heading's problems are row 1's.
// `refused` comes with its limits and is filled.
void importProblems(const ImportTable& table, const QString& dataDir, bool replace,
                    RefusedRows& refused);

struct ImportOutcome {
    RefusedRows refused;
    QStringList written; // paths, in row order
    int replaced = 0;    // of those, files that were there before
    QString recovered;   // what was found of an interrupted import, in a sentence, or empty
    QString warning;     // the data folder is readable by others, or empty
};

// Writes the rows without problems, in batches (each file the whole old or the whole new one),
// reading the table as it goes: twice when `allOrNothing`, first to check every row. With
// `allOrNothing`, none at all when any row is refused or any write fails, and a kill midway is
// finished by the next import (see ImportJournal). Before anything, an interrupted import found
// in the folder is finished or undone. Throws AnalysisError when the folder cannot be made or
// the interrupted import cannot be dealt with.
ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing, RefusedRows refused = RefusedRows());

} // namespace ezr
