// Tables of examinees into response files: reading the table, every refusal with its row and
// column, the command's files and exit codes, and the group report of imported files.

#include "Analysis.h"
#include "ImportCommand.h"
#include "ImportTable.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "SampleMaker.h"
#include "SheetFiles.h"
#include "TestFiles.h"
#include "TextReport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace ezr;

namespace {

// Generated examinees as a table with their answer times, ";"-separated UTF-8.
QString tableOf(const QList<SampleExaminee>& examinees, bool withTimes = true) {
    QStringList lines = {importHeading(withTimes)};
    for (const SampleExaminee& e : examinees)
        lines << importLine(answerSheetOf(e), withTimes);
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

// The rows of one pass over the table (tests hold them; the program never does).
QList<ImportRow> rowsOf(const ImportTable& table) {
    QList<ImportRow> rows;
    for (const ImportRow& row : table.rows())
        rows.append(row);
    return rows;
}

QList<SampleExaminee> generated(int count) {
    QList<SampleExaminee> examinees;
    for (int i = 0; i < count; ++i)
        examinees << generatedExaminee(777u, i);
    return examinees;
}

struct CommandOutcome {
    int exitCode;
    QString out;
    QStringList errorLines;
};

CommandOutcome runImport(const QStringList& arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int code =
        runImportCommand(QStringList{QStringLiteral("ezr-import")} + arguments, out, err);
    return {code, QString::fromLocal8Bit(out.data()),
            QString::fromLocal8Bit(err.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

} // namespace

class TestImportTable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void rowsReadAsEntered_data();
    void rowsReadAsEntered();
    void refusals_data();
    void refusals();
    void shippedTemplateImports();
    void commandWritesOnlyGoodRows();
    void existingFilesNeedReplace();
    void importedGroupReportsAsGenerated();
};

void TestImportTable::rowsReadAsEntered_data() {
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<bool>("commas");
    QTest::newRow("UTF-8 with BOM, semicolons") << QStringLiteral("bom") << false;
    QTest::newRow("UTF-8, commas") << QStringLiteral("utf8") << true;
    QTest::newRow("Windows-1251, semicolons") << QStringLiteral("cp1251") << false;
    QTest::newRow("UTF-16 LE with BOM, tabs") << QStringLiteral("utf16le") << false;
    QTest::newRow("UTF-16 BE with BOM, commas") << QStringLiteral("utf16be") << true;
    QTest::newRow("UTF-16 LE without BOM") << QStringLiteral("utf16le-nobom") << false;
}

void TestImportTable::rowsReadAsEntered() {
    QFETCH(QString, encoding);
    QFETCH(bool, commas);
    const QList<SampleExaminee> examinees = generated(4);
    QString text = tableOf(examinees);
    if (commas)
        text.replace(QLatin1Char(';'), QLatin1Char(','));
    if (encoding == QStringLiteral("utf16le"))
        text.replace(QLatin1Char(';'), QLatin1Char('\t'));
    QByteArray bytes =
        encoding == QStringLiteral("cp1251") ? encodeWindows1251(text) : text.toUtf8();
    if (encoding == QStringLiteral("bom"))
        bytes.prepend("\xEF\xBB\xBF");
    if (encoding.startsWith(QStringLiteral("utf16"))) {
        const bool little = encoding.startsWith(QStringLiteral("utf16le"));
        QStringEncoder encoder(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
                               encoding.endsWith(QStringLiteral("nobom"))
                                   ? QStringConverter::Flag::Default
                                   : QStringConverter::Flag::WriteBom);
        bytes = encoder.encode(text);
    }

    const ImportTable table = parseImportTable(bytes);
    QVERIFY2(table.headingProblems().isEmpty(),
             qPrintable(table.headingProblems().value(0).reason));
    QVERIFY(table.timesGiven());
    const QList<ImportRow> rows = rowsOf(table);
    QCOMPARE(rows.size(), examinees.size());
    QTemporaryDir dir;
    for (int i = 0; i < examinees.size(); ++i) {
        const ImportRow& row = rows[i];
        QCOMPARE(row.row, i + 2);
        QVERIFY2(row.problems.isEmpty(), qPrintable(row.problems.value(0).reason));
        AnswerSheet expected = answerSheetOf(examinees[i]);
        expected.timingLines = importedTimingLines(true);
        QCOMPARE(row.sheet, expected);
        // Written and read back by the reader of the analysis.
        const QString path = sheetFilePath(dir.path(), row.sheet.code);
        writeAnswerSheet(path, row.sheet);
        QCOMPARE(readAnswerSheet(readFile(path)), expected);
        QCOMPARE(readResponseFile(path).record.answerTimes, examinees[i].answerTimes);
    }
}

void TestImportTable::refusals_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expectedColumn");
    // Row 3 of a table of three examinees is changed; the heading is row 1.
    const QString test = QStringLiteral("Дата обследования");
    const QString birth = QStringLiteral("Дата рождения");
    const QString code = QStringLiteral("Код");
    QTest::newRow("no such day") << test << "30.02.2025" << 3 << test;
    QTest::newRow("no such ISO day") << test << "2025-02-30" << 3 << test;
    QTest::newRow("not a date") << birth << "вчера" << 3 << birth;
    QTest::newRow("born after the test") << birth << "2027-01-01" << 3 << birth;
    QTest::newRow("code missing") << code << " " << 3 << code;
    QTest::newRow("code as a path") << code << "../x" << 3 << code;
    QTest::newRow("code of row 2 again") << code << "00001" << 3 << code;
    QTest::newRow("sex unknown") << "Пол"
                                 << "X" << 3 << "Пол";
    QTest::newRow("education unknown") << "Образование"
                                       << "Начальное" << 3 << "Образование";
    QTest::newRow("answer unknown") << "57"
                                    << "РП" << 3 << "57";
    QTest::newRow("answer missing") << "108"
                                    << "" << 3 << "108";
    QTest::newRow("time not a number") << "t1"
                                       << "12с" << 3 << "t1";
    QTest::newRow("time missing") << "t36"
                                  << "" << 3 << "t36";
    QTest::newRow("time negative") << "t2"
                                   << "-0.5" << 3 << "t2";
    QTest::newRow("heading without item 57") << "#57"
                                             << "x" << 1 << "57";
    QTest::newRow("heading with one time missing") << "#t9"
                                                   << "" << 1 << "t9";
}

void TestImportTable::refusals() {
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(int, row);
    QFETCH(QString, expectedColumn);
    const QStringList lines = tableOf(generated(3)).split(QStringLiteral("\r\n"));
    QList<QStringList> cells;
    for (const QString& line : lines)
        cells << line.split(QLatin1Char(';'));
    // "#name" changes the heading cell of that name, otherwise the row's cell in that column.
    const bool heading = column.startsWith(QLatin1Char('#'));
    const int index = int(cells[0].indexOf(heading ? column.mid(1) : column));
    QVERIFY(index >= 0);
    cells[heading ? 0 : 2][index] = value;
    QStringList changed;
    for (const QStringList& line : cells)
        changed << line.join(QLatin1Char(';'));
    const ImportTable table = parseImportTable(changed.join(QStringLiteral("\r\n")).toUtf8());

    QTemporaryDir dir;
    RefusedRows refused;
    importProblems(table, dir.path(), false, refused);
    const QList<RowProblem>& problems = refused.named;
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.front().row, row);
    QCOMPARE(problems.front().column, expectedColumn);
    QVERIFY(!problems.front().reason.isEmpty());
}

void TestImportTable::shippedTemplateImports() {
    // The template users copy from must itself be a table the import takes whole.
    const ImportTable table =
        parseImportTable(readFile(QStringLiteral(EZR_TEST_DATA_DIR "/../../dist/"
                                                                   "ezr-import-template.csv")));
    QVERIFY(table.headingProblems().isEmpty());
    const QList<ImportRow> rows = rowsOf(table);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.front().problems, QList<SheetProblem>{});
    QCOMPARE(rows.front().sheet.testDate, QStringLiteral("09.03.2026"));
    QCOMPARE(rows.front().sheet.name, QStringLiteral("Иванова Мария Сергеевна"));
}

void TestImportTable::commandWritesOnlyGoodRows() {
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("Data"));
    QString text = tableOf(generated(3), false);
    // Row 3 (the second examinee) gets a sex the file cannot take.
    QStringList lines = text.split(QStringLiteral("\r\n"));
    QStringList row3 = lines[2].split(QLatin1Char(';'));
    row3[4] = QStringLiteral("?");
    lines[2] = row3.join(QLatin1Char(';'));
    const QString table = dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(writeFile(table, lines.join(QStringLiteral("\r\n")).toUtf8()));

    const CommandOutcome all =
        runImport({table, QStringLiteral("--data"), data, QStringLiteral("--all-or-nothing")});
    QCOMPARE(all.exitCode, 1);
    QCOMPARE(all.errorLines,
             QStringList{QStringLiteral("ezr-import: строка 3, столбец «Пол»: нужно «Мужской» "
                                        "или «Женский»")});
    QVERIFY(!QDir(data).exists() || QDir(data).isEmpty());

    const CommandOutcome good = runImport({table, QStringLiteral("--data"), data});
    QCOMPARE(good.exitCode, 1);
    QCOMPARE(good.errorLines, all.errorLines);
    QCOMPARE(QDir(data).entryList(QDir::Files),
             (QStringList{QStringLiteral("00001.cry"), QStringLiteral("00003.cry")}));
    // Entered without times: the sheet says so, and the times read as zero.
    const ResponseFile file = readResponseFile(data + QStringLiteral("/00003.cry"));
    QCOMPARE(file.record.timingLines[1], QStringLiteral("Время ответа не измерялось"));
    QVERIFY(!answerTimesMeasured(file.record.answerTimes));

    QCOMPARE(runImport({}).exitCode, 2);
    QCOMPARE(runImport({dir.filePath(QStringLiteral("missing.csv"))}).exitCode, 1);
}

void TestImportTable::existingFilesNeedReplace() {
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(writeFile(table, tableOf(generated(2)).toUtf8()));
    const QString existing = dir.filePath(QStringLiteral("00002.cry"));
    QVERIFY(writeFile(existing, "kept"));

    const CommandOutcome refused = runImport({table, QStringLiteral("--data"), dir.path()});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.errorLines.size(), 1);
    QVERIFY(refused.errorLines.front().startsWith(
        QStringLiteral("ezr-import: строка 3, столбец «Код»: файл «00002.cry» уже есть")));
    QCOMPARE(readFile(existing), QByteArray("kept"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("00001.cry"))));

    const CommandOutcome replaced =
        runImport({table, QStringLiteral("--data"), dir.path(), QStringLiteral("--replace")});
    QCOMPARE(replaced.exitCode, 0);
    QVERIFY(replaced.errorLines.isEmpty());
    QCOMPARE(readResponseFile(existing).header.code, QStringLiteral("00002"));
}

void TestImportTable::importedGroupReportsAsGenerated() {
    // The same examinees, once as the generator writes them and once through a table.
    const int count = 30;
    QTemporaryDir generatedDir;
    QTemporaryDir importedDir;
    QVERIFY(writeGeneratedFiles(generatedDir.path(), count, 777u));
    const QString table = generatedDir.filePath(QStringLiteral("../import-table.csv"));
    QVERIFY(writeFile(table, tableOf(generated(count)).toUtf8()));
    const CommandOutcome imported =
        runImport({table, QStringLiteral("--data"), importedDir.path()});
    QFile::remove(table);
    QCOMPARE(imported.exitCode, 0);
    QCOMPARE(QDir(importedDir.path()).entryList(QDir::Files).size(), count);

    for (const NormKind kind : {NormKind::Sex, NormKind::Education, NormKind::Satisfaction}) {
        const auto report = [kind](const QString& folder) {
            const AnalysisState state =
                groupAnalysis(folder, kind, QStringLiteral("Женский"), fixedToday);
            return buildTextReport(ReportSnapshot{state, {}});
        };
        QCOMPARE(report(importedDir.path()), report(generatedDir.path()));
    }
}

QTEST_GUILESS_MAIN(TestImportTable)
#include "tst_importtable.moc"
