#include "Analysis.h"
#include "AnalysisError.h"
#include "ErrorText.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "SampleMaker.h"
#include "Scoring.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#include <sys/stat.h>

using namespace ezr;

namespace {

const QLocale Russian(QLocale::Russian, QLocale::Russia);

// A plain text of 119 lines: a valid header and 108 valid item lines ("    1    0     5,0"
// with the given decimal separator).
QStringList plainLines(QChar separator = QLatin1Char(',')) {
    QStringList lines = {QStringLiteral("06.06.2006"),
                         QStringLiteral("06.06.1966"),
                         QStringLiteral("7"),
                         QStringLiteral("Иванов Иван Иванович"),
                         QStringLiteral("Мужской"),
                         QStringLiteral("Высшее"),
                         QStringLiteral("Начало теста: 10:15:02"),
                         QStringLiteral("Окончание теста: 10:41:37"),
                         QStringLiteral("Общее время: 26 мин 35 с"),
                         QStringLiteral("Среднее время ответа: 14,8 с"),
                         QString()};
    for (int item = 1; item <= 108; ++item)
        lines << QStringLiteral("    1    0     5") + separator + QLatin1Char('0');
    return lines;
}

QByteArray stored(const QStringList& lines) {
    return scramblePlainText(lines.join(QStringLiteral("\r\n")));
}

QList<QStringView> viewsOf(const QStringList& lines) {
    QList<QStringView> views;
    for (const QString& line : lines)
        views << QStringView(line);
    return views;
}

MarkPair pairOf(const AnalysisRecord& data, int item) {
    return data
        .answers[static_cast<std::size_t>(item - 1) / 36][static_cast<std::size_t>(item - 1) % 36];
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestResponseFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scramblingRoundTrip_data();
    void scramblingRoundTrip();
    void keyRepeatsFromFirstCharacter();
    void keyRunsAcrossLineBreaks();
    void everyPositionUsesItsKeyCharacter_data();
    void everyPositionUsesItsKeyCharacter();
    void windows1251();

    void splitAtCrLf();
    void lineBeyondEndIsEmpty();

    void itemLine_data();
    void itemLine();
    void itemLineErrors_data();
    void itemLineErrors();
    void badValueIsPlaced_data();
    void badValueIsPlaced();
    void failingFieldKeepsEarlierFields();
    void quotedTextStaysReadable_data();
    void quotedTextStaysReadable();
    void readItemLinesZeroesFirst();
    void itemBlocksInFileOrder();

    void headerTakenOverExactly();
    void line10Ignored_data();
    void line10Ignored();
    void linesAfter118Ignored();
    void emptyFile();
    void badBirthDate();
    void headerOnly();
    void file118Lines();
    void shortItemLine();
    void otherKeyFailsAtFirstLine();

    void equalTimesHaveNoDeviation();
    void statisticsByHand_data();
    void statisticsByHand();

    void ageText_data();
    void ageText();

    void bundledSampleEndToEnd();
    void generatedFilesEndToEnd();
    void readUnderOtherSettings_data();
    void readUnderOtherSettings();
    void sampleIsDeterministic();

    void missingFile();
    void directory();
    void fileTooLarge();
    void largestAcceptedFile();
    void readFromDisk();
    void fifoIsRefusedUnread();
};

void TestResponseFile::init() {
    QLocale::setDefault(Russian);
}

void TestResponseFile::cleanup() {
    QLocale::setDefault(QLocale::c());
}

void TestResponseFile::scramblingRoundTrip_data() {
    QTest::addColumn<QByteArray>("plain");
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte.append(static_cast<char>(i));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("0");
    QTest::newRow("header") << QByteArray("06.06.2006\r\n06.06.1966\r\n");
    QTest::newRow("every byte") << everyByte;
    QTest::newRow("Cyrillic") << encodeWindows1251(u"Женский\r\nСреднее");
}

void TestResponseFile::scramblingRoundTrip() {
    QFETCH(QByteArray, plain);
    const QByteArray scrambled = unscrambleText(plain);
    QCOMPARE(scrambled.size(), plain.size());
    QCOMPARE(unscrambleText(scrambled), plain);
    if (!plain.isEmpty())
        QVERIFY(scrambled != plain);
}

void TestResponseFile::keyRepeatsFromFirstCharacter() {
    // XOR with zero shows the key characters themselves: 1, 2, 3, 4, 5, 6, 1.
    QCOMPARE(unscrambleText(QByteArray(7, '\0')), QByteArray("quortaq"));
    QCOMPARE(unscrambleText(QByteArray(13, '\0')), QByteArray("quortaquortaq"));
}

void TestResponseFile::keyRunsAcrossLineBreaks() {
    // "06.06.2006" fills positions 1-10; its CR LF falls on key characters 5 and 6.
    const QByteArray plain("06.06.2006\r\n1");
    const QByteArray scrambled = unscrambleText(plain);
    QCOMPARE(scrambled.at(10), char('\r' ^ 't'));
    QCOMPARE(scrambled.at(11), char('\n' ^ 'a'));
    QCOMPARE(scrambled.at(12), char('1' ^ 'q'));
    QCOMPARE(scrambled.at(0), char('0' ^ 'q'));
    QCOMPARE(scrambled.at(5), char('.' ^ 'a'));
    QCOMPARE(scrambled.at(6), char('2' ^ 'q'));
}

void TestResponseFile::everyPositionUsesItsKeyCharacter_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("response-file key") << QByteArray(DataKey);
    QTest::newRow("one character") << QByteArray("k");
    QTest::newRow("seven characters") << QByteArray("abcdefg");
    QTest::newRow("longer than a block") << QByteArray(70, 'z') + "xy";
}

void TestResponseFile::everyPositionUsesItsKeyCharacter() {
    QFETCH(QByteArray, key);
    for (int length : {0, 1, 5, 6, 7, 63, 64, 65, 127, 128, 129, 300, 2357}) {
        QByteArray plain(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            plain[i] = static_cast<char>((i * 37 + 11) & 0xFF);
        const QByteArray scrambled = unscrambleText(plain, key);
        QCOMPARE(scrambled.size(), plain.size());
        for (int i = 0; i < length; ++i) {
            // Character i (from 1) goes with key character ((i - 1) mod keyLength) + 1.
            const char expected = static_cast<char>(plain[i] ^ key[i % key.size()]);
            if (scrambled[i] != expected)
                QFAIL(qPrintable(QStringLiteral("length %1, position %2").arg(length).arg(i + 1)));
        }
    }
}

void TestResponseFile::windows1251() {
    const QByteArray bytes = encodeWindows1251(u"Мужской");
    QCOMPARE(bytes, QByteArray("\xCC\xF3\xE6\xF1\xEA\xEE\xE9"));
    QCOMPARE(decodeWindows1251(bytes), QStringLiteral("Мужской"));
    QCOMPARE(decodeWindows1251("\xB8\xA8"), QStringLiteral("ёЁ"));
    // Every byte, in a run longer than any table row, reads as the system's converter reads it.
    QByteArray every;
    for (int round = 0; round < 3; ++round)
        for (int byte = 255; byte >= 0; --byte)
            every.append(char(byte));
    QStringDecoder converter("Windows-1251");
    const QString expected = converter.decode(every);
    QCOMPARE(decodeWindows1251(every), expected);
    QCOMPARE(decodeWindows1251(QByteArrayView(every).sliced(100, 7)), expected.mid(100, 7));
}

void TestResponseFile::splitAtCrLf() {
    const QString text = QStringLiteral("a\r\nbb\r\n\r\nc");
    const QList<QStringView> lines = splitLines(text);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], u"a");
    QCOMPARE(lines[1], u"bb");
    QCOMPARE(lines[2], u"");
    QCOMPARE(lines[3], u"c");
    QCOMPARE(splitLines(u"").size(), 1);
    // Only the pair ends a line; a CR or LF on its own stays inside the line.
    const QString lone = QStringLiteral("a\rb\nc\r\nd\r");
    const QList<QStringView> loneLines = splitLines(lone);
    QCOMPARE(loneLines.size(), 2);
    QCOMPARE(loneLines[0], u"a\rb\nc");
    QCOMPARE(loneLines[1], u"d\r");
}

void TestResponseFile::lineBeyondEndIsEmpty() {
    const QString text = QStringLiteral("only");
    const QList<QStringView> lines = splitLines(text);
    QCOMPARE(lineAt(lines, 0), u"only");
    QVERIFY(lineAt(lines, 1).isEmpty());
    QVERIFY(lineAt(lines, 118).isEmpty());
}

void TestResponseFile::itemLine_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("resultative");
    QTest::addColumn<int>("procedural");
    QTest::addColumn<double>("seconds");
    QTest::newRow("decimal point") << "C"
                                   << "    1    0    12.5" << 1 << 0 << 12.5;
    QTest::newRow("decimal comma") << "ru"
                                   << "    1    0    12,5" << 1 << 0 << 12.5;
    QTest::newRow("procedural choice") << "ru"
                                       << "    0    1     3,0" << 0 << 1 << 3.0;
    QTest::newRow("unusual marks") << "ru"
                                   << "   -1    2       7" << -1 << 2 << 7.0;
    QTest::newRow("time left-aligned") << "ru"
                                       << "    1    01,5     " << 1 << 0 << 1.5;
    QTest::newRow("characters after column 18") << "ru"
                                                << "    1    0    12,5xyz 99" << 1 << 0 << 12.5;
    QTest::newRow("exponent") << "C"
                              << "    0    1  1.25e1" << 0 << 1 << 12.5;
    // A file written under the other separator is read as well: the times have no
    // thousands separators, so a comma or a point can only be the decimal one.
    QTest::newRow("comma under decimal point") << "C"
                                               << "    1    0    12,5" << 1 << 0 << 12.5;
    QTest::newRow("point under decimal comma") << "ru"
                                               << "    1    0    12.5" << 1 << 0 << 12.5;
}

void TestResponseFile::itemLine() {
    QFETCH(QString, locale);
    QFETCH(QString, line);
    QFETCH(int, resultative);
    QFETCH(int, procedural);
    QFETCH(double, seconds);
    QLocale::setDefault(locale == QLatin1String("ru") ? Russian : QLocale::c());
    QStringList lines = plainLines(decimalSeparator());
    lines[11 + 40] = line; // item 41
    AnalysisRecord data;
    readItemLines(viewsOf(lines), data);
    QCOMPARE(pairOf(data, 41).resultative, resultative);
    QCOMPARE(pairOf(data, 41).procedural, procedural);
    QCOMPARE(data.answerTimes[40], seconds);
}

void TestResponseFile::itemLineErrors_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank after the digit") << "C"
                                           << "1        0    12.5"
                                           << "'1    ' is not a valid integer value";
    QTest::newRow("bad procedural mark") << "C"
                                         << "    1    x    12.5"
                                         << "'    x' is not a valid integer value";
    QTest::newRow("procedural mark ends in blank") << "C"
                                                   << "    1   0     12.5"
                                                   << "'   0 ' is not a valid integer value";
    QTest::newRow("bad time") << "C"
                              << "    1    0    12;5"
                              << "'    12;5' is not a valid floating point value";
    QTest::newRow("comma and point") << "C"
                                     << "    1    0   1,2.5"
                                     << "'   1,2.5' is not a valid floating point value";
    QTest::newRow("blank time") << "ru"
                                << "    1    0        "
                                << "'        ' is not a valid floating point value";
    QTest::newRow("no time") << "ru"
                             << "    1    0"
                             << "'' is not a valid floating point value";
    // Finite but too large for the statistics: the mean would be infinite, the deviation NaN.
    QTest::newRow("time that overflows the mean")
        << "C"
        << "    1    0   1e308"
        << "'   1e308' is not a valid floating point value";
    QTest::newRow("time beyond a double") << "C"
                                          << "    1    0   1e999"
                                          << "'   1e999' is not a valid floating point value";
    QTest::newRow("infinite time") << "C"
                                   << "    1    0     inf"
                                   << "'     inf' is not a valid floating point value";
    QTest::newRow("negative overflow") << "ru"
                                       << "    1    0 -1,e300"
                                       << "' -1,e300' is not a valid floating point value";
    QTest::newRow("only the first mark") << "ru"
                                         << "    1"
                                         << "'' is not a valid integer value";
    QTest::newRow("empty line") << "ru"
                                << ""
                                << "'' is not a valid integer value";
    QTest::newRow("tab separated") << "ru"
                                   << "1\t0\t12,5"
                                   << "'1\\x090\\x091' is not a valid integer value";
}

// The first line of a damaged file is quoted in the date message: an ordinary line as it
// stands, control characters shown as "?", a file without line breaks cut short.
void TestResponseFile::quotedTextStaysReadable_data() {
    QTest::addColumn<QByteArray>("firstLine");
    QTest::addColumn<QString>("message");
    QTest::newRow("ordinary") << QByteArray("31.02.2020") << "'31.02.2020' is not a valid date";
    QTest::newRow("control bytes")
        << QByteArray("\x1b[2J\0x", 6) << "'?[2J?x' is not a valid date";
    const QByteArray flood = QByteArray(1024 * 1024 - 16, 'A');
    QTest::newRow("1 MiB without line breaks")
        << flood << QStringLiteral("'%1…' is not a valid date").arg(QString(79, u'A'));
}

void TestResponseFile::quotedTextStaysReadable() {
    QFETCH(QByteArray, firstLine);
    QFETCH(QString, message);
    const QByteArray stored = unscrambleText(firstLine + "\r\n01.01.1990\r\n");
    QCOMPARE(errorOf([&] { parseResponseFile(stored); }), message);
}

// The error box keeps the English conversion text as its first line and names, in Russian, the
// file, the line an editor shows (counted from 1) and the value on it.
void TestResponseFile::badValueIsPlaced_data() {
    QTest::addColumn<int>("lineIndex"); // counted from 0
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("field");
    QTest::newRow("test date") << 0 << "06.13.2006"
                               << "'06.13.2006' is not a valid date."
                               << "дата обследования";
    QTest::newRow("birth date") << 1 << ""
                                << "'' is not a valid date."
                                << "дата рождения";
    QTest::newRow("first item, resultative mark") << 11 << "    x    0     5,0"
                                                  << "'    x' is not a valid integer value."
                                                  << "утверждение 1, отметка РО";
    QTest::newRow("item 12, blank procedural mark") << 22 << "    1          5,0"
                                                    << "'     ' is not a valid integer value."
                                                    << "утверждение 12, отметка ПО";
    QTest::newRow("last item, time") << 118 << "    1    0    5;0"
                                     << "'    5;0' is not a valid floating point value."
                                     << "утверждение 108, время ответа";
}

void TestResponseFile::badValueIsPlaced() {
    QFETCH(int, lineIndex);
    QFETCH(QString, line);
    QFETCH(QString, message);
    QFETCH(QString, field);
    QLocale::setDefault(Russian);
    QStringList lines = plainLines();
    lines[lineIndex] = line;
    const QString text = errorBoxTextOf(
        [&] { individualAnalysisFromBytes(stored(lines), QStringLiteral("101.cry")); });
    QCOMPARE(
        text.split(QLatin1Char('\n')),
        QStringList({message,
                     QStringLiteral("Файл 101.cry, строка %1: %2").arg(lineIndex + 1).arg(field)}));
    // The reader alone knows no file: the line starts with the line number.
    try {
        parseResponseFile(stored(lines));
        QFAIL("the bad value was accepted");
    } catch (const AnalysisError& error) {
        QCOMPARE(error.message() + QLatin1Char('.'), message);
        QCOMPARE(error.placeText(), QStringLiteral("Строка %1: %2").arg(lineIndex + 1).arg(field));
    }
}

void TestResponseFile::itemLineErrors() {
    QFETCH(QString, locale);
    QFETCH(QString, line);
    QFETCH(QString, message);
    QLocale::setDefault(locale == QLatin1String("ru") ? Russian : QLocale::c());
    QStringList lines = plainLines(decimalSeparator());
    lines[11 + 9] = line; // item 10
    AnalysisRecord data;
    QCOMPARE(errorOf([&] { readItemLines(viewsOf(lines), data); }), message);
}

void TestResponseFile::failingFieldKeepsEarlierFields() {
    QStringList lines = plainLines();
    lines[11 + 4] = QStringLiteral("    0    1     2,5"); // item 5
    lines[11 + 5] = QStringLiteral("    1    1    xx");   // item 6: the time fails
    AnalysisRecord data;
    QVERIFY(!errorOf([&] { readItemLines(viewsOf(lines), data); }).isEmpty());
    QCOMPARE(pairOf(data, 5), (MarkPair{0, 1}));
    QCOMPARE(data.answerTimes[4], 2.5);
    QCOMPARE(pairOf(data, 6), (MarkPair{1, 1}));
    QCOMPARE(data.answerTimes[5], 0.0);
    QCOMPARE(pairOf(data, 7), (MarkPair{0, 0}));
}

void TestResponseFile::readItemLinesZeroesFirst() {
    AnalysisRecord data;
    data.scores.motiveCounts.fill(9);
    data.answerTimes.fill(99.0);
    for (auto& block : data.answers)
        block.fill(MarkPair{7, 7});
    QStringList lines = plainLines();
    lines[11] = QStringLiteral("x"); // the first item fails at once
    QVERIFY(!errorOf([&] { readItemLines(viewsOf(lines), data); }).isEmpty());
    for (const double count : data.scores.motiveCounts)
        QCOMPARE(count, 0.0);
    for (const double t : data.answerTimes)
        QCOMPARE(t, 0.0);
    for (int item = 1; item <= 108; ++item)
        QCOMPARE(pairOf(data, item), (MarkPair{0, 0}));
}

void TestResponseFile::itemBlocksInFileOrder() {
    QStringList lines = plainLines();
    for (int item = 1; item <= 108; ++item)
        lines[10 + item] = QStringLiteral("%1%2%3,0").arg(item, 5).arg(-item, 5).arg(item, 6);
    AnalysisRecord data;
    readItemLines(viewsOf(lines), data);
    QCOMPARE(data.answers[0][0], (MarkPair{1, -1}));
    QCOMPARE(data.answers[0][35], (MarkPair{36, -36}));
    QCOMPARE(data.answers[1][0], (MarkPair{37, -37}));
    QCOMPARE(data.answers[2][35], (MarkPair{108, -108}));
    QCOMPARE(data.answerTimes[0], 1.0);
    QCOMPARE(data.answerTimes[107], 108.0);
}

void TestResponseFile::headerTakenOverExactly() {
    QStringList lines = plainLines();
    lines[2] = QStringLiteral("  007 ");
    lines[3] = QStringLiteral(" Петрова  Анна ");
    lines[4] = QStringLiteral("Женский");
    lines[5] = QStringLiteral("Среднее");
    lines[9] = QStringLiteral("Среднее время ответа: 14,8 с ");
    const ResponseFile file = parseResponseFile(stored(lines));
    QCOMPARE(file.header.testDate, QStringLiteral("06.06.2006"));
    QCOMPARE(file.header.birthDate, QStringLiteral("06.06.1966"));
    QCOMPARE(file.header.code, QStringLiteral("  007 "));
    QCOMPARE(file.header.name, QStringLiteral(" Петрова  Анна "));
    QCOMPARE(file.header.sex, QStringLiteral("Женский"));
    QCOMPARE(file.header.education, QStringLiteral("Среднее"));
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(file.header.timingLines[static_cast<std::size_t>(i)], lines[6 + i]);
        QCOMPARE(file.record.timingLines[static_cast<std::size_t>(i)], lines[6 + i]);
    }
    QCOMPARE(file.age, QStringLiteral("39.12"));
}

void TestResponseFile::line10Ignored_data() {
    QTest::addColumn<QString>("line10");
    QTest::newRow("empty") << QString();
    QTest::newRow("caption") << QStringLiteral("   РО   ПО   Время");
    QTest::newRow("item-like") << QStringLiteral("    x    y    zz,z");
    QTest::newRow("long") << QString(500, QLatin1Char('#'));
}

void TestResponseFile::line10Ignored() {
    QFETCH(QString, line10);
    QStringList lines = plainLines();
    lines[11] = QStringLiteral("    0    1     7,5");
    const ResponseFile reference = parseResponseFile(stored(lines));
    lines[10] = line10;
    const ResponseFile file = parseResponseFile(stored(lines));
    QVERIFY(file.record.answers == reference.record.answers);
    QCOMPARE(file.record.answerTimes, reference.record.answerTimes);
    QCOMPARE(file.record.meanTime, reference.record.meanTime);
    QCOMPARE(file.record.timingLines, reference.record.timingLines);
}

void TestResponseFile::linesAfter118Ignored() {
    QStringList lines = plainLines();
    const ResponseFile reference = parseResponseFile(stored(lines));
    lines << QStringLiteral("garbage") << QStringLiteral("1        x") << QString();
    const ResponseFile file = parseResponseFile(stored(lines));
    QVERIFY(file.record.answers == reference.record.answers);
    QCOMPARE(file.record.answerTimes, reference.record.answerTimes);
}

void TestResponseFile::emptyFile() {
    QCOMPARE(errorOf([] { parseResponseFile(QByteArray()); }),
             QStringLiteral("'' is not a valid date"));
}

void TestResponseFile::badBirthDate() {
    QStringList lines = plainLines();
    lines[1] = QStringLiteral("1966-06-06");
    QCOMPARE(errorOf([&] { parseResponseFile(stored(lines)); }),
             QStringLiteral("'1966-06-06' is not a valid date"));
}

void TestResponseFile::headerOnly() {
    const QStringList lines = plainLines().mid(0, 10);
    QCOMPARE(errorOf([&] { parseResponseFile(stored(lines)); }),
             QStringLiteral("'' is not a valid integer value"));
}

void TestResponseFile::file118Lines() {
    const QStringList lines = plainLines().mid(0, 118); // lines 0-117
    QCOMPARE(lines.size(), 118);
    QCOMPARE(errorOf([&] { parseResponseFile(stored(lines)); }),
             QStringLiteral("'' is not a valid integer value"));
    // Items 1-107 were read before item 108 failed.
    AnalysisRecord data;
    QVERIFY(!errorOf([&] { readItemLines(viewsOf(lines), data); }).isEmpty());
    QCOMPARE(pairOf(data, 107), (MarkPair{1, 0}));
    QCOMPARE(data.answerTimes[106], 5.0);
    QCOMPARE(pairOf(data, 108), (MarkPair{0, 0}));
}

void TestResponseFile::shortItemLine() {
    QStringList lines = plainLines();
    lines[11 + 107] = QStringLiteral("    1    0"); // item 108 lacks its time
    QCOMPARE(errorOf([&] { parseResponseFile(stored(lines)); }),
             QStringLiteral("'' is not a valid floating point value"));
}

void TestResponseFile::otherKeyFailsAtFirstLine() {
    const QString plain = plainLines().join(QStringLiteral("\r\n"));
    const QByteArray otherKey = unscrambleText(encodeWindows1251(plain), "abcdef");
    const QString message = errorOf([&] { parseResponseFile(otherKey); });
    QVERIFY2(message.endsWith(QStringLiteral("' is not a valid date")), qPrintable(message));
}

void TestResponseFile::equalTimesHaveNoDeviation() {
    AnalysisRecord data;
    data.answerTimes.fill(7.3);
    computeTimeStatistics(data);
    QVERIFY(qAbs(data.meanTime - 7.3) < 1e-12);
    QVERIFY(qAbs(data.sdTime) < 1e-7);
}

void TestResponseFile::statisticsByHand_data() {
    QTest::addColumn<int>("ones");
    QTest::addColumn<double>("rest");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sd");
    // 107 times 1 s and one of 109 s: mean 2, squares 107 * 1 + 107^2 = 11556, / 107 = 108.
    QTest::newRow("one outlier") << 107 << 109.0 << 2.0 << std::sqrt(108.0);
    // 54 times 1 s and 54 times 3 s: mean 2, squares 108, / 107.
    QTest::newRow("two halves") << 54 << 3.0 << 2.0 << std::sqrt(108.0 / 107.0);
}

void TestResponseFile::statisticsByHand() {
    QFETCH(int, ones);
    QFETCH(double, rest);
    QFETCH(double, mean);
    QFETCH(double, sd);
    AnalysisRecord data;
    for (int i = 0; i < 108; ++i)
        data.answerTimes[static_cast<std::size_t>(i)] = i < ones ? 1.0 : rest;
    computeTimeStatistics(data);
    QVERIFY(qAbs(data.meanTime - mean) < 1e-12);
    QVERIFY(qAbs(data.sdTime - sd) < 1e-12);
}

void TestResponseFile::ageText_data() {
    QTest::addColumn<QString>("test");
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QString>("age");
    QTest::newRow("exactly 40 years") << "06.06.2006"
                                      << "06.06.1966"
                                      << "39.12";
    QTest::newRow("one day more") << "06.06.2006"
                                  << "05.06.1966"
                                  << "40.01";
    QTest::newRow("1 March") << "06.06.2006"
                             << "01.03.1966"
                             << "40.04";
    QTest::newRow("equal dates") << "06.06.2006"
                                 << "06.06.2006"
                                 << "99.12";
    QTest::newRow("one day") << "02.01.2000"
                             << "01.01.2000"
                             << "99.12";
    QTest::newRow("two days") << "03.01.2000"
                              << "01.01.2000"
                              << "00.01";
}

void TestResponseFile::ageText() {
    QFETCH(QString, test);
    QFETCH(QString, birth);
    QFETCH(QString, age);
    QCOMPARE(ezr::ageText(test, birth), age);
}

namespace {

void compareWithExaminee(const ResponseFile& file, const SampleExaminee& e) {
    QCOMPARE(file.header.testDate, e.testDate);
    QCOMPARE(file.header.birthDate, e.birthDate);
    QCOMPARE(file.header.code, e.code);
    QCOMPARE(file.header.name, e.name);
    QCOMPARE(file.header.sex, e.sex);
    QCOMPARE(file.header.education, e.education);
    QCOMPARE(file.record.timingLines, e.timingLines);
    double sum = 0.0;
    for (int item = 1; item <= 108; ++item) {
        const auto i = static_cast<std::size_t>(item - 1);
        QCOMPARE(pairOf(file.record, item), e.marks[i]);
        QCOMPARE(file.record.answerTimes[i], e.answerTimes[i]);
        sum += e.answerTimes[i];
    }
    QVERIFY(qAbs(file.record.meanTime - sum / 108.0) < 1e-9);
    QVERIFY(file.record.sdTime > 0.0);
}

} // namespace

void TestResponseFile::bundledSampleEndToEnd() {
    const QList<SampleExaminee> sample = bundledSample();
    QCOMPARE(sample.size(), BundledSampleSize);
    bool male = false, female = false, higher = false, secondary = false;
    for (const SampleExaminee& e : sample) {
        const ResponseFile file = parseResponseFile(makeResponseFile(e));
        compareWithExaminee(file, e);
        male |= e.sex == QStringLiteral("Мужской");
        female |= e.sex == QStringLiteral("Женский");
        higher |= e.education == QStringLiteral("Высшее");
        secondary |= e.education == QStringLiteral("Среднее");
        // A real examinee makes one choice per item.
        for (const MarkPair& p : e.marks)
            QVERIFY((p == MarkPair{1, 0}) || (p == MarkPair{0, 1}));
        AnalysisRecord data = file.record;
        scoreAnswers(data);
        double total = 0.0;
        for (const double p : data.scores.raw.profile1)
            total += p;
        QCOMPARE(total, 108.0);
        const int years = file.age.left(2).toInt() + 1; // "yy.mm" counts from 1899-12-30
        QVERIFY2(years >= 20 && years <= 61, qPrintable(file.age));
    }
    QVERIFY(male && female && higher && secondary);
}

void TestResponseFile::generatedFilesEndToEnd() {
    for (int i = 0; i < 20; ++i) {
        const SampleExaminee e = generatedExaminee(42u, i);
        compareWithExaminee(parseResponseFile(makeResponseFile(e)), e);
    }
    QCOMPARE(generatedExaminee(42u, 0).code, QStringLiteral("00001"));
}

// A file is read under whatever settings the desktop has: dates as day.month.year and
// either decimal separator, whichever the data-entry machine wrote.
void TestResponseFile::readUnderOtherSettings_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QChar>("writtenSeparator");
    QTest::newRow("comma file, en_US")
        << QLocale(QLocale::English, QLocale::UnitedStates) << QChar(u',');
    QTest::newRow("comma file, C") << QLocale::c() << QChar(u',');
    QTest::newRow("point file, ru") << Russian << QChar(u'.');
}

void TestResponseFile::readUnderOtherSettings() {
    QFETCH(QLocale, locale);
    QFETCH(QChar, writtenSeparator);
    for (const SampleExaminee& e : bundledSample()) {
        QLocale::setDefault(Russian);
        const QString age = ezr::ageText(e.testDate, e.birthDate);
        QLocale::setDefault(locale);
        const QString plain = makePlainText(e, writtenSeparator);
        const ResponseFile file = parseResponseFile(unscrambleText(encodeWindows1251(plain)));
        compareWithExaminee(file, e);
        QCOMPARE(file.age, age);
    }
}

void TestResponseFile::sampleIsDeterministic() {
    const QList<SampleExaminee> first = bundledSample();
    const QList<SampleExaminee> second = bundledSample();
    for (int i = 0; i < first.size(); ++i)
        QCOMPARE(makeResponseFile(first[i]), makeResponseFile(second[i]));
    QCOMPARE(makeResponseFile(generatedExaminee(7u, 3)),
             makeResponseFile(generatedExaminee(7u, 3)));
    QVERIFY(makeResponseFile(generatedExaminee(7u, 3)) !=
            makeResponseFile(generatedExaminee(8u, 3)));
}

void TestResponseFile::missingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("nobody.cry"));
    QCOMPARE(errorOf([&] { readResponseFile(path); }),
             QStringLiteral("Cannot open file %1. No such file or directory").arg(path));
}

void TestResponseFile::directory() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("folder.cry"));
    QVERIFY(QDir().mkdir(path));
    QCOMPARE(errorOf([&] { readResponseFile(path); }),
             QStringLiteral("Cannot open file %1. Is a directory").arg(path));
}

void TestResponseFile::fileTooLarge() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // One byte over the limit, and a sparse file far beyond it.
    for (const qint64 size : {MaxResponseFileSize + 1, qint64(64) << 20}) {
        const QString path = dir.filePath(QStringLiteral("big %1.cry").arg(size));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
        }
        const QString message = errorOf([&] { readResponseFile(path); });
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(!message.startsWith(QStringLiteral("Cannot open file")), qPrintable(message));
    }
}

void TestResponseFile::largestAcceptedFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("limit.cry"));
    QVERIFY(writeBytes(path, QByteArray(MaxResponseFileSize, 'x')));
    QCOMPARE(readResponseBytes(path).size(), MaxResponseFileSize);
}

void TestResponseFile::readFromDisk() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SampleExaminee e = bundledSample().at(3);
    const QString path = dir.filePath(responseFileName(e));
    QVERIFY(writeBytes(path, makeResponseFile(e)));
    QCOMPARE(readResponseBytes(path), makeResponseFile(e));
    compareWithExaminee(readResponseFile(path), e);
}

// A FIFO among the files is no response file: refused at once, never waited on for a writer.
void TestResponseFile::fifoIsRefusedUnread() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pipe.cry"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const QString message = errorOf([&] { readResponseBytes(path); });
    QVERIFY2(message.startsWith(QStringLiteral("Cannot open file")), qPrintable(message));
    QVERIFY2(message.contains(path), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestResponseFile)
#include "tst_responsefile.moc"
