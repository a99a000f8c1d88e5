#include "ImportTable.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "DoubleEntry.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "ResponseWriter.h"

#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace ezr {

namespace {

QString decodeTable(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    // Windows-1251 Cyrillic is almost never valid UTF-8, so a clean UTF-8 decode decides.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1251(bytes);
}

// The separator the heading uses more often, outside quotes.
QChar separatorOf(QStringView text) {
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
    }
    return semicolons >= commas ? QLatin1Char(';') : QLatin1Char(',');
}

// Records of cells: quotes around a cell, "" for a quote inside, line breaks inside quotes
// kept; records end at LF, CR LF or CR.
QList<QStringList> splitRecords(QStringView text, QChar separator) {
    QList<QStringList> records;
    QStringList cells;
    QString cell;
    bool quoted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == separator) {
            cells.append(cell);
            cell.clear();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            cells.append(cell);
            cell.clear();
            records.append(cells);
            cells.clear();
        } else {
            cell += c;
        }
    }
    if (!cell.isEmpty() || !cells.isEmpty()) {
        cells.append(cell);
        records.append(cells);
    }
    return records;
}

// Where each known column stands in the heading.
struct Columns {
    QHash<QString, int> index;
    bool timesGiven = false;
};

const QStringList& headerColumns() {
    static const QStringList columns = {TestDateColumn, BirthDateColumn, CodeColumn,
                                        NameColumn,     SexColumn,       EducationColumn};
    return columns;
}

Columns readHeading(const QStringList& heading, QList<SheetProblem>& problems) {
    QHash<QString, QString> known; // the heading as written, folded, to the column's name
    for (const QString& column : headerColumns())
        known.insert(column.toCaseFolded(), column);
    for (int item = 1; item <= ItemCount; ++item) {
        known.insert(itemColumn(item), itemColumn(item));
        known.insert(timeColumn(item).toCaseFolded(), timeColumn(item));
    }
    Columns columns;
    for (int i = 0; i < heading.size(); ++i) {
        const auto found = known.constFind(heading[i].trimmed().toCaseFolded());
        if (found == known.constEnd())
            continue;
        if (columns.index.contains(*found))
            problems.append({*found, QStringLiteral("столбец повторяется")});
        else
            columns.index.insert(*found, i);
    }
    const auto requireColumn = [&](const QString& column, const QString& reason) {
        if (!columns.index.contains(column))
            problems.append({column, reason});
    };
    for (const QString& column : headerColumns())
        requireColumn(column, QStringLiteral("нет такого столбца"));
    for (int item = 1; item <= ItemCount; ++item)
        requireColumn(itemColumn(item), QStringLiteral("нет такого столбца"));
    int times = 0;
    for (int item = 1; item <= ItemCount; ++item)
        times += columns.index.contains(timeColumn(item)) ? 1 : 0;
    columns.timesGiven = times > 0;
    if (times > 0 && times < ItemCount)
        for (int item = 1; item <= ItemCount; ++item)
            requireColumn(timeColumn(item),
                          QStringLiteral("нет такого столбца (время даётся для всех 108 "
                                         "пунктов или ни для одного)"));
    return columns;
}

QString dateText(const QString& cell) {
    const QString text = cell.trimmed();
    // Spreadsheets and survey tools write ISO dates; the file holds the regional form.
    const QDate iso = QDate::fromString(text, Qt::ISODate);
    if (iso.isValid() && text.size() == 10)
        return formatShortDate(iso);
    return text;
}

QString oneOf(const QString& cell, const QString& first, const QStringList& firstShort,
              const QString& second, const QStringList& secondShort) {
    const QString folded = cell.trimmed().toCaseFolded();
    if (folded == first.toCaseFolded() || firstShort.contains(folded))
        return first;
    if (folded == second.toCaseFolded() || secondShort.contains(folded))
        return second;
    return cell.trimmed();
}

std::optional<ItemAnswer> answerOf(const QString& cell) {
    const QString folded = cell.trimmed().toCaseFolded();
    if (folded.isEmpty())
        return ItemAnswer::None;
    static const QStringList resultative = {QStringLiteral("ро"), QStringLiteral("1"),
                                            QStringLiteral("р")};
    static const QStringList procedural = {QStringLiteral("по"), QStringLiteral("2"),
                                           QStringLiteral("п")};
    if (resultative.contains(folded))
        return ItemAnswer::Resultative;
    if (procedural.contains(folded))
        return ItemAnswer::Procedural;
    return std::nullopt;
}

std::optional<double> secondsOf(const QString& cell) {
    QString text = cell.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

ImportRow readRow(int rowNumber, const QStringList& cells, const Columns& columns) {
    ImportRow row;
    row.row = rowNumber;
    const auto cellOf = [&](const QString& column) {
        const int i = columns.index.value(column, -1);
        return i >= 0 && i < cells.size() ? cells[i] : QString();
    };
    AnswerSheet& sheet = row.sheet;
    sheet.testDate = dateText(cellOf(TestDateColumn));
    sheet.birthDate = dateText(cellOf(BirthDateColumn));
    sheet.code = cellOf(CodeColumn).trimmed();
    sheet.name = cellOf(NameColumn).trimmed();
    sheet.sex = oneOf(cellOf(SexColumn), MaleSex, {QStringLiteral("м"), QStringLiteral("муж")},
                      FemaleSex, {QStringLiteral("ж"), QStringLiteral("жен")});
    sheet.education = oneOf(cellOf(EducationColumn), HigherEducation, {QStringLiteral("в")},
                            SecondaryEducation, {QStringLiteral("с")});
    QSet<QString> unreadable;
    for (int item = 1; item <= ItemCount; ++item) {
        const auto i = static_cast<std::size_t>(item - 1);
        const QString cell = cellOf(itemColumn(item));
        const std::optional<ItemAnswer> answer = answerOf(cell);
        if (answer) {
            sheet.marks[i] = marksFor(*answer);
        } else {
            row.problems.append(
                {itemColumn(item), QStringLiteral("«%1» — нужно РО или ПО (1 или 2, Р или П)")
                                       .arg(quotedInMessage(cell.trimmed()))});
            unreadable.insert(itemColumn(item));
        }
        if (!columns.timesGiven)
            continue;
        const QString timeCell = cellOf(timeColumn(item));
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

ImportTable parseImportTable(QByteArrayView bytes) {
    ImportTable table;
    const QString text = decodeTable(bytes);
    const QList<QStringList> records = splitRecords(text, separatorOf(text));
    if (records.isEmpty() || blank(records.front())) {
        table.headingProblems.append(
            {QString(), QStringLiteral("в первой строке нет названий столбцов")});
        return table;
    }
    const Columns columns = readHeading(records.front(), table.headingProblems);
    table.timesGiven = columns.timesGiven;
    if (!table.headingProblems.isEmpty())
        return table;
    QHash<QString, int> codeRows; // the row that brought each code first
    for (int r = 1; r < records.size(); ++r) {
        if (blank(records[r]))
            continue;
        ImportRow row = readRow(r + 1, records[r], columns);
        if (!row.sheet.code.isEmpty()) {
            const auto earlier = codeRows.constFind(row.sheet.code);
            if (earlier != codeRows.constEnd())
                row.problems.append(
                    {CodeColumn, QStringLiteral("тот же код уже в строке %1").arg(*earlier)});
            else
                codeRows.insert(row.sheet.code, row.row);
        }
        table.rows.append(std::move(row));
    }
    return table;
}

QString importHeading(bool withTimes) {
    QStringList cells = headerColumns();
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
