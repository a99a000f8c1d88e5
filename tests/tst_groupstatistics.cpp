// The group statistics against values computed independently with SciPy and statsmodels
// (tests/data/statistics/make_expected.py) from the members' counts kept beside them.
#include "Analysis.h"
#include "AnalysisError.h"
#include "GroupStatistics.h"
#include "NormFile.h"
#include "StatisticsMath.h"
#include "StatisticsTable.h"

#include <QFile>
#include <QTest>

#include <cmath>

using namespace ezr;

namespace {

// The moments a group run keeps, from the members' counts.
GroupMoments momentsOf(const QList<CellValues>& members) {
    GroupMoments moments;
    moments.members = int(members.size());
    std::array<double*, 3> sums{moments.sums.profile1.data(), moments.sums.profile2.data(),
                                moments.sums.profile3.data()};
    std::array<double*, 3> squares{moments.squares.profile1.data(), moments.squares.profile2.data(),
                                   moments.squares.profile3.data()};
    for (const CellValues& member : members) {
        for (int c = 0; c < StatisticsCellCount; ++c) {
            const int profile = c < MotiveCount ? 0 : c < MotiveCount + Profile2Cells ? 1 : 2;
            const int index = profile == 0   ? c
                              : profile == 1 ? c - MotiveCount
                                             : c - MotiveCount - Profile2Cells;
            const double v = member[std::size_t(c)];
            sums[profile][index] += v;
            squares[profile][index] += v * v;
            QList<int>& histogram = moments.histograms[std::size_t(c)];
            if (histogram.size() <= qsizetype(v))
                histogram.resize(qsizetype(v) + 1);
            ++histogram[qsizetype(v)];
        }
    }
    return moments;
}

QString dataPath(const QString& name) {
    return QStringLiteral(EZR_TEST_DATA_DIR "/statistics/") + name;
}

// The rows of a CSV below its heading, each a list of fields.
QList<QStringList> csvRows(const QString& name) {
    QFile file(dataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(name));
    QList<QStringList> rows;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
        rows.append(QString::fromUtf8(lines[i].trimmed()).split(u','));
    return rows;
}

QList<CellValues> counts(const QString& name) {
    QList<CellValues> members;
    for (const QStringList& row : csvRows(name)) {
        CellValues member{};
        for (int c = 0; c < StatisticsCellCount; ++c)
            member[std::size_t(c)] = row[c].toDouble();
        members.append(member);
    }
    return members;
}

CellValues womenNorm() {
    return cellValues(storedNorm(1).percent);
}

// An expected field: empty where nothing is computed.
void compareField(const QString& expected, std::optional<double> actual, const char* what,
                  int cell) {
    const QByteArray where = QByteArray(what) + " of cell " + QByteArray::number(cell);
    if (expected.isEmpty()) {
        QVERIFY2(!actual, where.constData());
        return;
    }
    QVERIFY2(actual.has_value(), where.constData());
    const double want = expected.toDouble();
    // SciPy and Boost invert the t distribution of a fractional df to about 1e-9.
    const double tolerance = 1e-7 * std::max(1.0, std::abs(want));
    QVERIFY2(
        std::abs(*actual - want) <= tolerance,
        (where + ": " + QByteArray::number(*actual, 'g', 17) + " instead of " + expected.toUtf8())
            .constData());
}

template <class T, class F> std::optional<double> field(const std::optional<T>& test, F get) {
    return test ? std::optional(get(*test)) : std::nullopt;
}

} // namespace

class TestGroupStatistics : public QObject {
    Q_OBJECT
private slots:
    void againstNorm_data();
    void againstNorm();
    void twoGroups_data();
    void twoGroups();
    void oneMemberGivesNoStatistics();
    void sumsOfSquaresGiveTheMembersSpread();
    void examineeAmongTheNormsMembers();
    void normFileKeepsTheDistribution();
    void holmKeepsOrderAndSkipsMissing();
    void csvHasTheFixedHeadingsAndOneRowPerCell();
};

void TestGroupStatistics::againstNorm_data() {
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("expected");
    // Nine members, one with double marks, one cell the same for all; two members.
    QTest::newRow("nine members") << "counts_a.csv"
                                  << "expected_norm_a.csv";
    QTest::newRow("N = 2") << "counts_c.csv"
                           << "expected_norm_c.csv";
}

void TestGroupStatistics::againstNorm() {
    QFETCH(QString, counts);
    QFETCH(QString, expected);
    const NormStatistics statistics = groupAgainstNorm(::counts(counts), womenNorm());
    const QList<QStringList> rows = csvRows(expected);
    QCOMPARE(rows.size(), StatisticsCellCount);
    for (int c = 0; c < StatisticsCellCount; ++c) {
        const NormCellStatistics& cell = statistics.cells[std::size_t(c)];
        const QStringList& e = rows[c];
        QCOMPARE(cell.sample.n, int(e[0].toDouble()));
        compareField(e[1], cell.sample.mean, "mean", c);
        compareField(e[2], field(cell.test, [](auto& t) { return t.low; }), "low", c);
        compareField(e[3], field(cell.test, [](auto& t) { return t.high; }), "high", c);
        compareField(e[4], cell.norm, "norm", c);
        compareField(e[5], field(cell.test, [](auto& t) { return t.difference; }), "diff", c);
        compareField(e[6], field(cell.test, [](auto& t) { return t.d; }), "d", c);
        compareField(e[7], field(cell.test, [](auto& t) { return t.t; }), "t", c);
        compareField(e[8], field(cell.test, [](auto& t) { return t.df; }), "df", c);
        compareField(e[9], field(cell.test, [](auto& t) { return t.p; }), "p", c);
        compareField(e[10], cell.adjustedP, "Holm p", c);
        QCOMPARE(cell.differs(), !e[10].isEmpty() && e[10].toDouble() < 0.05);
    }
}

void TestGroupStatistics::twoGroups_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("expected");
    // Nine against five, a cell constant in both; five against two.
    QTest::newRow("unequal groups") << "counts_a.csv"
                                    << "counts_b.csv"
                                    << "expected_a_b.csv";
    QTest::newRow("N = 2") << "counts_b.csv"
                           << "counts_c.csv"
                           << "expected_b_c.csv";
}

void TestGroupStatistics::twoGroups() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, expected);
    const GroupsStatistics statistics = compareGroups(counts(first), counts(second));
    const QList<QStringList> rows = csvRows(expected);
    QCOMPARE(rows.size(), StatisticsCellCount);
    for (int c = 0; c < StatisticsCellCount; ++c) {
        const GroupsCellStatistics& cell = statistics.cells[std::size_t(c)];
        const QStringList& e = rows[c];
        QCOMPARE(cell.first.n, int(e[0].toDouble()));
        compareField(e[1], cell.first.mean, "mean 1", c);
        QCOMPARE(cell.second.n, int(e[2].toDouble()));
        compareField(e[3], cell.second.mean, "mean 2", c);
        compareField(e[4], field(cell.test, [](auto& t) { return t.difference; }), "diff", c);
        compareField(e[5], field(cell.test, [](auto& t) { return t.low; }), "low", c);
        compareField(e[6], field(cell.test, [](auto& t) { return t.high; }), "high", c);
        compareField(e[7], field(cell.test, [](auto& t) { return t.g; }), "g", c);
        compareField(e[8], field(cell.test, [](auto& t) { return t.t; }), "t", c);
        compareField(e[9], field(cell.test, [](auto& t) { return t.df; }), "df", c);
        compareField(e[10], field(cell.test, [](auto& t) { return t.p; }), "p", c);
        compareField(e[11], cell.adjustedP, "Holm p", c);
    }
    const QStringList leading = csvRows(QString(expected).replace(".csv", "_leading.csv")).front();
    QVERIFY(statistics.leading && statistics.leading->test);
    const HomogeneityTest& test = *statistics.leading->test;
    compareField(leading[0], test.x2, "chi-square", -1);
    QCOMPARE(test.df, int(leading[1].toDouble()));
    compareField(leading[2], test.p, "chi-square p", -1);
    compareField(leading[3], test.cramersV, "Cramér's V", -1);
    QCOMPARE(test.expectedBelowFive, int(leading[4].toDouble()));
}

void TestGroupStatistics::oneMemberGivesNoStatistics() {
    const QList<CellValues> one = counts("counts_c.csv").mid(0, 1);
    const NormStatistics alone = groupAgainstNorm(one, womenNorm());
    QCOMPARE(alone.tested(), 0);
    QVERIFY(!statisticsReport(alone, "женщины").notes.isEmpty());
    const GroupsStatistics pair = compareGroups(one, counts("counts_b.csv"));
    QCOMPARE(pair.tested(), 0);
    QVERIFY(!statisticsReport(pair, "1", "2").notes.isEmpty());
    // Nobody at all: no mean either, and still no division by zero.
    const NormStatistics nobody = groupAgainstNorm(QList<CellValues>{}, womenNorm());
    QCOMPARE(nobody.cells[0].sample.n, 0);
    QVERIFY(std::isfinite(nobody.cells[0].sample.mean));
}

void TestGroupStatistics::sumsOfSquaresGiveTheMembersSpread() {
    // A group run keeps each cell's sums, not its members: the same tests must follow.
    for (const char* name : {"counts_a.csv", "counts_c.csv"}) {
        const QList<CellValues> members = counts(name);
        GroupMoments moments;
        moments.members = int(members.size());
        CellValues sums{}, squares{};
        for (const CellValues& member : members)
            for (std::size_t c = 0; c < member.size(); ++c) {
                sums[c] += member[c];
                squares[c] += member[c] * member[c];
            }
        std::copy_n(sums.begin(), MotiveCount, moments.sums.profile1.begin());
        std::copy_n(sums.begin() + MotiveCount, Profile2Cells, moments.sums.profile2.begin());
        std::copy_n(sums.begin() + MotiveCount + Profile2Cells, Profile3Cells,
                    moments.sums.profile3.begin());
        std::copy_n(squares.begin(), MotiveCount, moments.squares.profile1.begin());
        std::copy_n(squares.begin() + MotiveCount, Profile2Cells, moments.squares.profile2.begin());
        std::copy_n(squares.begin() + MotiveCount + Profile2Cells, Profile3Cells,
                    moments.squares.profile3.begin());
        const auto fromMembers = cellSummaries(members);
        const auto fromSums = cellSummaries(moments);
        for (std::size_t c = 0; c < fromSums.size(); ++c) {
            QCOMPARE(fromSums[c].n, fromMembers[c].n);
            QCOMPARE(fromSums[c].mean, fromMembers[c].mean);
            QVERIFY(std::abs(fromSums[c].sd - fromMembers[c].sd) < 1e-12);
            // A constant cell stays exactly constant: no test on rounding noise.
            QCOMPARE(fromSums[c].sd == 0.0, fromMembers[c].sd == 0.0);
        }
    }
}

void TestGroupStatistics::examineeAmongTheNormsMembers() {
    const std::optional<NormDistribution> norm = distributionOf(momentsOf(counts("counts_a.csv")));
    QVERIFY(norm);
    const QList<CellValues> examinees = counts("counts_c.csv");
    const QList<QStringList> expected = csvRows("expected_standing_c_in_a.csv");
    QCOMPARE(expected.size(), examinees.size() * StatisticsCellCount);
    for (qsizetype e = 0; e < examinees.size(); ++e) {
        const auto cells = standings(examinees[e], *norm);
        for (int c = 0; c < StatisticsCellCount; ++c) {
            const QStringList& row = expected[e * StatisticsCellCount + c];
            compareField(row[0], cells[std::size_t(c)].tScore, "T", c);
            compareField(row[1], cells[std::size_t(c)].percentile, "percentile", c);
        }
    }
}

void TestGroupStatistics::normFileKeepsTheDistribution() {
    Norm norm = storedNorm(1);
    norm.kind = NormKind::Own;
    norm.row = -1;
    norm.name = QStringLiteral("Отдел");
    norm.memberCount = 9;
    norm.distribution = distributionOf(momentsOf(counts("counts_a.csv")));
    const QByteArray bytes = normFileBytes(norm);
    QVERIFY(bytes.contains("\"version\": 2"));
    QCOMPARE(readNormFile(bytes, "a.json"), norm);
    // A version-1 file, without the spread, still reads.
    Norm plain = norm;
    plain.distribution.reset();
    const QByteArray first = normFileBytes(plain);
    QVERIFY(first.contains("\"version\": 1"));
    QCOMPARE(readNormFile(first, "b.json"), plain);
    // A histogram that does not hold the members is refused.
    QByteArray broken = bytes;
    broken.replace("\"n\": 9", "\"n\": 8");
    QVERIFY_THROWS_EXCEPTION(AnalysisError, readNormFile(broken, "c.json"));
}

void TestGroupStatistics::holmKeepsOrderAndSkipsMissing() {
    // R: p.adjust(c(0.01, NA, 0.04, 0.03, 0.005), "holm") = 0.03 NA 0.06 0.06 0.02
    const QList<std::optional<double>> adjusted =
        holmAdjusted({0.01, std::nullopt, 0.04, 0.03, 0.005});
    const QList<std::optional<double>> expected = {0.03, std::nullopt, 0.06, 0.06, 0.02};
    QCOMPARE(adjusted.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(adjusted[i].has_value(), expected[i].has_value());
        if (expected[i])
            QVERIFY(std::abs(*adjusted[i] - *expected[i]) < 1e-15);
    }
}

void TestGroupStatistics::csvHasTheFixedHeadingsAndOneRowPerCell() {
    const StatisticsReport report =
        statisticsReport(groupAgainstNorm(counts("counts_a.csv"), womenNorm()), "женщины");
    const QList<QByteArray> lines = statisticsCsv(report).split('\n');
    QCOMPARE(lines.size(), StatisticsCellCount + 2); // headings, cells, the end after CR LF
    QCOMPARE(QString::fromUtf8(lines[0]).remove(QChar(0xFEFF)).trimmed(),
             QStringLiteral("Показатель;N;Среднее, %;ДИ 95% от;ДИ 95% до;Норма, %;Разность;d;t;"
                            "df;p;p (Холм)"));
    QVERIFY(lines[1].startsWith("П1 Преобразование;9;"));
    QVERIFY(lines[36].startsWith("П3 Труд Достижение;9;"));
    // The constant cell has a mean and a difference but no test.
    QVERIFY(lines[36].trimmed().endsWith(";;;;;"));
}

QTEST_GUILESS_MAIN(TestGroupStatistics)
#include "tst_groupstatistics.moc"
