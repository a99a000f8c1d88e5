#pragma once

#include "AnswerSheet.h"

#include <QByteArrayView>
#include <QList>

// A table of examinees collected elsewhere (a survey tool, a spreadsheet typed from paper),
// one examinee per row, read into answer sheets with every row's problems.
//
// The table is CSV in UTF-8 (with or without byte order mark) or Windows-1251, its cells
// separated by ";" or ",", quoted as spreadsheets quote them. The first row names the
// columns: "Дата обследования", "Дата рождения", "Код", "Ф.И.О.", "Пол", "Образование",
// "1" ... "108" with "РО" or "ПО" (also "1"/"2" and "Р"/"П"), and optionally "t1" ... "t108"
// with the answer times in seconds. Other columns are ignored. Dates are in the regional
// short format or as yyyy-mm-dd; "М"/"Ж" and "В"/"С" stand for the sex and education texts.
namespace ezr {

struct ImportRow {
    int row = 0; // the row as a spreadsheet numbers it: the heading is row 1
    AnswerSheet sheet;
    QList<SheetProblem> problems; // empty when the sheet may be written
};

struct ImportTable {
    // What is wrong with the heading (row 1); when there is anything, no row is read.
    QList<SheetProblem> headingProblems;
    bool timesGiven = false;
    QList<ImportRow> rows; // rows with no text at all are left out
};

ImportTable parseImportTable(QByteArrayView bytes);

// A table of a few thousand examinees has some megabytes; this is far beyond any survey.
inline constexpr qint64 MaxImportTableSize = 256 * 1024 * 1024;

// The CSV line of one sheet in the same layout, ";"-separated, answers as "РО"/"ПО" and the
// times with a decimal point: what a template or a test's table is made of.
QString importHeading(bool withTimes);
QString importLine(const AnswerSheet& sheet, bool withTimes);

} // namespace ezr
