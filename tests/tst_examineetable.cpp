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
#include "VerifiedWrite.h"
#include "WorkbookCheck.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <random>

#include <unistd.h>

using namespace ezr;

namespace {

const QString OddName = QStringLiteral("Иванов; \"Ваня\", мл.");

// The group of three generated examinees, the second with a name that needs quoting.
QString makeGroup(const QTemporaryDir& dir) {
    QString data = dir.filePath(QStringLiteral("Data"));
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

// The value a table carries to six significant digits.
bool sixDigits(double shown, double value) {
    return qAbs(shown - value) <= 5e-6 * qAbs(value) + 1e-300;
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
        QCOMPARE(headings.size(), 7 + 36 + 36 + 5 + 2 + 1 + 6);
        QCOMPARE(headings.first(), QStringLiteral("Файл"));
        QCOMPARE(headings[7], QStringLiteral("П1 Преобразование"));
        QCOMPARE(headings[13], QStringLiteral("П2 РО Преобразование"));
        QCOMPARE(headings[42], QStringLiteral("П3 Труд Достижение"));
        QCOMPARE(headings[43], QStringLiteral("Хм2 П1 Преобразование"));
        QCOMPARE(headings[79], QStringLiteral("X2 П1"));
        QCOMPARE(headings[85], QStringLiteral("Ст. откл. времени"));
        QCOMPARE(headings[86], QStringLiteral("Норма"));
        QCOMPARE(headings.last(), QStringLiteral("Достоверность ответов"));
        for (int c = 0; c < headings.size(); ++c)
            QCOMPARE(cells.value(columnName(c) + QLatin1Char('1')), headings[c]);

        // One row per member in listing order, each as its own analysis under the group's
        // norm shows it; chi-squares and times to six significant digits, the norm named.
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
                QVERIFY(sixDigits(number(43 + i), own.comparison.chi.profile1[i]));
            }
            for (int i = 0; i < 18; ++i)
                QVERIFY(sixDigits(number(61 + i), own.comparison.chi.profile3[i]));
            QCOMPARE(formatSignificant5(number(79)), formatSheet(own).profile1X2);
            QCOMPARE(formatFixed(number(82), 0, 1), formatSheet(own).inclusionIndex);
            QCOMPARE(formatFixed(number(83), 0, 1), formatSheet(own).innovationIndex);
            QVERIFY(sixDigits(number(84), own.record.meanTime));
            QVERIFY(sixDigits(number(85), own.record.sdTime));
            QCOMPARE(cells.value(columnName(86) + row), QStringLiteral("женщины"));
            // The answer quality as the examinee's own analysis judges it.
            QCOMPARE(number(88), double(own.quality.longestRun));
            QCOMPARE(number(89), double(own.quality.unanswered));
            QCOMPARE(cells.value(columnName(92) + row), qualityVerdict(own.quality));
        }
        QVERIFY(!cells.contains(QStringLiteral("A5")));
    }

    // The workbook shows chi-squares and percentages with a few decimals while each cell
    // keeps its number, and holds a readable test date as a date; one that does not read
    // stays the text it was.
    void workbookNumberAndDateCells() {
        if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        AnalysisState group = groupAnalysis(data, NormKind::Sex, QStringLiteral("Мужской"));
        group.members[1].header.testDate = QStringLiteral("вчера");
        const QString book = dir.filePath(QStringLiteral("group.xlsx"));
        QVERIFY(writeFile(book, buildExamineeXlsx(group)));
        const QByteArray styles = unzipped(book, QStringLiteral("xl/styles.xml"));
        const QByteArray sheetXml = unzipped(book, QStringLiteral("xl/worksheets/sheet1.xml"));
        const QHash<QString, QString> cells = sheetCells(sheetXml, {});

        // The number format of a cell's style, by the style's index.
        QHash<QString, QString> formatCodes; // numFmtId -> code
        QStringList cellFormats;             // style index -> numFmtId
        QXmlStreamReader xml(styles);
        bool inCellFormats = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("numFmt"))
                formatCodes.insert(xml.attributes().value(QLatin1String("numFmtId")).toString(),
                                   xml.attributes().value(QLatin1String("formatCode")).toString());
            if (xml.name() == QLatin1String("cellXfs"))
                inCellFormats = xml.isStartElement();
            if (inCellFormats && xml.isStartElement() && xml.name() == QLatin1String("xf"))
                cellFormats << xml.attributes().value(QLatin1String("numFmtId")).toString();
        }
        const auto formatOf = [&](const QString& reference) {
            const qsizetype at = sheetXml.indexOf("<c r=\"" + reference.toUtf8() + '"');
            const qsizetype end = sheetXml.indexOf('>', at);
            const QByteArray cell = sheetXml.mid(at, end - at);
            const qsizetype style = cell.indexOf(" s=\"");
            if (style < 0)
                return QString();
            const int index = cell.mid(style + 4, cell.indexOf('"', style + 4) - style - 4).toInt();
            return formatCodes.value(cellFormats.value(index));
        };
        const QStringList headings = examineeHeadings();
        const int chi = int(headings.indexOf(QStringLiteral("Хм2 П1 Преобразование")));
        const int x2 = int(headings.indexOf(QStringLiteral("X2 П1")));
        const int date = int(headings.indexOf(QStringLiteral("Дата")));
        QCOMPARE(formatOf(columnName(chi) + QLatin1Char('2')), QStringLiteral("0.00"));
        QVERIFY(sixDigits(cells.value(columnName(chi) + QLatin1Char('2')).toDouble(),
                          examineeComparison(group.members[0].results, group).chi.profile1[0]));
        QCOMPARE(formatOf(columnName(x2) + QLatin1Char('2')), QStringLiteral("0.000"));
        QCOMPARE(formatOf(columnName(date) + QLatin1Char('2')), QStringLiteral("dd.mm.yyyy"));
        const QDate tested = parseShortDate(group.members[0].header.testDate);
        QCOMPARE(cells.value(columnName(date) + QLatin1Char('2')).toLongLong(),
                 QDate(1899, 12, 30).daysTo(tested));
        QCOMPARE(cells.value(columnName(date) + QLatin1Char('3')), QStringLiteral("вчера"));

        // The group's sheet: the percentages of profile 2 with one decimal, its chi-squares
        // with two.
        const QByteArray groupXml = unzipped(book, QStringLiteral("xl/worksheets/sheet2.xml"));
        const QHash<QString, QString> groupCells = sheetCells(groupXml, {});
        // Profile 2's rows: scores, percentages, chi-squares.
        int percent = 0;
        for (int r = 1; r < 60 && percent == 0; ++r)
            if (groupCells.value(QStringLiteral("A%1").arg(r)) == QStringLiteral("%"))
                percent = r;
        QVERIFY(percent > 0);
        const QString percentRow = QString::number(percent);
        const QString chiRow = QString::number(percent + 1);
        const auto groupFormatOf = [&](const QString& reference) {
            const qsizetype at = groupXml.indexOf("<c r=\"" + reference.toUtf8() + '"');
            const QByteArray cell = groupXml.mid(at, groupXml.indexOf('>', at) - at);
            const qsizetype style = cell.indexOf(" s=\"");
            const int index = cell.mid(style + 4, cell.indexOf('"', style + 4) - style - 4).toInt();
            return formatCodes.value(cellFormats.value(index));
        };
        QCOMPARE(groupFormatOf(QStringLiteral("B") + percentRow), QStringLiteral("0.0"));
        QCOMPARE(groupFormatOf(QStringLiteral("B") + chiRow), QStringLiteral("0.00"));
        // Every number of every sheet to six significant digits, as in every table file.
        QCOMPARE(groupCells.value(QStringLiteral("B") + chiRow).toDouble(),
                 tableValue(group.comparison.chi.profile2[0]));
    }

    // The CSV written row by row carries the very numbers of the table made in memory, to
    // the byte: every chi-square and time to six significant digits, under either separator.
    void streamedCsvMatchesTheTable_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("decimal comma") << QLocale(QLocale::Russian, QLocale::Russia);
        QTest::newRow("decimal point") << QLocale(QLocale::English, QLocale::UnitedStates);
    }
    void streamedCsvMatchesTheTable() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        QTemporaryDir dir;
        QString error;
        QVERIFY2(writeGeneratedFiles(dir.path(), 300, 4242u, &error), qPrintable(error));
        for (const NormKind kind : {NormKind::Sex, NormKind::Education, NormKind::Satisfaction}) {
            const AnalysisState group = groupAnalysis(dir.path(), kind, QString());
            ByteArraySink sink;
            writeExamineeTable(ReportFormat::Csv, group, sink);
            QCOMPARE(sink.bytes(), buildRegionalCsv(examineeTable(group)));
        }
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
        // Numbers with the regional decimal separator, times to six significant digits.
        const int index = int(member - records.begin()) - 1;
        bool read = false;
        QVERIFY(sixDigits(locale.toDouble(member->at(84), &read),
                          group.members[index].results.meanTime));
        QVERIFY(read);
        QVERIFY(
            sixDigits(locale.toDouble(member->at(85), &read), group.members[index].results.sdTime));
        QVERIFY(read);
        QCOMPARE(member->at(86), QStringLiteral("удовлетворенность"));
        // Then the answer quality: five figures and the verdict, empty when nothing is
        // doubtful.
        const AnswerQuality& quality = group.members[index].results.quality;
        QCOMPARE(member->at(87).toInt(), quality.fastAnswers);
        QCOMPARE(member->at(88).toInt(), quality.longestRun);
        QCOMPARE(member->last(), qualityVerdict(quality));
    }

    // The CSV's own UTF-8 writing gives Qt's bytes for every kind of character, a lone
    // surrogate included, and quotes only what needs quotes.
    void csvTextIsUtf8_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("quoted");
        QTest::newRow("ascii") << QStringLiteral("Ivanov 12") << false;
        QTest::newRow("cyrillic") << QStringLiteral("Щукина Ёлка") << false;
        QTest::newRow("three bytes") << QStringLiteral("№ 5 € ✓") << false;
        QTest::newRow("surrogate pair") << QString::fromUtf8("nota 𝄞 bene") << false;
        QTest::newRow("lone surrogate") << (QStringLiteral("a") + QChar(0xD800) + u'b') << false;
        QTest::newRow("separator") << QStringLiteral("Иванов; мл.") << true;
        QTest::newRow("line break") << QStringLiteral("Ёж\nЁлка") << true;
    }
    void csvTextIsUtf8() {
        QFETCH(QString, text);
        QFETCH(bool, quoted);
        SheetTable table;
        table.rows = {{text, QStringLiteral("Я")}};
        const QByteArray field = quoted ? '"' + text.toUtf8() + '"' : text.toUtf8();
        QCOMPARE(buildCsv(table, u';', u',').mid(3), field + ";\xD0\xAF\r\n");
    }

    // Numbers to six significant digits, checked against the C library's own rounding of the
    // same values: every magnitude the tables hold and beyond, ties, carries into a seventh
    // digit and the neighbours of powers of ten, each field read back as a decimal.
    void csvNumbersToSixDigits() {
        QList<double> values{0.5,      1.0,       9.999995,   9.9999949999, 0.0015625,
                             1.234565, 99999.95,  123456.5,   1e-4,         0.1,
                             1e15,     12.962963, 18.518519,  1e-7,         123456789012345678.0,
                             2.5e-5,   0.999999,  0.99999951, 1000000.0};
        for (const double power : {1e-4, 1e-3, 0.1, 1.0, 10.0, 1e5, 1e6, 1e14})
            values << std::nextafter(power, 0.0) << std::nextafter(power, 1e300);
        std::mt19937_64 random(20261208);
        std::uniform_real_distribution<double> mantissa(1.0, 10.0);
        std::uniform_int_distribution<int> exponent(-6, 16);
        for (int i = 0; i < 20000; ++i)
            values << mantissa(random) * std::pow(10.0, exponent(random)) * (i % 3 ? 1 : -1);
        SheetTable table;
        table.rows.append(TableRow(values.begin(), values.end()));
        const QList<QByteArray> fields = buildCsv(table, u';', u'.').mid(3).chopped(2).split(';');
        QCOMPARE(fields.size(), values.size());
        for (qsizetype i = 0; i < values.size(); ++i) {
            char expected[40];
            std::snprintf(expected, sizeof expected, "%.5e", values[i]);
            QVERIFY2(!fields[i].contains('e') &&
                         fields[i].toDouble() == std::strtod(expected, nullptr),
                     qPrintable(
                         QStringLiteral("%1: %2, not %3")
                             .arg(values[i], 0, 'g', 17)
                             .arg(QString::fromLatin1(fields[i]), QString::fromLatin1(expected))));
        }
    }

    // A text beyond a cell's 32,767 characters (a damaged file's name) is cut with "…"
    // instead of failing the workbook.
    void workbookCutsTextBeyondACell() {
        SheetTable table;
        table.rows = {{QString(40000, QLatin1Char('x')), QStringLiteral("Я")}};
        const QByteArray workbook = buildXlsx({table});
        QVERIFY(!workbook.isEmpty());
    }

    // Every part of a workbook is deflated at zlib's fastest level, which a zip's local header
    // tells in bits 1 and 2 of its flags (both set): the level that keeps a large table's
    // deflate within a few times the text report's time.
    void workbookPartsDeflatedFast() {
        SheetTable table;
        table.name = QStringLiteral("Обследуемые");
        for (int r = 0; r < 200; ++r)
            table.rows.append({QStringLiteral("Строка %1").arg(r), double(r) / 7.0});
        const QByteArray book = buildXlsx({table});
        int parts = 0;
        for (qsizetype at = book.indexOf("PK\x03\x04"); at >= 0;
             at = book.indexOf("PK\x03\x04", at + 4)) {
            const auto flags = quint16(uchar(book[at + 6]) | uchar(book[at + 7]) << 8);
            const auto method = quint16(uchar(book[at + 8]) | uchar(book[at + 9]) << 8);
            QCOMPARE(method, quint16(8)); // deflate
            QCOMPARE(flags & 6, 6);
            ++parts;
        }
        QVERIFY(parts >= 5);
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
        QVERIFY(sheetXml.contains("<c r=\"A1\" t=\"inlineStr\">"));
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

    // A worksheet of many megabytes is checked without parsing every cell: a part cut short
    // of its closing root element is found all the same.
    void largePartCutShortIsFound_data() {
        QTest::addColumn<bool>("cutShort");
        QTest::newRow("whole") << false;
        QTest::newRow("cut short") << true;
    }
    void largePartCutShortIsFound() {
        QFETCH(bool, cutShort);
        const QByteArray types =
            "<?xml version=\"1.0\"?><Types><Override PartName=\"/xl/worksheets/sheet1.xml\"/>"
            "</Types>";
        QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet><sheetData>";
        while (sheet.size() < qsizetype{6} * 1024 * 1024)
            sheet += "<row r=\"1\"><c r=\"A1\"><v>0.0404108</v></c></row>";
        if (!cutShort)
            sheet += "</sheetData></worksheet>";
        const QByteArray zip =
            storedZip({{"[Content_Types].xml", types}, {"xl/worksheets/sheet1.xml", sheet}});
        const std::optional<ArchiveDamage> damage =
            archiveDamage(zip, {QStringLiteral("xl/worksheets/sheet1.xml")});
        QCOMPARE(bool(damage), cutShort);
        if (damage)
            QCOMPARE(damage->part, QStringLiteral("xl/worksheets/sheet1.xml"));
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
    // A workbook of thousands of rows, written on a thread of its own, that cannot be made:
    // the failure reaches the caller as the same error and the writing thread ends.
    void workbookFailingWhileRowsAreWritten() {
        QTemporaryDir dir;
        const AnalysisState group =
            groupAnalysis(makeGroup(dir), NormKind::Satisfaction, QString());
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        QVERIFY(std::freopen("/dev/null", "w", stderr));
        bool thrown = false;
        try {
            const FileSizeLimit limit(rlim_t{256} * 1024);
            ByteArraySink sink;
            const std::unique_ptr<ExamineeTableWriter> table =
                workbookTableWriter(sink, group.comparison.norm);
            for (int r = 0; r < 2000; ++r)
                writeExamineeRows(group, *table);
            table->finish(group);
        } catch (const OutputError& error) {
            thrown = true;
            QCOMPARE(error.kind(), OutputError::Kind::Workbook);
        }
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        QVERIFY(thrown);
    }
};

QTEST_GUILESS_MAIN(TestExamineeTable)
#include "tst_examineetable.moc"
