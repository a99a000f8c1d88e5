// ezr-report --statistics: the fixed headings, a row per cell, the same numbers as the core
// computes for the same members, and the second group by --compare-where.
#include "Analysis.h"
#include "GroupStatistics.h"
#include "ReportCommand.h"
#include "SampleMaker.h"
#include "StatisticsFile.h"
#include "StatisticsTable.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace ezr;

namespace {

struct Run {
    int code = -1;
    QByteArray out, err;
};

Run report(const QStringList& arguments) {
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Run run;
    run.code = runReportCommand(QStringList{QStringLiteral("ezr-report")} + arguments, out, err);
    run.out = out.data();
    run.err = err.data();
    return run;
}

QList<QStringList> csvLines(const QByteArray& bytes) {
    QList<QStringList> lines;
    for (const QByteArray& line : bytes.split('\n'))
        if (!line.trimmed().isEmpty())
            lines.append(QString::fromUtf8(line.trimmed()).remove(QChar(0xFEFF)).split(u';'));
    return lines;
}

} // namespace

class TestStatisticsCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(writeGeneratedFiles(dir.path(), 14, 3232u));
    }
    void tables_data();
    void tables();
    void dataFiles_data();
    void dataFiles();
    void refusals_data();
    void refusals();

private:
    QTemporaryDir dir;
};

void TestStatisticsCli::tables_data() {
    QTest::addColumn<bool>("twoGroups");
    QTest::newRow("against the norm") << false;
    QTest::newRow("women against men") << true;
}

void TestStatisticsCli::tables() {
    QFETCH(bool, twoGroups);
    QStringList arguments{"--group",    dir.path(),       "--where",
                          "sex=female", "--satisfaction", "--statistics"};
    if (twoGroups)
        arguments << "--compare-where"
                  << "sex=male";
    const Run run = report(arguments);
    QCOMPARE(run.code, 0);
    const QList<QStringList> lines = csvLines(run.out);
    QCOMPARE(lines.size(), 1 + StatisticsCellCount);
    QCOMPARE(lines[0], twoGroups ? groupsStatisticsHeadings() : normStatisticsHeadings());

    // The core on the same members gives the numbers of the last column, the corrected p.
    GroupChoice women;
    women.filter = parseWhere("sex=female");
    const AnalysisState first = groupAnalysis(dir.path(), NormKind::Satisfaction, {}, nullptr, {},
                                              GroupKeeps::TableRows, women);
    QList<std::optional<double>> adjusted;
    if (twoGroups) {
        GroupChoice men;
        men.filter = parseWhere("sex=male");
        const AnalysisState second = groupAnalysis(dir.path(), NormKind::Satisfaction, {}, nullptr,
                                                   {}, GroupKeeps::TableRows, men);
        const GroupsStatistics s =
            compareGroups(memberCounts(first.members), memberCounts(second.members));
        for (const auto& cell : s.cells)
            adjusted << cell.adjustedP;
        QVERIFY(run.err.contains("χ²"));
    } else {
        const NormStatistics s =
            groupAgainstNorm(memberCounts(first.members), cellValues(storedNorm(4).percent));
        for (const auto& cell : s.cells)
            adjusted << cell.adjustedP;
    }
    for (int c = 0; c < StatisticsCellCount; ++c) {
        const QStringList& row = lines[c + 1];
        QCOMPARE(row.size(), lines[0].size());
        QCOMPARE(row[0], statisticsCellHeadings()[c]);
        QCOMPARE(row.last().isEmpty(), !adjusted[c].has_value());
        if (adjusted[c])
            QVERIFY(qFuzzyCompare(QString(row.last()).replace(u',', u'.').toDouble(),
                                  tableValue(*adjusted[c])));
    }
}

void TestStatisticsCli::dataFiles_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("SPSS") << "sav";
    QTest::newRow("Stata") << "dta";
}

void TestStatisticsCli::dataFiles() {
    QFETCH(QString, format);
    QTemporaryDir out;
    const QString path = out.filePath("statistics." + format);
    const Run run = report(
        {"--group", dir.path(), "--satisfaction", "--statistics", "--format", format, "-o", path});
    QCOMPARE(run.code, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const StatisticsFileSummary read = readStatisticsFile(
        file.readAll(), format == "sav" ? StatisticsFormat::Spss : StatisticsFormat::Stata);
    QCOMPARE(read.cases, qint64(StatisticsCellCount));
    QCOMPARE(read.labels, normStatisticsHeadings());
    QCOMPARE(read.names.front(), QByteArray("cell"));
    QCOMPARE(read.names.back(), QByteArray("p_holm"));
}

void TestStatisticsCli::refusals_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no group") << QStringList{"file.cry", "--statistics"};
    QTest::newRow("compare without statistics")
        << QStringList{"--group", "d", "--satisfaction", "--compare-where", "sex=male"};
    QTest::newRow("pdf") << QStringList{
        "--group", "d", "--satisfaction", "--statistics", "--format", "pdf", "-o", "x.pdf"};
    QTest::newRow("bad compare-where")
        << QStringList{"--group", "d", "--satisfaction", "--statistics", "--compare-where", "x"};
}

void TestStatisticsCli::refusals() {
    QFETCH(QStringList, arguments);
    QCOMPARE(report(arguments).code, 2);
}

QTEST_GUILESS_MAIN(TestStatisticsCli)
#include "tst_statisticscli.moc"
