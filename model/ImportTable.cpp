#include "ImportTable.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "DoubleEntry.h"
#include "ImportCsv.h"
#include "ImportHeading.h"
#include "Regional.h"
#include "ResponseWriter.h"
#include "SheetDates.h"

#include <QBuffer>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <cmath>
#include <optional>

namespace ezr {

namespace {

QString oneOf(const QString& cell, const QString& first, const QStringList& firstShort,
              const QString& second, const QStringList& secondShort) {
    const QString folded = cell.trimmed().toCaseFolded();
    if (folded == first.toCaseFolded() || firstShort.contains(folded))
        return first;
    if (folded == second.toCaseFolded() || secondShort.contains(folded))
        return second;
    return cell.trimmed();
}

std::optional<double> secondsOf(const QString& cell) {
    // Most cells are plain numbers with a point or a comma; the rest (an exponent, a sign)
    // as the C locale reads them.
    if (double quick = 0.0; tryParseStoredFloat(cell, QLatin1Char('.'), quick))
        return quick;
    QString text = cell.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A date cell in the one form response files hold, when it reads; else as it stands, for
// checkSheet to name what is wrong with it.
QString dateText(const std::optional<QDate>& date, const QString& cell) {
    return date ? canonicalDateText(*date) : cell.trimmed();
}

void readHeaderCells(AnswerSheet& sheet, const std::function<QString(const QString&)>& cellOf) {
    QString ignored;
    const std::optional<QDate> test =
        readTestDate(cellOf(TestDateColumn), QDate::currentDate(), &ignored);
    sheet.testDate = dateText(test, cellOf(TestDateColumn));
    sheet.birthDate =
        dateText(readBirthDate(cellOf(BirthDateColumn), test, &ignored), cellOf(BirthDateColumn));
    // Codes are text: leading zeros and inner blanks stay; blanks around are checkSheet's.
    sheet.code = cellOf(CodeColumn).trimmed();
    sheet.name = cellOf(NameColumn).trimmed();
    sheet.sex = oneOf(cellOf(SexColumn), MaleSex, {QStringLiteral("м"), QStringLiteral("муж")},
                      FemaleSex, {QStringLiteral("ж"), QStringLiteral("жен")});
    sheet.education = oneOf(cellOf(EducationColumn), HigherEducation, {QStringLiteral("в")},
                            SecondaryEducation, {QStringLiteral("с")});
}

ImportRow readRow(int rowNumber, const QStringList& cells, const ImportColumns& columns) {
    ImportRow row;
    row.row = rowNumber;
    const auto cellAt = [&](int i) { return i >= 0 && i < cells.size() ? cells[i] : QString(); };
    const auto cellOf = [&](const QString& column) {
        return cellAt(columns.index.value(column, -1));
    };
    AnswerSheet& sheet = row.sheet;
    readHeaderCells(sheet, cellOf);
    QSet<QString> unreadable;
    for (int item = 1; item <= ItemCount; ++item) {
        const auto i = static_cast<std::size_t>(item - 1);
        const QString cell = cellAt(columns.items[i]);
        if (const std::optional<ItemAnswer> answer = answerFromText(cell)) {
            sheet.marks[i] = marksFor(*answer);
        } else {
            row.problems.append(
                {itemColumn(item), QStringLiteral("«%1» — нужно РО или ПО (1 или 2, "
                                                  "Р или П)")
                                       .arg(quotedInMessage(cell.trimmed()))});
            unreadable.insert(itemColumn(item));
        }
        if (!columns.timesGiven)
            continue;
        const QString timeCell = cellAt(columns.times[i]);
        if (const std::optional<double> seconds = secondsOf(timeCell)) {
            sheet.answerTimes[i] = *seconds;
        } else {
            row.problems.append(
                {timeColumn(item),
                 timeCell.trimmed().isEmpty()
                     ? QStringLiteral("время ответа не заполнено")
                     : QStringLiteral("«%1» — не число секунд").arg(quotedInMessage(timeCell))});
            unreadable.insert(timeColumn(item));
        }
    }
    sheet.timingLines = importedTimingLines(answerTimesMeasured(sheet.answerTimes));
    for (const SheetProblem& problem : checkSheet(sheet))
        if (!unreadable.contains(problem.column))
            row.problems.append(problem);
    return row;
}

bool blank(const QStringList& cells) {
    for (const QString& cell : cells)
        if (!cell.trimmed().isEmpty())
            return false;
    return true;
}

} // namespace

// The current row of one pass over a table, and the codes of the rows before it.
class ImportRowReader {
public:
    ImportRowReader(std::unique_ptr<TableRecords> records,
                    std::shared_ptr<const ImportColumns> columns)
        : records_(std::move(records)), columns_(std::move(columns)) {}

    // Reads the next row that is not blank; false at the end.
    bool advance() {
        if (!records_)
            return false;
        QStringList cells;
        int number = 0;
        while (records_->next(cells, number)) {
            if (number <= 1 || blank(cells))
                continue; // the heading, read when the table was opened
            row_ = readRow(number, cells, *columns_);
            noteCode();
            return true;
        }
        records_.reset();
        return false;
    }
    const ImportRow& row() const { return row_; }
    bool atEnd() const { return !records_; }

private:
    // Only a code that may be a file name is kept, so the set stays small for any table.
    void noteCode() {
        const QString& code = row_.sheet.code;
        for (const SheetProblem& problem : row_.problems)
            if (problem.column == CodeColumn)
                return;
        const auto earlier = codeRows_.constFind(code);
        if (earlier != codeRows_.constEnd())
            row_.problems.append(
                {CodeColumn, QStringLiteral("тот же код уже в строке %1").arg(*earlier)});
        else
            codeRows_.insert(code, row_.row);
    }

    std::unique_ptr<TableRecords> records_;
    std::shared_ptr<const ImportColumns> columns_;
    QHash<QString, int> codeRows_; // the row that brought each code first
    ImportRow row_;
};

const ImportRow& ImportRows::iterator::operator*() const {
    return reader_->row();
}

ImportRows::iterator& ImportRows::iterator::operator++() {
    reader_->advance();
    return *this;
}

bool ImportRows::iterator::operator==(std::default_sentinel_t) const {
    return !reader_ || reader_->atEnd();
}

ImportRows::ImportRows(std::unique_ptr<ImportRowReader> reader) : reader_(std::move(reader)) {}
ImportRows::ImportRows(ImportRows&&) noexcept = default;
ImportRows::~ImportRows() = default;

ImportRows::iterator ImportRows::begin() {
    if (reader_)
        reader_->advance();
    return iterator(reader_.get());
}

ImportTable::ImportTable(TableOpener open) : open_(std::move(open)) {
    std::unique_ptr<TableRecords> records = open_();
    QStringList heading;
    int number = 0;
    // The heading is the table's first record; a table that starts with blank rows has none.
    const bool any = records->next(heading, number);
    auto columns = std::make_shared<ImportColumns>();
    if (!any || number != 1 || blank(heading))
        headingProblems_.append(
            {QString(), QStringLiteral("в первой строке нет названий столбцов")});
    else
        *columns = readImportHeading(heading, headingProblems_);
    columns_ = std::move(columns);
}

bool ImportTable::timesGiven() const {
    return columns_->timesGiven;
}

ImportRows ImportTable::rows() const {
    if (!headingProblems_.isEmpty())
        return ImportRows(nullptr);
    return ImportRows(std::make_unique<ImportRowReader>(open_(), columns_));
}

ImportTable parseImportTable(QByteArray bytes) {
    return ImportTable([bytes = std::move(bytes)] {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        return csvRecords(std::move(buffer));
    });
}

QString importHeading(bool withTimes) {
    QStringList cells = importHeaderColumns();
    for (int item = 1; item <= ItemCount; ++item)
        cells << itemColumn(item);
    if (withTimes)
        for (int item = 1; item <= ItemCount; ++item)
            cells << timeColumn(item);
    return cells.join(QLatin1Char(';'));
}

QString importLine(const AnswerSheet& sheet, bool withTimes) {
    const auto quoted = [](const QString& text) {
        if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')))
            return text;
        return QLatin1Char('"') +
               QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
               QLatin1Char('"');
    };
    QStringList cells = {quoted(sheet.testDate), quoted(sheet.birthDate), quoted(sheet.code),
                         quoted(sheet.name),     quoted(sheet.sex),       quoted(sheet.education)};
    for (const MarkPair& marks : sheet.marks)
        cells << itemAnswerText(itemAnswer(marks));
    if (withTimes)
        for (const double t : sheet.answerTimes)
            cells << formatAnswerTime(t, QLatin1Char('.'));
    return cells.join(QLatin1Char(';'));
}

} // namespace ezr
