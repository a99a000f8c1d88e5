#pragma once

#include "Analysis.h"
#include "OutputNames.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <memory>

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
    // The decimals a workbook shows a number cell with, by row and column; the cell keeps
    // its value. Cells not named here show as the spreadsheet program chooses.
    QHash<quint64, int> shownDecimals;
    void showDecimals(int row, int column, int decimals) {
        shownDecimals.insert(quint64(row) << 32 | quint64(column), decimals);
    }
    int decimalsShown(int row, int column) const {
        return shownDecimals.value(quint64(row) << 32 | quint64(column), -1);
    }
};

class ByteSink;

// A column of the examinee table. Statistics programs know it by `variable`: the heading's
// words in short ASCII, lower case, joined by "_" ("П3 Деньги Преобразование" is
// p3_money_transform), unique and at most 32 characters.
struct ExamineeColumn {
    QString heading;
    QByteArray variable;
    int decimals = -1; // the decimals a number is shown with; -1 for a text column
    bool isNumber() const { return decimals >= 0; }
    bool isDate = false; // a text column of dates, a date cell in a workbook when it reads
};

// One examinee as a row of the table needs it; the texts are views that must live while the
// row is written.
struct ExamineeRow {
    QStringView fileName;
    QStringView code;
    QStringView name;
    QStringView sex;
    QStringView education;
    QStringView testDate;
    QStringView age;
    const ExamineeScores* results = nullptr;
};

// The table written a row at a time in one format, so that a group of any size is written
// as it is read.
class ExamineeTableWriter {
public:
    virtual ~ExamineeTableWriter() = default;
    virtual void add(const ExamineeRow& examinee) = 0;
    // Ends the table; a group's workbook adds the sheet of the group itself.
    virtual void finish(const AnalysisState& state) = 0;
};

// The norm the chi-square columns are compared with, as the table names it: its group
// ("мужчины", "среднее образование", or a norm of one's own with its size).
QString tableNormName(const Norm& norm);

// The writer of the table in `format` (Csv, under the regional settings, or Xlsx) into
// `sink`, the chi-squares against `norm`.
std::unique_ptr<ExamineeTableWriter> examineeTableWriter(ReportFormat format, ByteSink& sink,
                                                         const Norm& norm);

// A member of a group run as it is read, into the table; by code only when `anonymous`.
void addGroupMember(ExamineeTableWriter& table, const GroupMember& member, bool anonymous = false);

// The table of the state's examinees (its `members`) in `format` into `sink`.
void writeExamineeTable(ReportFormat format, const AnalysisState& state, ByteSink& sink);

// The columns of the examinee table, in order: the one definition every table format uses.
QList<ExamineeColumn> examineeColumns();

// The headings of the examinee table, in column order.
QStringList examineeHeadings();

// A computed number as the tables give it: six significant digits.
double tableRounded(double value);

// One row per examinee of the state (its `members`). The cell chi-squares, profile
// chi-squares and indices are each examinee's own against the norm of the analysis, rounded
// to the six significant digits a reader needs, as are the answer-time statistics; for an
// individual analysis the header columns are the header fields as the window shows them. The
// last column names the norm.
SheetTable examineeTable(const AnalysisState& state);

// A group's header, means and comparison, the numbers at full precision.
SheetTable groupSummaryTable(const AnalysisState& state);

// RFC 4180 with CR LF, UTF-8 with a byte-order mark; `separator` between fields. Numbers
// are written in their shortest exact form with `decimalPoint`; a text that begins with =, +, -, @,
// a tab or a carriage return gets a leading ' so that no spreadsheet takes it for a formula.
QByteArray buildCsv(const SheetTable& table, QChar separator, QChar decimalPoint);
// The CSV of the examinee table under the regional settings: ";" where the decimal
// separator is a comma, "," otherwise.
QByteArray buildRegionalCsv(const SheetTable& table);

// An Excel workbook of the sheets, in order. Throws AnalysisError when it cannot be made.
QByteArray buildXlsx(const QList<SheetTable>& sheets);

// The workbook's own writing, a row at a time and never a sheet whole in memory: rows go
// in order, each sheet after the one before.
class WorkbookWriter {
public:
    WorkbookWriter();
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    void startSheet(const QString& name, int columns, bool frozenHeading);
    // Cells of the current row; a row ends with endRow().
    void text(QStringView text, bool bold = false);
    void number(double value, int decimals = -1, bool bold = false);
    void date(double serial, int widthHint);
    void empty();
    void endRow();
    void writeSheet(const SheetTable& table);
    // Closes the workbook, reads it back and hands its bytes to `sink`.
    void finish(ByteSink& sink);

private:
    struct Book;
    std::unique_ptr<Book> book_;
};

// The workbook of the analysis: the examinees, and for a group a second sheet "Группа".
QByteArray buildExamineeXlsx(const AnalysisState& state);

} // namespace ezr
