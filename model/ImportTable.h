#pragma once

#include "AnswerSheet.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

// A table of examinees collected elsewhere (a survey tool, a spreadsheet typed from paper),
// one examinee per row, read into answer sheets with every row's problems.
//
// The first row names the columns: "Дата обследования", "Дата рождения", "Код", "Ф.И.О.",
// "Пол", "Образование", "1" ... "108" with "РО" or "ПО" (also "1"/"2" and "Р"/"П"), and
// optionally "t1" ... "t108" with the answer times in seconds. Other columns are ignored.
// Dates as readTestDate and readBirthDate take them; "М"/"Ж" and "В"/"С" stand for the sex and
// education texts. Codes are text: "007" stays "007".
//
// The rows are read as a stream, never whole: a table is opened again for every pass over its
// rows, and only the current row lies in memory, whatever the table's size.
namespace ezr {

// The records of a table, one at a time: CSV here, workbooks in storage/.
class TableRecords {
public:
    virtual ~TableRecords() = default;
    // The next record's cells and its row as the table program numbers it (the first is 1).
    // False at the end. Throws AnalysisError when the table cannot be read on.
    virtual bool next(QStringList& cells, int& row) = 0;
};

// Opens the table's records from their start; called once per pass.
using TableOpener = std::function<std::unique_ptr<TableRecords>()>;

// A record is held to this many cells and each cell to this many characters (the rest is
// dropped, the cell marked as too long), so that no row of any content fills memory.
inline constexpr int MaxTableColumns = 1024;
inline constexpr int MaxTableCellLength = 4 * MaxSheetTextLength;

struct ImportRow {
    int row = 0; // the row as a spreadsheet numbers it: the heading is row 1
    AnswerSheet sheet;
    QList<SheetProblem> problems; // empty when the sheet may be written
};

class ImportRowReader;

// An input range over the rows of a table (`for (const ImportRow& row : table.rows())`); each
// call reads the table from its start again. Rows with no text at all are left out; a code
// that an earlier row brought is a problem of the later row.
class ImportRows {
public:
    class iterator {
    public:
        using value_type = ImportRow;
        using difference_type = std::ptrdiff_t;
        const ImportRow& operator*() const;
        const ImportRow* operator->() const { return &**this; }
        iterator& operator++();
        void operator++(int) { ++*this; }
        bool operator==(std::default_sentinel_t) const;

    private:
        friend class ImportRows;
        explicit iterator(ImportRowReader* reader) : reader_(reader) {}
        ImportRowReader* reader_;
    };
    iterator begin();
    std::default_sentinel_t end() const { return {}; }

    ImportRows(ImportRows&&) noexcept;
    ~ImportRows();

private:
    friend class ImportTable;
    explicit ImportRows(std::unique_ptr<ImportRowReader> reader);
    std::unique_ptr<ImportRowReader> reader_;
};

// A table whose heading has been read; its rows are read on demand.
class ImportTable {
public:
    // Reads the heading. Throws AnalysisError when the table cannot be opened.
    explicit ImportTable(TableOpener open);

    // What is wrong with the heading (row 1); when there is anything, there are no rows.
    const QList<SheetProblem>& headingProblems() const { return headingProblems_; }
    bool timesGiven() const;
    ImportRows rows() const;

private:
    TableOpener open_;
    QList<SheetProblem> headingProblems_;
    std::shared_ptr<const struct ImportColumns> columns_;
};

// A CSV table held in memory (tests, a template); see openCsvTable for its forms.
ImportTable parseImportTable(QByteArray bytes);

// A table of a few thousand examinees has some megabytes; this is far beyond any survey.
inline constexpr qint64 MaxImportTableSize = qint64{256} * 1024 * 1024;

// The CSV line of one sheet in the same layout, ";"-separated, answers as "РО"/"ПО" and the
// times with a decimal point: what a template or a test's table is made of.
QString importHeading(bool withTimes);
QString importLine(const AnswerSheet& sheet, bool withTimes);

} // namespace ezr
