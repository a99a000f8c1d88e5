// The examinee table as SPSS and Stata files, read back from disk by ReadStat's own reader
// and compared with the table the workbook and the CSV are made from.

#include "Analysis.h"
#include "AnalysisError.h"
#include "ExamineeTable.h"
#include "Anonymity.h"
#include "Export.h"
#include "GroupTable.h"
#include "Regional.h"
#include "SampleMaker.h"
#include "StatisticsFile.h"
#include "StatisticsReader.h"
#include "TestFiles.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace ezr;

Q_DECLARE_METATYPE(ezr::StatisticsFormat)
Q_DECLARE_METATYPE(ezr::NormKind)
Q_DECLARE_METATYPE(ezr::ReportFormat)

namespace {

const QString CyrillicName = QStringLiteral("Щукина-Эйхвальд Ёлка \"Ю\"");

// Three generated examinees, the second with a longer Cyrillic name.
QString makeGroup(const QTemporaryDir& dir) {
    QString data = dir.filePath(QStringLiteral("Data"));
    QDir().mkpath(data);
    for (int i = 0; i < 3; ++i) {
        SampleExaminee examinee = generatedExaminee(2024u, i);
        if (i == 1)
            examinee.name = CyrillicName;
        if (!writeFile(data + QLatin1Char('/') + responseFileName(examinee),
                       makeResponseFile(examinee, decimalSeparator())))
            return QString();
    }
    return data;
}

} // namespace

class TestStatisticsFile : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    // The names every statistics program takes: ASCII, a letter first, at most 32 characters
    // (Stata's limit; SPSS allows 64), unique.
    void variableNames() {
        const QRegularExpression allowed(QStringLiteral("^[a-z][a-z0-9_]{0,31}$"));
        QSet<QByteArray> seen;
        for (const ExamineeColumn& column : examineeColumns()) {
            QVERIFY2(allowed.match(QString::fromLatin1(column.variable)).hasMatch(),
                     column.variable.constData());
            QVERIFY2(!seen.contains(column.variable), column.variable.constData());
            seen.insert(column.variable);
        }
        QCOMPARE(seen.size(), examineeHeadings().size());
    }

    // The label names the norm group the comparison's row was chosen for.
    void labelNamesTheNormGroup_data() {
        QTest::addColumn<NormKind>("kind");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<QString>("label");
        QTest::newRow("male") << NormKind::Sex << MaleSex << SecondaryEducation
                              << QStringLiteral("Норма: Пол, Мужской; 2024-05-17");
        QTest::newRow("female") << NormKind::Sex << FemaleSex << HigherEducation
                                << QStringLiteral("Норма: Пол, Женский; 2024-05-17");
        QTest::newRow("higher") << NormKind::Education << FemaleSex << HigherEducation
                                << QStringLiteral("Норма: Образование, Высшее; 2024-05-17");
        QTest::newRow("secondary") << NormKind::Education << MaleSex << SecondaryEducation
                                   << QStringLiteral("Норма: Образование, Среднее; 2024-05-17");
        QTest::newRow("satisfaction") << NormKind::Satisfaction << FemaleSex << SecondaryEducation
                                      << QStringLiteral("Норма: Удовлетворенность; 2024-05-17");
    }
    void labelNamesTheNormGroup() {
        QFETCH(NormKind, kind);
        QFETCH(QString, sex);
        QFETCH(QString, education);
        QFETCH(QString, label);
        const NormComparison comparison =
            compareWithNorm(storedNorm(kind, sex, education), Profiles{}, AnalysisKind::Group);
        const QString made = statisticsFileLabel(comparison, QDate(2024, 5, 17), 64);
        QCOMPARE(made, label);
        // Short enough for an SPSS file label.
        QVERIFY(made.toUtf8().size() <= 64);
    }

    // An own norm's long name is cut between characters so that the date stays, in the
    // bytes each format keeps.
    void longNormNameKeepsTheDate_data() {
        QTest::addColumn<StatisticsFormat>("format");
        QTest::addColumn<int>("limit");
        QTest::newRow("SPSS") << StatisticsFormat::Spss << 64;
        QTest::newRow("Stata") << StatisticsFormat::Stata << 80;
    }
    void longNormNameKeepsTheDate() {
        QFETCH(StatisticsFormat, format);
        QFETCH(int, limit);
        QCOMPARE(statisticsLabelBytes(format), qsizetype(limit));
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        const AnalysisState group = groupAnalysis(data, NormKind::Satisfaction, QString());
        // Two-byte letters with a one-byte space at odd places: any byte cut may split one.
        for (int shift = 0; shift < 2; ++shift) {
            Norm norm = group.comparison.norm;
            norm.kind = NormKind::Own;
            norm.row = -1;
            norm.memberCount = 48;
            norm.name = QString(shift, QLatin1Char(' ')) +
                        QStringLiteral("Отдел продаж Северо-Западного филиала «Ёлка», 2025");
            const AnalysisState compared = withNorm(group, norm);
            const QString path =
                dir.filePath(QStringLiteral("long%1.").arg(shift) + statisticsExtension(format));
            QVERIFY(writeFile(path, buildStatisticsFile(compared, format,
                                                        QDateTime(QDate(2024, 5, 17), QTime()))));
            const StatisticsData file = readStatisticsData(path, format == StatisticsFormat::Spss);
            QVERIFY(file.parsed);
            QVERIFY2(file.label.endsWith(QStringLiteral("; 2024-05-17")), qPrintable(file.label));
            QVERIFY(file.label.startsWith(QStringLiteral("Норма: ")));
            QVERIFY(!file.label.contains(QChar::ReplacementCharacter));
            QVERIFY(file.label.toUtf8().size() <= limit);
            QVERIFY(file.label.toUtf8().size() >= limit - 1);
        }
    }

    void groupReadsBack_data() {
        QTest::addColumn<StatisticsFormat>("format");
        QTest::addColumn<QByteArray>("threeDecimals"); // the format of the X2 columns
        QTest::newRow("SPSS") << StatisticsFormat::Spss << QByteArray("F10.3");
        QTest::newRow("Stata") << StatisticsFormat::Stata << QByteArray("%10.3f");
    }

    void groupReadsBack() {
        QFETCH(StatisticsFormat, format);
        QFETCH(QByteArray, threeDecimals);
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        QVERIFY(!data.isEmpty());
        const AnalysisState group =
            groupAnalysis(data, NormKind::Education, QStringLiteral("Среднее"));
        const QDateTime analysed(QDate(2024, 5, 17), QTime(10, 30));
        const QString path = dir.filePath(QStringLiteral("group.") + statisticsExtension(format));
        QVERIFY(writeFile(path, buildStatisticsFile(group, format, analysed)));

        const StatisticsData file = readStatisticsData(path, format == StatisticsFormat::Spss);
        QVERIFY(file.parsed);
        QCOMPARE(file.label, QStringLiteral("Норма: Образование, Среднее; 2024-05-17"));

        // One variable per column, labelled with its heading in UTF-8.
        const QList<ExamineeColumn> columns = examineeColumns();
        QCOMPARE(file.labels, examineeHeadings());
        QCOMPARE(file.names.size(), columns.size());
        const int money = int(file.names.indexOf("p3_money_transform"));
        QVERIFY(money > 0);
        QCOMPARE(file.labels[money], QStringLiteral("П3 Деньги Преобразование"));
        QCOMPARE(file.labels[file.names.indexOf("name")], QStringLiteral("Ф.И.О."));
        for (int c = 0; c < columns.size(); ++c) {
            QCOMPARE(file.names[c], columns[c].variable);
            QCOMPARE(file.numeric[c], columns[c].isNumber());
        }
        QCOMPARE(file.formats[file.names.indexOf("x2_p1")], threeDecimals);
        // A text variable is printed and written with its stored width, the most bytes of
        // its values: PSPP warns of any other print format as invalid.
        const QList<TableRow> table = examineeTable(group).rows.mid(1);
        for (int c = 0; c < columns.size(); ++c) {
            if (columns[c].isNumber())
                continue;
            qsizetype width = 1;
            for (const TableRow& row : table)
                width = std::max(width, row[c].toString().toUtf8().size());
            const QByteArray expected = format == StatisticsFormat::Spss
                                            ? "A" + QByteArray::number(width)
                                            : "%-" + QByteArray::number(width) + "s";
            QCOMPARE(file.formats[c], expected);
        }

        // One case per member in listing order, every value as the table holds it.
        const QList<TableRow> rows = examineeTable(group).rows.mid(1);
        QCOMPARE(file.headerCases, 3);
        QCOMPARE(file.cases.size(), 3);
        for (int m = 0; m < 3; ++m) {
            for (int c = 0; c < columns.size(); ++c) {
                const QVariant& cell = rows[m][c];
                const QVariant& read = file.cases[m][c];
                if (columns[c].isNumber())
                    QCOMPARE(read.toDouble(), cell.toDouble());
                else
                    QCOMPARE(read.toString(), cell.toString());
            }
        }
        QVERIFY(std::any_of(file.cases.begin(), file.cases.end(), [](const QList<QVariant>& c) {
            return c[2].toString() == CyrillicName;
        }));
        for (int m = 0; m < 3; ++m)
            QCOMPARE(file.cases[m][0].toString(), group.members[m].fileName);
    }

    // A group's file written a member at a time, in two readings of the folder, is the file
    // made from the group's rows kept whole: same cases, same text widths, same bytes.
    void streamedGroupIsTheWholeOne_data() {
        QTest::addColumn<ReportFormat>("format");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<bool>("anonymous");
        for (const ReportFormat format : {ReportFormat::Sav, ReportFormat::Dta}) {
            const char* name = format == ReportFormat::Sav ? "SPSS" : "Stata";
            QTest::addRow("%s whole", name) << format << false << false;
            QTest::addRow("%s chosen", name) << format << true << false;
            QTest::addRow("%s anonymous", name) << format << false << true;
        }
    }

    void streamedGroupIsTheWholeOne() {
        QFETCH(ReportFormat, format);
        QFETCH(bool, chosen);
        QFETCH(bool, anonymous);
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        QVERIFY(!data.isEmpty());
        GroupChoice choice;
        if (chosen) { // the member with the long name is left out: the name column narrows
            SampleExaminee longest = generatedExaminee(2024u, 1);
            longest.name = CyrillicName;
            QStringList names = QDir(data).entryList(QDir::Files);
            QVERIFY(names.removeOne(responseFileName(longest)));
            choice.fileNames = QSet<QString>(names.begin(), names.end());
        }
        const QDateTime analysed(QDate(2024, 5, 17), QTime(10, 30));
        const StatisticsFormat statistics =
            format == ReportFormat::Sav ? StatisticsFormat::Spss : StatisticsFormat::Stata;
        const AnalysisState whole = groupAnalysis(data, NormKind::Sex, QStringLiteral("Женский"),
                                                  nullptr, {}, GroupKeeps::TableRows, choice);
        const QByteArray expected =
            buildStatisticsFile(anonymous ? anonymousAnalysis(whole) : whole, statistics, analysed);

        GroupTableRun run;
        run.format = format;
        run.norm = whole.comparison.norm;
        run.anonymous = anonymous;
        run.analysed = analysed;
        int readings = 0;
        run.read = [&](const GroupMemberSink& each) {
            ++readings;
            return groupAnalysis(data, NormKind::Sex, QStringLiteral("Женский"), nullptr, {},
                                 GroupKeeps::Names, choice, each);
        };
        ByteArraySink sink;
        const AnalysisState state = writeGroupTable(run, sink);
        QCOMPARE(readings, 2);
        QCOMPARE(state.members.size(), 0);
        QCOMPARE(state.header.code, whole.header.code);
        QCOMPARE(sink.bytes(), expected);
        QCOMPARE(readStatisticsFile(sink.bytes(), statistics).cases, chosen ? 2 : 3);
    }

    // A member that joins the folder between the reading that counts and the one that
    // writes makes the file wrong: it is refused, and nothing reaches the sink.
    void folderChangedBetweenReadingsRefused_data() {
        QTest::addColumn<ReportFormat>("format");
        QTest::addColumn<bool>("grows");
        QTest::newRow("SPSS grows") << ReportFormat::Sav << true;
        QTest::newRow("Stata grows") << ReportFormat::Dta << true;
        QTest::newRow("SPSS shrinks") << ReportFormat::Sav << false;
    }

    void folderChangedBetweenReadingsRefused() {
        QFETCH(ReportFormat, format);
        QFETCH(bool, grows);
        QTemporaryDir dir;
        const QString data = makeGroup(dir);
        QVERIFY(!data.isEmpty());
        GroupTableRun run;
        run.format = format;
        run.norm = storedNorm(NormKind::Satisfaction, QString(), QString());
        int readings = 0;
        run.read = [&](const GroupMemberSink& each) {
            if (readings++ == 1) {
                const QString first = QDir(data).entryList(QDir::Files).first();
                if (grows)
                    QFile::copy(QDir(data).filePath(first), QDir(data).filePath("x" + first));
                else
                    QFile::remove(QDir(data).filePath(first));
            }
            return groupAnalysis(data, NormKind::Satisfaction, QString(), nullptr, {},
                                 GroupKeeps::Names, {}, each);
        };
        ByteArraySink sink;
        QVERIFY_THROWS_EXCEPTION(AnalysisError, writeGroupTable(run, sink));
        QVERIFY(sink.bytes().isEmpty());
    }

    // The check before the write: bytes ReadStat cannot read are refused, not handed on.
    void unreadableBytesRefused_data() {
        QTest::addColumn<StatisticsFormat>("format");
        QTest::newRow("SPSS") << StatisticsFormat::Spss;
        QTest::newRow("Stata") << StatisticsFormat::Stata;
    }

    void unreadableBytesRefused() {
        QFETCH(StatisticsFormat, format);
        QTemporaryDir dir;
        const AnalysisState group =
            groupAnalysis(makeGroup(dir), NormKind::Satisfaction, QString());
        const QByteArray bytes = buildStatisticsFile(group, format);
        const StatisticsFileSummary whole = readStatisticsFile(bytes, format);
        QCOMPARE(whole.cases, 3);
        QCOMPARE(whole.values, 3 * examineeColumns().size());
        QVERIFY_THROWS_EXCEPTION(AnalysisError,
                                 readStatisticsFile(bytes.left(bytes.size() - 40), format));
    }
};

QTEST_GUILESS_MAIN(TestStatisticsFile)
#include "tst_statisticsfile.moc"
