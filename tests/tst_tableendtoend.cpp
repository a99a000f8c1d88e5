// The table of examinees and a group's "Группа" sheet, as CSV and as workbook, compared cell
// by cell with the tables computed by a second, independent implementation
// (data/make_endtoend.py): every column, numbers as the tables carry them.

#include "Analysis.h"
#include "ExamineeTable.h"
#include "TableFiles.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace ezr;

namespace {

QList<QStringList> expectedRows(const char* name) {
    return parseCsv(QString::fromUtf8(readFile(dataPath(name))), QLatin1Char(','));
}

// Numbers are the expected ones to the six significant digits of every table file (the two
// implementations add in other orders, which a tiny tolerance allows for); texts exactly.
void compareCell(const QString& actual, const QString& expected, const QString& where) {
    bool actualNumber = false, expectedNumber = false;
    const double a = actual.toDouble(&actualNumber);
    const double e = expected.toDouble(&expectedNumber);
    if (actualNumber && expectedNumber)
        QVERIFY2(qAbs(a - tableValue(e)) <= 1e-9 * qMax(1.0, qAbs(e)),
                 qPrintable(QStringLiteral("%1: %2, expected %3").arg(where, actual, expected)));
    else
        QVERIFY2(
            actual == expected,
            qPrintable(QStringLiteral("%1: \"%2\", expected \"%3\"").arg(where, actual, expected)));
}

// A row without its empty cells at the end: an empty row of the workbook is a blank CSV line.
QStringList trimmed(QStringList row) {
    while (!row.isEmpty() && row.last().isEmpty())
        row.removeLast();
    return row;
}

void compareRows(QList<QStringList> actual, QList<QStringList> expected) {
    std::transform(actual.begin(), actual.end(), actual.begin(), trimmed);
    std::transform(expected.begin(), expected.end(), expected.begin(), trimmed);
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype r = 0; r < expected.size(); ++r) {
        QCOMPARE(actual[r].size(), expected[r].size());
        for (qsizetype c = 0; c < expected[r].size(); ++c) {
            compareCell(actual[r][c], expected[r][c],
                        QStringLiteral("row %1, column %2").arg(r + 1).arg(c + 1));
            if (QTest::currentTestFailed())
                return;
        }
    }
}

// The worksheet `index` (1-based) of a workbook as rows of cell texts, `columns` wide.
QList<QStringList> workbookRows(const QByteArray& workbook, int index, int rows, int columns) {
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("t.xlsx"));
    if (!writeFile(book, workbook))
        return {};
    const QHash<QString, QString> cells =
        sheetCells(unzipped(book, QStringLiteral("xl/worksheets/sheet%1.xml").arg(index)),
                   sharedStrings(unzipped(book, QStringLiteral("xl/sharedStrings.xml"))));
    QList<QStringList> result;
    for (int r = 0; r < rows; ++r) {
        QStringList row;
        for (int c = 0; c < columns; ++c) {
            const QString ref = columnName(c) + QString::number(r + 1);
            if (cells.contains(ref))
                row.resize(c + 1), row[c] = cells.value(ref);
        }
        result.append(row);
    }
    return result;
}

// The examinee rows of a table in file-name order (the program lists them as the file
// system does), without the heading row.
QList<QStringList> examineeRows(QList<QStringList> rows) {
    rows.removeFirst();
    std::sort(rows.begin(), rows.end(),
              [](const QStringList& a, const QStringList& b) { return a.first() < b.first(); });
    return rows;
}

// The expected rows as a workbook holds them: the test date a date cell, that is the days
// since 30 December 1899.
QList<QStringList> asDateCells(QList<QStringList> rows) {
    const int dateColumn = int(examineeHeadings().indexOf(QStringLiteral("Дата")));
    for (QStringList& row : rows) {
        const QString text = row.value(dateColumn);
        QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
        if (!date.isValid())
            date = QDate::fromString(text, QStringLiteral("M/d/yyyy"));
        if (date.isValid())
            row[dateColumn] = QString::number(QDate(1899, 12, 30).daysTo(date));
    }
    return rows;
}

} // namespace

class TestTableEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void examineeTable_data() {
        QTest::addColumn<bool>("group");
        QTest::newRow("examinee") << false;
        QTest::newRow("group") << true;
    }

    void examineeTable() {
        QFETCH(bool, group);
        AnalysisState state;
        if (group) {
            QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
            state = groupAnalysis(dataPath("endtoend_group"), NormKind::Education,
                                  QStringLiteral("Среднее"), fixedToday);
        } else {
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
            state = individualAnalysis(dataPath("endtoend_individual.cry"));
        }
        const QList<QStringList> expected =
            expectedRows(group ? "endtoend_group_table.csv" : "endtoend_individual_table.csv");
        const SheetTable table = ezr::examineeTable(state);
        QCOMPARE(table.rows.first().size(), examineeHeadings().size());

        // The CSV with a point, as under a decimal-point locale.
        const QByteArray csv = buildCsv(table, QLatin1Char(','), QLatin1Char('.'));
        compareRows(examineeRows(parseCsv(QString::fromUtf8(csv.mid(3)), QLatin1Char(','))),
                    expected);
        if (QTest::currentTestFailed())
            return;
        const qsizetype columns = examineeHeadings().size();
        compareRows(examineeRows(workbookRows(buildExamineeXlsx(state), 1, int(expected.size()) + 1,
                                              int(columns))),
                    asDateCells(expected));
    }

    void groupSheet() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const AnalysisState state = groupAnalysis(dataPath("endtoend_group"), NormKind::Education,
                                                  QStringLiteral("Среднее"), fixedToday);
        const QList<QStringList> expected = expectedRows("endtoend_group_sheet.csv");
        // The sheet of the workbook, and the same rows as the table the workbook is made of.
        compareRows(workbookRows(buildExamineeXlsx(state), 2, int(expected.size()), 19), expected);
        if (QTest::currentTestFailed())
            return;
        const QByteArray csv =
            buildCsv(groupSummaryTable(state), QLatin1Char(','), QLatin1Char('.'));
        compareRows(parseCsv(QString::fromUtf8(csv.mid(3)), QLatin1Char(',')), expected);
    }
};

QTEST_GUILESS_MAIN(TestTableEndToEnd)
#include "tst_tableendtoend.moc"
