// What HR people actually have: workbooks (.xlsx, .ods), two-digit years, one-letter and
// digit answers, settings other than Russian; and the bounds of the import: plausible dates,
// field lengths, finite times, refused rows counted with the first named.

#include "AnalysisError.h"
#include "ImportCommand.h"
#include "ImportFile.h"
#include "ImportTable.h"
#include "ResponseFile.h"
#include "ResponseWriter.h"
#include "SampleMaker.h"
#include "SheetDates.h"
#include "SheetFiles.h"
#include "TestFiles.h"
#include "TestWorkbooks.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace ezr;

namespace {

QList<ImportRow> rowsOf(const ImportTable& table) {
    QList<ImportRow> rows;
    for (const ImportRow& row : table.rows())
        rows.append(row);
    return rows;
}

// Generated examinees as rows of cells, the heading first.
QList<QStringList> cellRows(int count, bool withTimes = true) {
    QList<QStringList> rows = {importHeading(withTimes).split(QLatin1Char(';'))};
    for (int i = 0; i < count; ++i)
        rows << importLine(answerSheetOf(generatedExaminee(4242u, i)), withTimes)
                    .split(QLatin1Char(';'));
    return rows;
}

QByteArray csvOf(const QList<QStringList>& rows) {
    QStringList lines;
    for (const QStringList& row : rows)
        lines << row.join(QLatin1Char(';'));
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

QStringList runImport(const QStringList& arguments, int* exitCode) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    *exitCode = runImportCommand(QStringList{QStringLiteral("ezr-import")} + arguments, out, err);
    return QString::fromLocal8Bit(err.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestImportFormats : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void dates_data();
    void dates();
    void oneLetterAndDigitAnswers_data();
    void oneLetterAndDigitAnswers();
    void workbooksReadAsTheirCsv_data();
    void workbooksReadAsTheirCsv();
    void wrongTableIsOneLine_data();
    void wrongTableIsOneLine();
    void importWritesOnlyWhatTheReaderReads_data();
    void importWritesOnlyWhatTheReaderReads();
    void canonicalFileUnderAnySettings_data();
    void canonicalFileUnderAnySettings();
    void refusedRowsCountedFirstNamed();
    void limitsStatedAsTheyAre();
};

void TestImportFormats::dates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("birth");
    QTest::addColumn<QDate>("expected"); // invalid: refused
    const QDate today = QDate::currentDate();
    const QString tomorrowText = canonicalDateText(today.addDays(1));
    const QString later = canonicalDateText(today.addDays(2));
    // Birth dates are measured against a test on 15.05.2026.
    QTest::newRow("test dd.mm.yy") << "05.03.21" << false << QDate(2021, 3, 5);
    QTest::newRow("test ISO") << "2021-03-05" << false << QDate(2021, 3, 5);
    QTest::newRow("test tomorrow") << tomorrowText << false << today.addDays(1);
    QTest::newRow("test after tomorrow") << later << false << QDate();
    QTest::newRow("test two-digit year ahead")
        << today.addYears(1).toString(QStringLiteral("dd.MM.yy")) << false << QDate();
    QTest::newRow("test 2099") << "01.01.2099" << false << QDate();
    QTest::newRow("test 9999") << "9999-12-31" << false << QDate();
    QTest::newRow("test before 1990") << "31.12.1989" << false << QDate();
    QTest::newRow("birth dd.mm.yy of the last century") << "18.06.71" << true << QDate(1971, 6, 18);
    QTest::newRow("birth dd.mm.yy of this century") << "01.02.05" << true << QDate(2005, 2, 1);
    QTest::newRow("birth ISO before 1977") << "1965-04-03" << true << QDate(1965, 4, 3);
    QTest::newRow("birth two-digit, no century fits") << "01.01.20" << true << QDate();
    QTest::newRow("birth age 13") << "16.05.2012" << true << QDate();
    QTest::newRow("birth age 14") << "15.05.2012" << true << QDate(2012, 5, 15);
    QTest::newRow("birth age 101") << "14.05.1925" << true << QDate();
    QTest::newRow("birth year 1") << "01.01.0001" << true << QDate();
    QTest::newRow("no such day") << "29.02.1971" << true << QDate();
    QTest::newRow("US form under Russian settings") << "6/18/71" << true << QDate();
    QTest::newRow("words") << "вчера" << true << QDate();
}

void TestImportFormats::dates() {
    QFETCH(QString, text);
    QFETCH(bool, birth);
    QFETCH(QDate, expected);
    QString problem;
    const std::optional<QDate> date = birth ? readBirthDate(text, QDate(2026, 5, 15), &problem)
                                            : readTestDate(text, QDate::currentDate(), &problem);
    QCOMPARE(date.value_or(QDate()), expected);
    QCOMPARE(problem.isEmpty(), expected.isValid());
    // The entry form's check reads the same: a sheet with this date has a problem exactly
    // when the rule refuses it (the test date of a birth row is one the rule takes).
    AnswerSheet sheet = answerSheetOf(generatedExaminee(1u, 0));
    (birth ? sheet.birthDate : sheet.testDate) = text;
    if (birth)
        sheet.testDate = QStringLiteral("15.05.2026");
    if (birth && QDate::currentDate() < QDate(2026, 5, 14))
        QSKIP("the test date of the birth rows lies ahead");
    bool refused = false;
    for (const SheetProblem& p : checkSheet(sheet))
        refused = refused || p.column == (birth ? BirthDateColumn : TestDateColumn);
    QCOMPARE(refused, !expected.isValid());
}

void TestImportFormats::oneLetterAndDigitAnswers_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("answer"); // ItemAnswer, -1 refused
    const int r = int(ItemAnswer::Resultative);
    const int p = int(ItemAnswer::Procedural);
    QTest::newRow("Р") << "Р" << r;
    QTest::newRow("р") << "р" << r;
    QTest::newRow("П") << "П" << p;
    QTest::newRow("1") << "1" << r;
    QTest::newRow("2") << "2" << p;
    QTest::newRow("РО") << " РО " << r;
    QTest::newRow("по") << "по" << p;
    QTest::newRow("R") << "R" << r;
    QTest::newRow("p") << "p" << p;
    QTest::newRow("H") << "H" << r;
    QTest::newRow("G") << "G" << p;
    QTest::newRow("3") << "3" << -1;
    QTest::newRow("РП") << "РП" << -1;
    QTest::newRow("О") << "О" << -1;
}

void TestImportFormats::oneLetterAndDigitAnswers() {
    QFETCH(QString, cell);
    QFETCH(int, answer);
    // Through a whole table: item 1 gets the cell, and the other items their generated answer.
    QList<QStringList> rows = cellRows(1, false);
    const int column = int(rows[0].indexOf(QStringLiteral("1")));
    rows[1][column] = cell;
    const QList<ImportRow> read = rowsOf(parseImportTable(csvOf(rows)));
    QCOMPARE(read.size(), 1);
    if (answer < 0) {
        QCOMPARE(read[0].problems.size(), 1);
        QCOMPARE(read[0].problems[0].column, QStringLiteral("1"));
        return;
    }
    QCOMPARE(read[0].problems, QList<SheetProblem>{});
    QCOMPARE(read[0].sheet.marks[0], marksFor(ItemAnswer(answer)));
    const AnswerSheet generated = answerSheetOf(generatedExaminee(4242u, 0));
    QCOMPARE(read[0].sheet.marks[107], generated.marks[107]);
}

void TestImportFormats::workbooksReadAsTheirCsv_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("xlsx") << "xlsx";
    QTest::newRow("ods") << "ods";
}

void TestImportFormats::workbooksReadAsTheirCsv() {
    QFETCH(QString, kind);
    QList<QStringList> rows = cellRows(5);
    rows[1][2] = QStringLiteral("007");                     // a code with leading zeros
    rows[2][3] = QStringLiteral("Петрова  Анна & <Дочь>");  // two blanks, markup
    rows[3][1] = QStringLiteral("18.06.1971");              // a date cell
    rows.insert(3, QStringList(rows[0].size(), QString())); // a blank row, left out
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.") + kind);
    const QList<int> textColumns = {2, 3};
    QVERIFY(kind == QStringLiteral("xlsx") ? testworkbooks::writeXlsx(path, rows, textColumns)
                                           : testworkbooks::writeOds(path, rows, textColumns));

    QList<ImportRow> read;
    try {
        const ImportTable workbook = openImportTable(path);
        QCOMPARE(workbook.headingProblems(), QList<SheetProblem>{});
        QVERIFY(workbook.timesGiven());
        read = rowsOf(workbook);
    } catch (const AnalysisError& error) {
        QFAIL(qPrintable(error.message()));
    }
    const QList<ImportRow> expected = rowsOf(parseImportTable(csvOf(rows)));
    QCOMPARE(read.size(), 5);
    for (int i = 0; i < read.size(); ++i) {
        QCOMPARE(read[i].row, expected[i].row);
        QCOMPARE(read[i].problems, QList<SheetProblem>{});
        QCOMPARE(read[i].sheet, expected[i].sheet);
    }
    QCOMPARE(read[0].sheet.code, QStringLiteral("007"));
    QCOMPARE(read[1].sheet.name, QStringLiteral("Петрова  Анна & <Дочь>"));
    QCOMPARE(read[2].row, 5);
    QCOMPARE(read[2].sheet.birthDate, QStringLiteral("18.06.1971"));
}

void TestImportFormats::wrongTableIsOneLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray csv = csvOf(cellRows(2));
    QStringEncoder koi8("KOI8-R");
    QTest::newRow("KOI8-R: the items found, the texts not")
        << QByteArray(koi8.encode(QString::fromUtf8(csv))) << "нет столбцов: «Дата обследования»";
    QTest::newRow("a table of something else")
        << QByteArray("Фамилия;Отдел;Оклад\r\nИванов;ОК;100\r\n") << "нет ни одного";
    QTest::newRow("no item columns")
        << QByteArray(csvOf({cellRows(1)[0].mid(0, 6)})) << "нет столбцов: «1»–«108»";
}

void TestImportFormats::wrongTableIsOneLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const ImportTable table = parseImportTable(bytes);
    QCOMPARE(table.headingProblems().size(), 1);
    QVERIFY2(table.headingProblems()[0].reason.startsWith(reason) ||
                 table.headingProblems()[0].reason.contains(reason),
             qPrintable(table.headingProblems()[0].reason));
}

void TestImportFormats::importWritesOnlyWhatTheReaderReads_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::newRow("name over the limit") << NameColumn << QString(MaxSheetTextLength + 1, u'Я');
    QTest::newRow("name of a megabyte") << NameColumn << QString(1 << 20, u'Я');
    QTest::newRow("time infinite") << "t5"
                                   << "inf";
    QTest::newRow("time not a number") << "t5"
                                       << "nan";
    QTest::newRow("time negative") << "t5"
                                   << "-1";
    QTest::newRow("test date 2099") << TestDateColumn << "01.01.2099";
    QTest::newRow("test date 9999") << TestDateColumn << "31.12.9999";
    QTest::newRow("birth year 1") << BirthDateColumn << "0001-01-01";
}

void TestImportFormats::importWritesOnlyWhatTheReaderReads() {
    QFETCH(QString, column);
    QFETCH(QString, value);
    QList<QStringList> rows = cellRows(2);
    rows[2][rows[0].indexOf(column)] = value;
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("t.csv"));
    QVERIFY(writeFile(table, csvOf(rows)));
    int exitCode = 0;
    const QStringList errors = runImport({table, QStringLiteral("--data"), dir.path()}, &exitCode);
    QCOMPARE(exitCode, 1);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(QStringLiteral("ezr-import: строка 3, столбец «%1»").arg(column)),
             qPrintable(errors[0]));
    QVERIFY(errors[0].size() < 300); // the value quoted short, not a megabyte of it
    // The good row is written and reads back.
    const QString written = sheetFilePath(dir.path(), rows[1][2]);
    QCOMPARE(readResponseFile(written).header.code, rows[1][2]);
}

void TestImportFormats::canonicalFileUnderAnySettings_data() {
    QTest::addColumn<QLocale>("settings");
    QTest::newRow("ru_RU") << QLocale(QLocale::Russian, QLocale::Russia);
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("C") << QLocale::c();
}

void TestImportFormats::canonicalFileUnderAnySettings() {
    QFETCH(QLocale, settings);
    QLocale::setDefault(settings);
    QList<QStringList> rows = cellRows(1);
    rows[1][0] = QStringLiteral("2021-03-09");
    rows[1][1] = QStringLiteral("1965-04-03"); // refused under en_US once
    rows[1][rows[0].indexOf(QStringLiteral("t1"))] = QStringLiteral("12.5");
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("t.csv"));
    QVERIFY(writeFile(table, csvOf(rows)));
    int exitCode = 0;
    const QStringList errors = runImport({table, QStringLiteral("--data"), dir.path()}, &exitCode);
    QCOMPARE(errors, QStringList{});
    QCOMPARE(exitCode, 0);
    const QString path = sheetFilePath(dir.path(), rows[1][2]);
    const QStringList lines =
        decodeWindows1251(unscrambleText(readFile(path))).split(QStringLiteral("\r\n"));
    QCOMPARE(lines[0], QStringLiteral("09.03.2021"));
    QCOMPARE(lines[1], QStringLiteral("03.04.1965"));
    QCOMPARE(lines[11],
             itemLine(marksFor(itemAnswer(answerSheetOf(generatedExaminee(4242u, 0)).marks[0])),
                      12.5, QLatin1Char(',')));
    // And the file reads alike under every settings.
    for (const QLocale& reader : {QLocale(QLocale::Russian, QLocale::Russia), QLocale::c(),
                                  QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(reader);
        const ResponseFile file = readResponseFile(path);
        QCOMPARE(file.record.answerTimes[0], 12.5);
        QCOMPARE(file.age.isEmpty(), false);
    }
}

void TestImportFormats::refusedRowsCountedFirstNamed() {
    // 150 rows of junk: each is refused with its first problems named, up to 100 rows.
    QList<QStringList> rows = {cellRows(0)[0]};
    for (int i = 0; i < 150; ++i)
        rows << QStringList(rows[0].size(), QStringLiteral("x%1").arg(i));
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("junk.csv"));
    QVERIFY(writeFile(table, csvOf(rows)));
    int exitCode = 0;
    const QStringList errors = runImport({table, QStringLiteral("--data"), dir.path()}, &exitCode);
    QCOMPARE(exitCode, 1);
    QCOMPARE(errors.last(), QStringLiteral("ezr-import: и ещё 50 отклонённых строк"));
    QVERIFY(errors[errors.size() - 2].startsWith(QStringLiteral("ezr-import: строка 101,")));
    QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.cry")}).isEmpty());
}

void TestImportFormats::limitsStatedAsTheyAre() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    QVERIFY(writeFile(path, QByteArray(2 * 1024 * 1024 + 1, 'x')));
    for (const auto& [limit, text] : {std::pair{qint64(1024 * 1024), "больше 1 МБ"},
                                      std::pair{qint64(2 * 1024 * 1024), "больше 2 МБ"},
                                      std::pair{qint64(1000), "больше 1000 байт"}}) {
        try {
            readFileBytes(path, limit);
            QFAIL("read over the limit");
        } catch (const AnalysisError& error) {
            QVERIFY2(error.message().endsWith(QStringLiteral("(%1)").arg(QString::fromUtf8(text))),
                     qPrintable(error.message()));
        }
    }
    // A workbook whose sheet is not a table at all is named in one Russian line.
    const QString archive = dir.filePath(QStringLiteral("a.xlsx"));
    QVERIFY(testworkbooks::writeZip(archive, {{"xl/workbook.xml", "<workbook/>"}}));
    try {
        const ImportTable table = openImportTable(archive);
        QFAIL("a workbook without a sheet opened");
    } catch (const AnalysisError& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("Таблица")),
                 qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestImportFormats)
#include "tst_importformats.moc"
