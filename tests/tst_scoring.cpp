#include "AnalysisData.h"
#include "Scoring.h"

#include <QTest>

#include <numeric>
#include <set>
#include <utility>

using namespace ezr;

namespace {

constexpr Motive T = Motive::Transformation;
constexpr Motive C = Motive::Communication;
constexpr Motive U = Motive::Utilitarian;
constexpr Motive K = Motive::Cooperation;
constexpr Motive P = Motive::Competition;
constexpr Motive A = Motive::Achievement;

// The scoring key as the questionnaire's manual prints it, typed in independently of the
// program's table: (resultative motive, procedural motive) per item position 1..36.
const std::pair<Motive, Motive> ManualKey[36] = {
    {U, U}, {C, C}, {T, T}, {K, K}, {P, P}, {A, A}, {T, C}, {C, U}, {U, K}, {K, P}, {P, A}, {A, P},
    {T, U}, {C, K}, {U, P}, {K, A}, {P, K}, {A, T}, {T, A}, {C, T}, {U, C}, {K, U}, {A, K}, {P, T},
    {C, P}, {T, K}, {U, T}, {A, C}, {P, U}, {T, P}, {C, A}, {K, T}, {P, C}, {A, U}, {U, A}, {K, C},
};

MarkPair& pairOf(AnalysisRecord& data, int item) {
    return data
        .answers[static_cast<std::size_t>(item - 1) / 36][static_cast<std::size_t>(item - 1) % 36];
}

int countSum(const AnalysisRecord& data) {
    return int(
        std::accumulate(data.scores.motiveCounts.begin(), data.scores.motiveCounts.end(), 0.0));
}

template <std::size_t N> double sumOf(const std::array<double, N>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0);
}

// Deterministic marks without the scoring code: a small linear congruential generator.
struct Lcg {
    std::uint32_t state;
    int next(int modulo) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 16) % static_cast<std::uint32_t>(modulo));
    }
};

} // namespace

class TestScoring : public QObject {
    Q_OBJECT

private slots:
    void motiveCountIndexLayout_data();
    void motiveCountIndexLayout();
    void profileIndexLayout();
    void itemBlocks_data();
    void itemBlocks();
    void percentages();

    void keyMatchesManual();
    void keyFirstSixPositionsPairOneMotive();
    void keyOrderedPairsOfDifferentMotivesOnce();
    void keyEveryMotiveSixTimesPerColumn();

    void allMarksZero();
    void singleMark_data();
    void singleMark();
    void everyResultativeMark();
    void bothMarksEverywhere();
    void oneChoicePerItem();
    void otherMarkValuesScoreNothing_data();
    void otherMarkValuesScoreNothing();
    void profileTotalsMatchCounts_data();
    void profileTotalsMatchCounts();
    void secondCallDoublesCounts();
    void profilesAreOverwritten();
    void touchesNothingElse();
};

void TestScoring::motiveCountIndexLayout_data() {
    QTest::addColumn<int>("motive");
    QTest::addColumn<int>("stimulus");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("index");
    QTest::newRow("Transformation Money RO") << 0 << 0 << 0 << 0;
    QTest::newRow("Utilitarian Money PO") << 2 << 0 << 1 << 13;
    QTest::newRow("Utilitarian Team PO") << 2 << 1 << 1 << 15;
    QTest::newRow("Communication Work PO") << 1 << 2 << 1 << 11;
    QTest::newRow("Cooperation Work RO") << 3 << 2 << 0 << 22;
    QTest::newRow("Achievement Work PO") << 5 << 2 << 1 << 35;
}

void TestScoring::motiveCountIndexLayout() {
    QFETCH(int, motive);
    QFETCH(int, stimulus);
    QFETCH(int, orientation);
    QFETCH(int, index);
    QCOMPARE(motiveCountIndex(Motive(motive), Stimulus(stimulus), Orientation(orientation)), index);
}

void TestScoring::profileIndexLayout() {
    // Profile 2: orientation x 6 + motive; profile 3: stimulus x 6 + motive.
    QCOMPARE(profile2Index(Orientation::Procedural, Motive::Transformation), 6);
    QCOMPARE(profile2Index(Orientation::Resultative, Motive::Achievement), 5);
    QCOMPARE(profile2Index(Orientation::Procedural, Motive::Achievement), 11);
    QCOMPARE(profile3Index(Stimulus::Work, Motive::Transformation), 12);
    QCOMPARE(profile3Index(Stimulus::Team, Motive::Utilitarian), 8);
    QCOMPARE(profile3Index(Stimulus::Work, Motive::Achievement), 17);
}

void TestScoring::itemBlocks_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("stimulus");
    QTest::addColumn<int>("position");
    QTest::newRow("1") << 1 << 0 << 1;
    QTest::newRow("36") << 36 << 0 << 36;
    QTest::newRow("37") << 37 << 1 << 1;
    QTest::newRow("72") << 72 << 1 << 36;
    QTest::newRow("73") << 73 << 2 << 1;
    QTest::newRow("108") << 108 << 2 << 36;
}

void TestScoring::itemBlocks() {
    QFETCH(int, item);
    QFETCH(int, stimulus);
    QFETCH(int, position);
    QCOMPARE(static_cast<int>(itemStimulus(item)), stimulus);
    QCOMPARE(itemPosition(item), position);
}

void TestScoring::percentages() {
    QCOMPARE(percentOfAnswers(108.0), 100.0);
    QCOMPARE(percentOfAnswers(54.0), 50.0);
    QCOMPARE(percentOfAnswers(0.0), 0.0);
    QVERIFY(qAbs(percentOfAnswers(36.0) - 33.333333333333336) < 1e-12);
}

void TestScoring::keyMatchesManual() {
    for (int j = 0; j < 36; ++j) {
        const ScoringKeyRow& row = ScoringKey[static_cast<std::size_t>(j)];
        QVERIFY2(row.resultative == ManualKey[j].first,
                 qPrintable(QStringLiteral("resultative motive of position %1").arg(j + 1)));
        QVERIFY2(row.procedural == ManualKey[j].second,
                 qPrintable(QStringLiteral("procedural motive of position %1").arg(j + 1)));
    }
}

void TestScoring::keyFirstSixPositionsPairOneMotive() {
    const Motive order[6] = {U, C, T, K, P, A};
    for (int j = 0; j < 6; ++j) {
        QVERIFY(ScoringKey[static_cast<std::size_t>(j)].resultative == order[j]);
        QVERIFY(ScoringKey[static_cast<std::size_t>(j)].procedural == order[j]);
    }
}

void TestScoring::keyOrderedPairsOfDifferentMotivesOnce() {
    std::set<std::pair<int, int>> seen;
    for (int j = 6; j < 36; ++j) {
        const ScoringKeyRow& row = ScoringKey[static_cast<std::size_t>(j)];
        QVERIFY2(row.resultative != row.procedural,
                 qPrintable(QStringLiteral("position %1 pairs a motive with itself").arg(j + 1)));
        const bool inserted =
            seen.insert({static_cast<int>(row.resultative), static_cast<int>(row.procedural)})
                .second;
        QVERIFY2(inserted, qPrintable(QStringLiteral("position %1 repeats a pair").arg(j + 1)));
    }
    QCOMPARE(seen.size(), std::size_t(30));
}

void TestScoring::keyEveryMotiveSixTimesPerColumn() {
    int resultative[6] = {};
    int procedural[6] = {};
    for (const ScoringKeyRow& row : ScoringKey) {
        ++resultative[static_cast<int>(row.resultative)];
        ++procedural[static_cast<int>(row.procedural)];
    }
    for (int m = 0; m < 6; ++m) {
        QCOMPARE(resultative[m], 6);
        QCOMPARE(procedural[m], 6);
    }
}

void TestScoring::allMarksZero() {
    AnalysisRecord data;
    scoreAnswers(data);
    QCOMPARE(countSum(data), 0);
    QCOMPARE(sumOf(data.scores.raw.profile1), 0.0);
    QCOMPARE(sumOf(data.scores.raw.profile2), 0.0);
    QCOMPARE(sumOf(data.scores.raw.profile3), 0.0);
}

void TestScoring::singleMark_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("resultative");
    QTest::addColumn<int>("countIndex");
    QTest::addColumn<int>("profile1");
    QTest::addColumn<int>("profile2");
    QTest::addColumn<int>("profile3");
    QTest::newRow("item 1 RO: Utilitarian Money") << 1 << true << 12 << 2 << 2 << 2;
    QTest::newRow("item 37 PO: Utilitarian Team") << 37 << false << 15 << 2 << 8 << 8;
    QTest::newRow("item 108 RO: Cooperation Work") << 108 << true << 22 << 3 << 3 << 15;
    QTest::newRow("item 108 PO: Communication Work") << 108 << false << 11 << 1 << 7 << 13;
    QTest::newRow("item 7 PO: Communication Money") << 7 << false << 7 << 1 << 7 << 1;
    QTest::newRow("item 59 RO: Achievement Team") << 59 << true << 32 << 5 << 5 << 11;
    QTest::newRow("item 84 PO: Competition Work") << 84 << false << 29 << 4 << 10 << 16;
    QTest::newRow("item 3 RO: Transformation Money") << 3 << true << 0 << 0 << 0 << 0;
}

void TestScoring::singleMark() {
    QFETCH(int, item);
    QFETCH(bool, resultative);
    QFETCH(int, countIndex);
    QFETCH(int, profile1);
    QFETCH(int, profile2);
    QFETCH(int, profile3);
    AnalysisRecord data;
    if (resultative)
        pairOf(data, item).resultative = 1;
    else
        pairOf(data, item).procedural = 1;
    scoreAnswers(data);
    for (int i = 0; i < 36; ++i)
        QCOMPARE(data.scores.motiveCounts[static_cast<std::size_t>(i)], i == countIndex ? 1 : 0);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(data.scores.raw.profile1[static_cast<std::size_t>(i)], i == profile1 ? 1.0 : 0.0);
    for (int i = 0; i < 12; ++i)
        QCOMPARE(data.scores.raw.profile2[static_cast<std::size_t>(i)], i == profile2 ? 1.0 : 0.0);
    for (int i = 0; i < 18; ++i)
        QCOMPARE(data.scores.raw.profile3[static_cast<std::size_t>(i)], i == profile3 ? 1.0 : 0.0);
}

void TestScoring::everyResultativeMark() {
    AnalysisRecord data;
    for (int item = 1; item <= 108; ++item)
        pairOf(data, item) = {1, 0};
    scoreAnswers(data);
    for (int i = 0; i < 36; ++i)
        QCOMPARE(data.scores.motiveCounts[static_cast<std::size_t>(i)], i % 2 == 0 ? 6 : 0);
    for (const double p : data.scores.raw.profile1)
        QCOMPARE(p, 18.0);
    for (int i = 0; i < 12; ++i)
        QCOMPARE(data.scores.raw.profile2[static_cast<std::size_t>(i)], i < 6 ? 18.0 : 0.0);
    for (const double p : data.scores.raw.profile3)
        QCOMPARE(p, 6.0);
}

void TestScoring::bothMarksEverywhere() {
    AnalysisRecord data;
    for (int item = 1; item <= 108; ++item)
        pairOf(data, item) = {1, 1};
    scoreAnswers(data);
    for (const double count : data.scores.motiveCounts)
        QCOMPARE(count, 6.0);
    QCOMPARE(countSum(data), 216);
    double percentTotal = 0.0;
    for (const double p : data.scores.raw.profile1) {
        QCOMPARE(p, 36.0);
        percentTotal += percentOfAnswers(p);
    }
    QVERIFY(qAbs(percentTotal - 200.0) < 1e-9);
    for (const double p : data.scores.raw.profile2)
        QCOMPARE(p, 18.0);
    for (const double p : data.scores.raw.profile3)
        QCOMPARE(p, 12.0);
}

void TestScoring::oneChoicePerItem() {
    Lcg random{12345u};
    AnalysisRecord data;
    for (int item = 1; item <= 108; ++item)
        pairOf(data, item) = random.next(2) == 0 ? MarkPair{1, 0} : MarkPair{0, 1};
    scoreAnswers(data);
    QCOMPARE(countSum(data), 108);
    QCOMPARE(sumOf(data.scores.raw.profile1), 108.0);
    QCOMPARE(sumOf(data.scores.raw.profile2), 108.0);
    QCOMPARE(sumOf(data.scores.raw.profile3), 108.0);
    for (const double count : data.scores.motiveCounts)
        QVERIFY(count >= 0 && count <= 6);
}

void TestScoring::otherMarkValuesScoreNothing_data() {
    QTest::addColumn<int>("mark");
    QTest::newRow("0") << 0;
    QTest::newRow("2") << 2;
    QTest::newRow("-1") << -1;
    QTest::newRow("11") << 11;
    QTest::newRow("int max") << 2147483647;
    QTest::newRow("int min") << (-2147483647 - 1);
}

void TestScoring::otherMarkValuesScoreNothing() {
    QFETCH(int, mark);
    AnalysisRecord data;
    for (int item = 1; item <= 108; ++item)
        pairOf(data, item) = {mark, mark};
    scoreAnswers(data);
    QCOMPARE(countSum(data), 0);
    QCOMPARE(sumOf(data.scores.raw.profile1), 0.0);
    QCOMPARE(sumOf(data.scores.raw.profile2), 0.0);
    QCOMPARE(sumOf(data.scores.raw.profile3), 0.0);
}

void TestScoring::profileTotalsMatchCounts_data() {
    QTest::addColumn<uint>("seed");
    for (uint seed : {1u, 7u, 2024u, 99991u})
        QTest::newRow(qPrintable(QString::number(seed))) << seed;
}

void TestScoring::profileTotalsMatchCounts() {
    QFETCH(uint, seed);
    Lcg random{seed};
    AnalysisRecord data;
    int onesPerStimulus[3] = {};
    for (int item = 1; item <= 108; ++item) {
        // Mostly 0 and 1, now and then values that must not score.
        const int values[5] = {0, 1, 1, 2, -1};
        MarkPair& pair = pairOf(data, item);
        pair.resultative = values[random.next(5)];
        pair.procedural = values[random.next(5)];
        onesPerStimulus[(item - 1) / 36] +=
            (pair.resultative == 1 ? 1 : 0) + (pair.procedural == 1 ? 1 : 0);
    }
    scoreAnswers(data);
    const int ones = onesPerStimulus[0] + onesPerStimulus[1] + onesPerStimulus[2];
    QCOMPARE(countSum(data), ones);
    QCOMPARE(sumOf(data.scores.raw.profile1), double(ones));
    QCOMPARE(sumOf(data.scores.raw.profile2), double(ones));
    QCOMPARE(sumOf(data.scores.raw.profile3), double(ones));
    for (int s = 0; s < 3; ++s) {
        double block = 0.0;
        for (int m = 0; m < 6; ++m) {
            const int cell = s * 6 + m;
            block += data.scores.raw.profile3[static_cast<std::size_t>(cell)];
        }
        QCOMPARE(block, double(onesPerStimulus[s]));
    }
    // Profile 2 splits profile 1 by orientation; each count cell is bounded by the key.
    for (int m = 0; m < 6; ++m)
        QCOMPARE(data.scores.raw.profile2[static_cast<std::size_t>(m)] +
                     data.scores.raw.profile2[static_cast<std::size_t>(6 + m)],
                 data.scores.raw.profile1[static_cast<std::size_t>(m)]);
    for (const double count : data.scores.motiveCounts)
        QVERIFY(count >= 0 && count <= 6);
}

void TestScoring::secondCallDoublesCounts() {
    AnalysisRecord data;
    pairOf(data, 1).resultative = 1;
    pairOf(data, 50).procedural = 1;
    scoreAnswers(data);
    scoreAnswers(data);
    QCOMPARE(data.scores.motiveCounts[12], 2);
    QCOMPARE(countSum(data), 4);
    QCOMPARE(sumOf(data.scores.raw.profile1), 4.0);
}

void TestScoring::profilesAreOverwritten() {
    AnalysisRecord data;
    data.scores.raw.profile1.fill(99.0);
    data.scores.raw.profile2.fill(99.0);
    data.scores.raw.profile3.fill(99.0);
    pairOf(data, 1).resultative = 1;
    scoreAnswers(data);
    QCOMPARE(sumOf(data.scores.raw.profile1), 1.0);
    QCOMPARE(sumOf(data.scores.raw.profile2), 1.0);
    QCOMPARE(sumOf(data.scores.raw.profile3), 1.0);
}

void TestScoring::touchesNothingElse() {
    AnalysisRecord data;
    data.answerTimes.fill(4.5);
    data.meanTime = 4.5;
    data.sdTime = 0.25;
    data.timingLines[0] = QStringLiteral("Начало теста: 10:15:02");
    pairOf(data, 2) = {1, 1};
    const AnalysisRecord before = data;
    scoreAnswers(data);
    QCOMPARE(data.answerTimes, before.answerTimes);
    QCOMPARE(data.meanTime, 4.5);
    QCOMPARE(data.sdTime, 0.25);
    QCOMPARE(data.timingLines, before.timingLines);
    QVERIFY(data.answers == before.answers);
}

QTEST_GUILESS_MAIN(TestScoring)
#include "tst_scoring.moc"
