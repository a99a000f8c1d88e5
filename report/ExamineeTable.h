#pragma once

#include "Analysis.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The table of every examinee of an analysis, for spreadsheets and statistics programs:
// one row for an examinee, one per member for a group, in listing order.
namespace ezr {

// Cells are QString texts or double numbers (kept at full precision); an invalid QVariant
// is an empty cell.
using TableRow = QList<QVariant>;

struct SheetTable {
    QString name; // the worksheet's name
    QList<TableRow> rows;
    QList<int> boldRows;        // headings
    bool frozenHeading = false; // the first row stays in view
};

// A column of the examinee table. Statistics programs know it by `variable`: the heading's
// words in short ASCII, lower case, joined by "_" ("П3 Деньги Преобразование" is
// p3_money_transform), unique and at most 32 characters.
struct ExamineeColumn {
    QString heading;
    QByteArray variable;
    int decimals = -1; // the decimals a number is shown with; -1 for a text column
    bool isNumber() const { return decimals >= 0; }
};

// The columns of the examinee table, in order: the one definition every table format uses.
QList<ExamineeColumn> examineeColumns();

// The headings of the examinee table, in column order.
QStringList examineeHeadings();

// One row per examinee of the state (its `members`). The cell chi-squares, profile
// chi-squares and indices are each examinee's own against the norm of the analysis; for an
// individual analysis the header columns are the header fields as the window shows them.
SheetTable examineeTable(const AnalysisState& state);

// A group's header, means and comparison, the numbers at full precision.
SheetTable groupSummaryTable(const AnalysisState& state);

// RFC 4180 with CR LF, UTF-8 with a byte-order mark; `separator` between fields. Numbers
// are written in full with `decimalPoint`; a text that begins with =, +, -, @, a tab or a
// carriage return gets a leading ' so that no spreadsheet takes it for a formula.
QByteArray buildCsv(const SheetTable& table, QChar separator, QChar decimalPoint);
// The CSV of the examinee table under the regional settings: ";" where the decimal
// separator is a comma, "," otherwise.
QByteArray buildRegionalCsv(const SheetTable& table);

// An Excel workbook of the sheets, in order. Throws AnalysisError when it cannot be made.
QByteArray buildXlsx(const QList<SheetTable>& sheets);

// The workbook of the analysis: the examinees, and for a group a second sheet "Группа".
QByteArray buildExamineeXlsx(const AnalysisState& state);

} // namespace ezr
