// Retests and own norms from real answers: the choice of the earlier test among several, the
// same-code rule, and norms and retests from sheets with items marked twice or left open.

#include "Analysis.h"
#include "ErrorText.h"
#include "NormFile.h"
#include "Retest.h"
#include "SampleMaker.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

using namespace ezr;

Q_DECLARE_METATYPE(ezr::TestKey)

namespace {

using KeyList = QList<TestKey>;

TestKey key(const char* code, int year, int month = 6, int day = 1) {
    return {QString::fromUtf8(code), QDate(year, month, day)};
}

template <std::size_t N> double sumOf(const std::array<double, N>& cells) {
    return std::accumulate(cells.begin(), cells.end(), 0.0);
}

// Writes the examinee under `code`, tested on `date`; returns the file's path.
QString writeTest(const QString& dir, int index, const QString& code, const QString& date,
                  IrregularMarks marks = {}) {
    SampleExaminee examinee = withIrregularMarks(generatedExaminee(44u, index), marks, 3u + index);
    examinee.code = code;
    examinee.testDate = date;
    const QString path = dir + QStringLiteral("/t%1.cry").arg(index);
    return writeFile(path, makeResponseFile(examinee)) ? path : QString();
}

} // namespace

class TestRetest : public QObject {
    Q_OBJECT

private slots:
    // Of several earlier tests the most recent one is taken; never one after the retest,
    // another examinee's, or one whose date does not read.
    void mostRecentEarlierTest_data() {
        QTest::addColumn<KeyList>("tests");
        QTest::addColumn<TestKey>("later");
        QTest::addColumn<int>("chosen");
        const TestKey later = key("501", 2025);
        QTest::newRow("the only one") << KeyList{key("501", 2020)} << later << 0;
        QTest::newRow("most recent last")
            << KeyList{key("501", 2019), key("501", 2021), key("501", 2023)} << later << 2;
        QTest::newRow("most recent first")
            << KeyList{key("501", 2023), key("501", 2019), key("501", 2021)} << later << 0;
        QTest::newRow("a later retest passed over")
            << KeyList{key("501", 2020), key("501", 2026), key("501", 2022)} << later << 2;
        QTest::newRow("the retest itself passed over")
            << KeyList{later, key("501", 2021)} << later << 1;
        QTest::newRow("the day before")
            << KeyList{key("501", 2025, 5, 31), key("501", 2024)} << later << 0;
        QTest::newRow("another examinee")
            << KeyList{key("502", 2024), key("501", 2018)} << later << 1;
        QTest::newRow("blanks around the code")
            << KeyList{key(" 501 ", 2022), key("501", 2020)} << later << 0;
        QTest::newRow("unreadable date")
            << KeyList{{QStringLiteral("501"), QDate()}} << later << -1;
        QTest::newRow("none earlier") << KeyList{key("501", 2026)} << later << -1;
        QTest::newRow("no code") << KeyList{key("", 2020)} << key("", 2025) << -1;
    }
    void mostRecentEarlierTest() {
        QFETCH(KeyList, tests);
        QFETCH(TestKey, later);
        QFETCH(int, chosen);
        QCOMPARE(
            ezr::mostRecentEarlierTest(int(tests.size()), later, [&](int i) { return tests[i]; }),
            chosen);
    }

    // The folder a retest is given: the most recent earlier readable test of the same code.
    void mostRecentEarlierTestInFolder() {
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString later = writeTest(d, 0, QStringLiteral("501"), QStringLiteral("10.06.2025"));
        const QString oldest = writeTest(d, 1, QStringLiteral("501"), QStringLiteral("01.02.2019"));
        const QString recent = writeTest(d, 2, QStringLiteral("501"), QStringLiteral("15.09.2023"));
        writeTest(d, 3, QStringLiteral("501"), QStringLiteral("03.03.2021"));
        writeTest(d, 4, QStringLiteral("501"), QStringLiteral("20.11.2026"));
        writeTest(d, 5, QStringLiteral("502"), QStringLiteral("01.01.2025"));
        QVERIFY(writeFile(d + QStringLiteral("/t6.cry"), QByteArray("not a response file")));
        QVERIFY(!later.isEmpty() && !oldest.isEmpty() && !recent.isEmpty());

        const AnalysisState test = individualAnalysis(later);
        QCOMPARE(mostRecentEarlierTestIn(d, test), recent);
        const AnalysisState retest = retestAnalysis(test, individualAnalysis(recent));
        QCOMPARE(retest.comparison.norm.name, QStringLiteral("Обследование 15.09.2023"));
        QCOMPARE(retest.header.code, test.header.code);

        // Another examinee's test is refused with both files and both codes named.
        const AnalysisState other = individualAnalysis(d + QStringLiteral("/t5.cry"));
        const QString refused = errorOf([&] { retestAnalysis(test, other); });
        QVERIFY2(refused.contains(QStringLiteral("код «501» и код «502»")), qPrintable(refused));
        QVERIFY(refused.contains(QStringLiteral("t5.cry")));
        QCOMPARE(mostRecentEarlierTestIn(d, other), QString());
    }

    // Hand-filled sheets: items marked twice score twice, items left open not at all. A
    // group of them makes a norm that reads back, and any of its members' tests is a
    // retest's earlier test.
    void normsAndRetestsFromIrregularMarks_data() {
        QTest::addColumn<int>("doubled");
        QTest::addColumn<int>("unanswered");
        QTest::newRow("one mark an item") << 0 << 0;
        QTest::newRow("marked twice") << 12 << 0;
        QTest::newRow("left open") << 0 << 15;
        QTest::newRow("both") << 20 << 7;
        QTest::newRow("every item twice") << 108 << 0;
    }
    void normsAndRetestsFromIrregularMarks() {
        QFETCH(int, doubled);
        QFETCH(int, unanswered);
        QTemporaryDir dir;
        QVERIFY(writeGeneratedFiles(dir.path(), 24, 5u, nullptr, ResponseForm::Scrambled,
                                    {doubled, unanswered}));
        const AnalysisState group = groupAnalysis(dir.path(), NormKind::Satisfaction, QString());
        // Each member's profile holds 108 + doubled - unanswered answers.
        const double expected = 100.0 * (108 + doubled - unanswered) / 108.0;
        QVERIFY(qAbs(100.0 * sumOf(group.record.scores.raw.profile3) / 108.0 - expected) < 1e-9);

        Norm norm;
        const QString refused = errorOf(
            [&] { norm = normFromGroup(group, QStringLiteral("Смена Б"), QStringLiteral("все")); });
        QVERIFY2(refused.isEmpty(), qPrintable(refused));
        QVERIFY(qAbs(sumOf(norm.percent.profile1) - expected) < 6 * 0.005 + 1e-9);
        Norm read;
        const QString unread =
            errorOf([&] { read = readNormFile(normFileBytes(norm), QStringLiteral("б.json")); });
        QVERIFY2(unread.isEmpty(), qPrintable(unread));
        QCOMPARE(read, norm);

        const QString earlierPath = dir.filePath(group.members.first().fileName);
        const AnalysisState earlier = individualAnalysis(earlierPath);
        AnalysisState retest;
        const QString notRetest =
            errorOf([&] { retest = retestAnalysis(individualAnalysis(earlierPath), earlier); });
        QVERIFY2(notRetest.isEmpty(), qPrintable(notRetest));
        QVERIFY(qAbs(sumOf(retest.comparison.norm.percent.profile2) - expected) < 1e-9);
        for (const ProfileVerdict& profile : retest.comparison.profiles)
            QCOMPARE(profile.verdict, Verdict::WithinNorm);
    }

    // The bound of a profile's sum is what a member can reach: every item marked twice.
    void normSumsWithinReach_data() {
        QTest::addColumn<double>("cell"); // every cell of profile 1
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a third of the answers") << 100.0 / 18.0 << true;
        QTest::newRow("every item twice") << 200.0 / 6.0 << true;
        QTest::newRow("within the rounding") << 33.38 << true;
        QTest::newRow("beyond reach") << 33.4 << false;
    }
    void normSumsWithinReach() {
        QFETCH(double, cell);
        QFETCH(bool, accepted);
        Norm norm = storedNorm(0);
        norm.kind = NormKind::Own;
        norm.row = -1;
        norm.name = QStringLiteral("проба");
        norm.memberCount = 3;
        norm.percent.profile1.fill(cell);
        const QString refused =
            errorOf([&] { readNormFile(normFileBytes(norm), QStringLiteral("проба.json")); });
        QCOMPARE(refused.isEmpty(), accepted);
        if (!accepted)
            QVERIFY2(refused.contains(QStringLiteral("профиль 1: сумма процентов")),
                     qPrintable(refused));
    }
};

QTEST_GUILESS_MAIN(TestRetest)
#include "tst_retest.moc"
