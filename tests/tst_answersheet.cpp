// Answer sheets: written as response files and read back, their checks, double entry.

#include "AnswerSheet.h"
#include "DoubleEntry.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "ResponseWriter.h"
#include "SampleMaker.h"

#include <QLocale>
#include <QTest>

using namespace ezr;

namespace {

// A sheet as a psychologist enters it from paper: every item answered, no times.
AnswerSheet paperSheet() {
    AnswerSheet sheet;
    sheet.testDate = QStringLiteral("06.06.2006");
    sheet.birthDate = QStringLiteral("05.06.1966");
    sheet.code = QStringLiteral("П-17");
    sheet.name = QStringLiteral("Ёлкина  Анна-Мария Петровна ");
    sheet.sex = QStringLiteral("Женский");
    sheet.education = QStringLiteral("Среднее");
    for (int i = 0; i < ItemCount; ++i)
        sheet.marks[static_cast<std::size_t>(i)] =
            marksFor(i % 3 == 0 ? ItemAnswer::Procedural : ItemAnswer::Resultative);
    return sheet;
}

} // namespace

class TestAnswerSheet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void writtenSheetReadsBack_data();
    void writtenSheetReadsBack();
    void handEnteredSheetHasNoTimes();
    void generatorBytesUnchanged();
    void refusals_data();
    void refusals();
    void doubleEntryListsDisagreements();
    void decidedSheetTakesThePapersValues();
};

void TestAnswerSheet::writtenSheetReadsBack_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("Russian settings") << QStringLiteral("ru_RU");
    QTest::newRow("decimal point, month first") << QStringLiteral("en_US");
}

void TestAnswerSheet::writtenSheetReadsBack() {
    QFETCH(QString, locale);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    AnswerSheet sheet = paperSheet();
    sheet.testDate = formatShortDate(QDate(2026, 3, 9));
    sheet.birthDate = formatShortDate(QDate(1970, 12, 31));
    // Times the reader must take back exactly, not rounded to the tenths the generator uses.
    sheet.answerTimes[0] = 12.35;
    sheet.answerTimes[1] = 0.1;
    sheet.answerTimes[2] = 123456.5;
    sheet.answerTimes[107] = 3.0;
    sheet.timingLines = importedTimingLines(true);

    const QByteArray stored = responseFileBytes(sheet, decimalSeparator());
    QCOMPARE(readAnswerSheet(stored), sheet);
    // The analysis reads the same file to the same texts, marks and times.
    const ResponseFile file = parseResponseFile(stored);
    QCOMPARE(file.header.name, sheet.name);
    QCOMPARE(file.header.code, sheet.code);
    QCOMPARE(file.header.testDate, sheet.testDate);
    QCOMPARE(file.record.timingLines, sheet.timingLines);
    QCOMPARE(file.record.answerTimes, sheet.answerTimes);
    QCOMPARE(file.record.answers[2][35], sheet.marks[107]);
    QCOMPARE(file.record.answers[1][0], sheet.marks[36]);
    QLocale::setDefault(previous);
}

void TestAnswerSheet::handEnteredSheetHasNoTimes() {
    const AnswerSheet sheet = paperSheet();
    QVERIFY(checkSheet(sheet).isEmpty());
    const ResponseFile file = parseResponseFile(responseFileBytes(sheet, decimalSeparator()));
    QVERIFY(!answerTimesMeasured(file.record.answerTimes));
    QVERIFY(file.record.timingLines[0].contains(QStringLiteral("вручную")));
    QCOMPARE(file.record.timingLines[1], TimesNotMeasuredText);
    // One measured time is enough for a chart.
    AnswerSheet timed = sheet;
    timed.answerTimes[50] = 0.5;
    QVERIFY(answerTimesMeasured(timed.answerTimes));
}

void TestAnswerSheet::generatorBytesUnchanged() {
    // The generator now writes through the same writer: its times keep their one decimal, so
    // the bundled sample stays byte for byte what it was.
    const SampleExaminee e = bundledSample().front();
    const QList<QString> lines = makePlainText(e).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 119);
    for (int i = 0; i < ItemCount; ++i) {
        const double t = e.answerTimes[static_cast<std::size_t>(i)];
        const long long tenths = std::llround(t * 10.0);
        const QString expected =
            QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10).rightJustified(8);
        QCOMPARE(lines[11 + i].mid(10), expected);
    }
}

void TestAnswerSheet::refusals_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expectedColumn");
    const QString test = TestDateColumn;
    const QString birth = BirthDateColumn;
    QTest::newRow("no such day") << test << "30.02.2006" << test;
    QTest::newRow("empty date") << test << "" << test;
    QTest::newRow("born on the test day") << birth << "06.06.2006" << birth;
    QTest::newRow("born after the test") << birth << "07.06.2006" << birth;
    QTest::newRow("empty code") << CodeColumn << "" << CodeColumn;
    QTest::newRow("code with a slash") << CodeColumn << "12/3" << CodeColumn;
    QTest::newRow("code with a blank at the end") << CodeColumn << "123 " << CodeColumn;
    QTest::newRow("line break in the name") << NameColumn << "Иванов\r\nИван" << NameColumn;
    QTest::newRow("name outside Windows-1251") << NameColumn << "Wang 王" << NameColumn;
    QTest::newRow("sex abbreviated") << SexColumn << "муж" << SexColumn;
    QTest::newRow("education other") << EducationColumn << "Неполное" << EducationColumn;
    QTest::newRow("item not answered") << "17"
                                       << ""
                                       << "17";
    QTest::newRow("negative time") << "t5"
                                   << "-1"
                                   << "t5";
    QTest::newRow("time too long") << "t108"
                                   << "123456789"
                                   << "t108";
}

void TestAnswerSheet::refusals() {
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, expectedColumn);
    AnswerSheet sheet = paperSheet();
    if (column == TestDateColumn)
        sheet.testDate = value;
    else if (column == BirthDateColumn)
        sheet.birthDate = value;
    else if (column == CodeColumn)
        sheet.code = value;
    else if (column == NameColumn)
        sheet.name = value;
    else if (column == SexColumn)
        sheet.sex = value;
    else if (column == EducationColumn)
        sheet.education = value;
    else if (column.startsWith(QLatin1Char('t')))
        sheet.answerTimes[column.mid(1).toUInt() - 1] = value.toDouble();
    else
        sheet.marks[column.toUInt() - 1] = {1, 1};
    const QList<SheetProblem> problems = checkSheet(sheet);
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.front().column, expectedColumn);
    QVERIFY(!problems.front().reason.isEmpty());
}

void TestAnswerSheet::doubleEntryListsDisagreements() {
    const AnswerSheet first = paperSheet();
    QVERIFY(compareEntries(first, first).isEmpty());
    AnswerSheet second = first;
    second.name = QStringLiteral("Елкина Анна-Мария Петровна");
    second.marks[4] = marksFor(ItemAnswer::Procedural); // item 5 was РО
    second.marks[107] = {};                             // item 108 skipped
    second.answerTimes[0] = 9.0;                        // times are not typed: not compared
    const QList<EntryDifference> expected = {
        {NameColumn, first.name, second.name},
        {QStringLiteral("5"), QStringLiteral("РО"), QStringLiteral("ПО"), 5},
        {QStringLiteral("108"), QStringLiteral("РО"), QStringLiteral("—"), 108},
    };
    QCOMPARE(compareEntries(first, second), expected);
}

// Each difference set to the value decided for it, from either entry or (for an item) a third
// answer; anything else is refused rather than written.
void TestAnswerSheet::decidedSheetTakesThePapersValues() {
    const AnswerSheet paper = paperSheet();
    AnswerSheet first = paper;
    first.name = QStringLiteral("Ёлкина Анна-Мария Петровна"); // the first entry misread
    first.marks[4] = marksFor(ItemAnswer::Procedural);
    AnswerSheet second = paper;
    second.marks[4] = {};                                // the second skipped item 5
    second.marks[10] = marksFor(ItemAnswer::Procedural); // and misread item 11 (РО)
    const QList<EntryDifference> differences = compareEntries(first, second);
    QCOMPARE(differences.size(), 3);
    const QStringList decided = {paper.name, QStringLiteral("РО"), QStringLiteral("РО")};
    QCOMPARE(decidedSheet(second, differences, decided), paper);
    QVERIFY(compareEntries(decidedSheet(first, differences, decided), paper).isEmpty());
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, decidedSheet(second, differences,
                                                                 {paper.name, QStringLiteral("РО"),
                                                                  QStringLiteral("да")}));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             decidedSheet(second, differences, {paper.name}));
}

QTEST_GUILESS_MAIN(TestAnswerSheet)
#include "tst_answersheet.moc"
