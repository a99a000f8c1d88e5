// The table of every examinee: the workbook read back by an independent reader (unzip and
// the sheet XML), and the CSV's quoting and separators.

#include "Analysis.h"
#include "ExamineeTable.h"
#include "FileSizeLimit.h"
#include "OutputError.h"
#include "Regional.h"
#include "ResultSheet.h"
#include "SampleMaker.h"
#include "TableFiles.h"
#include "TestFiles.h"
#include "ZipCheck.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

using namespace ezr;

namespace {

const QString OddName = QStringLiteral("Иванов; \"Ваня\", мл.");

// The group of three generated examinees, the second with a name that needs quoting.
QString makeGroup(const QTemporaryDir& dir) {
    const QString data = dir.filePath(QStringLiteral("Data"));
    QList<SampleExaminee> examinees;
    for (int i = 0; i < 3; ++i)
        examinees.append(generatedExaminee(77u, i));
    examinees[1].name = OddName;
    for (SampleExaminee& examinee : examinees) {
        const QString path = data + QLatin1Char('/') + responseFileName(examinee);
        QDir().mkpath(data);
        if (!writeFile(path, makeResponseFile(examinee, decimalSeparator())))
            return QString();
    }
    return data;
}

// What the examinee's own individual analysis, compared with the same norm, shows.
AnalysisState alone(const QString& path, NormKind kind, const QString& sex) {
    AnalysisState state = individualAnalysis(path);
    state.header.sex = sex;
    return withNorm(std::move(state), kind);
}

} // namespace

class TestExamineeTable : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void groupWorkbookReadBack() {
        if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        QVERIFY(!data.isEmpty());
        const AnalysisState group = groupAnalysis(data, NormKind::Sex, QStringLiteral("Женский"));
        const QString book = dir.filePath(QStringLiteral("group.xlsx"));
        QVERIFY(writeFile(book, buildExamineeXlsx(group)));

        const QByteArray workbook = unzipped(book, QStringLiteral("xl/workbook.xml"));
        QVERIFY(workbook.contains("name=\"Группа\""));
        const QByteArray sheetXml = unzipped(book, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(sheetXml.contains("state=\"frozen\""));
        const QHash<QString, QString> cells = sheetCells(
            sheetXml, sharedStrings(unzipped(book, QStringLiteral("xl/sharedStrings.xml"))));

        // The headings the spreadsheet users rely on.
        const QStringList headings = examineeHeadings();
        QCOMPARE(headings.size(), 7 + 36 + 36 + 5 + 2);
        QCOMPARE(headings.first(), QStringLiteral("Файл"));
        QCOMPARE(headings[7], QStringLiteral("П1 Преобразование"));
        QCOMPARE(headings[13], QStringLiteral("П2 РО Преобразование"));
        QCOMPARE(headings[42], QStringLiteral("П3 Труд Достижение"));
        QCOMPARE(headings[43], QStringLiteral("Хм2 П1 Преобразование"));
        QCOMPARE(headings[79], QStringLiteral("X2 П1"));
        QCOMPARE(headings.last(), QStringLiteral("Ст. откл. времени"));
        for (int c = 0; c < headings.size(); ++c)
            QCOMPARE(cells.value(columnName(c) + QLatin1Char('1')), headings[c]);

        // One row per member in listing order, each as its own analysis under the group's
        // norm shows it; the numbers at full precision.
        QCOMPARE(group.members.size(), 3);
        for (int m = 0; m < 3; ++m) {
            const QString row = QString::number(m + 2);
            const QString file = cells.value(QStringLiteral("A") + row);
            QCOMPARE(file, group.members[m].fileName);
            const AnalysisState own =
                alone(data + QLatin1Char('/') + file, NormKind::Sex, QStringLiteral("Женский"));
            QCOMPARE(cells.value(QStringLiteral("C") + row), formatSheet(own).name);
            const auto number = [&](int column) {
                return cells.value(columnName(column) + row).toDouble();
            };
            for (int i = 0; i < 6; ++i) {
                QCOMPARE(number(7 + i), own.record.scores.raw.profile1[i]);
                QCOMPARE(number(43 + i), own.comparison.chi.profile1[i]);
            }
            for (int i = 0; i < 18; ++i)
                QCOMPARE(number(61 + i), own.comparison.chi.profile3[i]);
            QCOMPARE(formatSignificant5(number(79)), formatSheet(own).profile1X2);
            QCOMPARE(formatFixed(number(82), 0, 1), formatSheet(own).inclusionIndex);
            QCOMPARE(formatFixed(number(83), 0, 1), formatSheet(own).innovationIndex);
            QCOMPARE(number(84), own.record.meanTime);
            QCOMPARE(number(85), own.record.sdTime);
        }
        QVERIFY(!cells.contains(QStringLiteral("A5")));
    }

    void csvQuotingAndSeparators_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QChar>("separator");
        QTest::newRow("decimal comma") << QLocale(QLocale::Russian, QLocale::Russia) << QChar(u';');
        QTest::newRow("decimal point")
            << QLocale(QLocale::English, QLocale::UnitedStates) << QChar(u',');
    }

    void csvQuotingAndSeparators() {
        QFETCH(QLocale, locale);
        QFETCH(QChar, separator);
        QLocale::setDefault(locale);
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        const AnalysisState group = groupAnalysis(data, NormKind::Satisfaction, QString());
        const QByteArray csv = buildRegionalCsv(examineeTable(group));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QString text = QString::fromUtf8(csv.mid(3));
        QVERIFY(text.contains(QStringLiteral("\"Иванов; \"\"Ваня\"\", мл.\"")));

        const QList<QStringList> records = parseCsv(text, separator);
        QCOMPARE(records.size(), 4);
        for (const QStringList& record : records)
            QCOMPARE(record.size(), examineeHeadings().size());
        QCOMPARE(records[0], examineeHeadings());
        const auto member = std::find_if(records.begin(), records.end(), [](const QStringList& r) {
            return r.value(2) == OddName;
        });
        QVERIFY(member != records.end());
        // Numbers in full, with the regional decimal separator.
        const int index = int(member - records.begin()) - 1;
        QCOMPARE(locale.toDouble(member->at(84)), group.members[index].results.meanTime);
        QCOMPARE(locale.toDouble(member->at(85)), group.members[index].results.sdTime);
    }

    // Text that a spreadsheet would take for a formula: an apostrophe in the CSV, a string
    // cell in the workbook.
    void formulaLikeText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("csvField");
        QTest::newRow("equals") << "=HYPERLINK(\"http://x\")"
                                << "\"'=HYPERLINK(\"\"http://x\"\")\"";
        QTest::newRow("plus") << "+cmd|' /C calc'!A0"
                              << "'+cmd|' /C calc'!A0";
        QTest::newRow("minus") << "-2+3"
                               << "'-2+3";
        QTest::newRow("at") << "@SUM(A1)"
                            << "'@SUM(A1)";
        QTest::newRow("tab") << "\t=1"
                             << "'\t=1";
        QTest::newRow("carriage return") << "\r=1"
                                         << "\"'\r=1\"";
        QTest::newRow("inside is harmless") << "a=b-c"
                                            << "a=b-c";
    }
    void formulaLikeText() {
        QFETCH(QString, text);
        QFETCH(QString, csvField);
        SheetTable table;
        table.name = QStringLiteral("Обследуемые");
        table.rows = {{text, -1.5}};
        const QString csv = QString::fromUtf8(buildCsv(table, u';', u',').mid(3));
        QCOMPARE(csv, csvField + QStringLiteral(";-1,5\r\n"));

        if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("book.xlsx"));
        QVERIFY(writeFile(book, buildXlsx({table})));
        const QByteArray sheetXml = unzipped(book, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(sheetXml.contains("<c r=\"A1\" t=\"s\">"));
        QVERIFY(!sheetXml.contains("<f>"));
        const QHash<QString, QString> cells = sheetCells(
            sheetXml, sharedStrings(unzipped(book, QStringLiteral("xl/sharedStrings.xml"))));
        // OOXML writes a carriage return as "_x000D_", which spreadsheets read back as one.
        QCOMPARE(cells.value(QStringLiteral("A1"))
                     .replace(QStringLiteral("_x000D_"), QStringLiteral("\r")),
                 text);
    }

    // The read-back check finds what an unchecked write of the library leaves: a damaged or
    // missing part, a cut archive.
    void damagedWorkbookIsFound() {
        SheetTable table;
        table.name = QStringLiteral("Обследуемые");
        for (int r = 0; r < 50; ++r)
            table.rows.append({QStringLiteral("строка %1").arg(r), double(r)});
        const QByteArray good = buildXlsx({table});
        const QStringList required{QStringLiteral("xl/worksheets/sheet1.xml")};
        QVERIFY(!archiveDamage(good, required));

        const QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
        const qsizetype name = good.indexOf(sheet.toLatin1());
        QVERIFY(name > 0);
        QByteArray flipped = good;
        flipped[name + sheet.size() + 10] = char(flipped[name + sheet.size() + 10] ^ 0x55);
        const std::optional<ArchiveDamage> damage = archiveDamage(flipped, required);
        QVERIFY(damage);
        QCOMPARE(damage->part, sheet);
        QVERIFY(archiveDamage(good.left(good.size() - 30), required));
        const std::optional<ArchiveDamage> missing =
            archiveDamage(good, {QStringLiteral("xl/worksheets/sheet2.xml")});
        QVERIFY(missing && missing->missing);
    }

    // The library's writes fail under the limit: an error that names the reason, and not a
    // word of the library's own on standard error.
    void workbookWhoseLibraryWriteFails() {
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        const AnalysisState group = groupAnalysis(data, NormKind::Satisfaction, QString());
        const QString errors = dir.filePath(QStringLiteral("stderr.txt"));
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        QVERIFY(std::freopen(QFile::encodeName(errors).constData(), "w", stderr));
        bool thrown = false;
        try {
            const FileSizeLimit limit(4096);
            buildExamineeXlsx(group);
        } catch (const OutputError& error) {
            thrown = true;
            QCOMPARE(error.kind(), OutputError::Kind::Workbook);
            QVERIFY2(error.message().startsWith(QStringLiteral("Cannot make the workbook. ")),
                     qPrintable(error.message()));
        }
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        QVERIFY(thrown);
        QCOMPARE(readFile(errors), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestExamineeTable)
#include "tst_examineetable.moc"
