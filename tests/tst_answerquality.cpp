#include "Analysis.h"
#include "AnalysisError.h"
#include "AnalysisSummary.h"
#include "AnswerQuality.h"
#include "Domain.h"
#include "Regional.h"
#include "ResultSheet.h"
#include "SampleMaker.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ezr;

namespace {

using Marks = std::array<MarkPair, ItemCount>;
using Times = std::array<double, ItemCount>;

constexpr MarkPair RO{1, 0};
constexpr MarkPair PO{0, 1};
constexpr MarkPair Neither{0, 0};
constexpr MarkPair Both{1, 1};

// РО on odd items, ПО on even ones: no two neighbours alike.
Marks alternating() {
    Marks marks{};
    for (int k = 0; k < ItemCount; ++k)
        marks[std::size_t(k)] = k % 2 == 0 ? RO : PO;
    return marks;
}

Times constantTimes(double seconds) {
    Times times{};
    times.fill(seconds);
    return times;
}

SampleExaminee examinee(const QString& code, const Marks& marks, const Times& times) {
    SampleExaminee e = bundledSample().first();
    e.code = code;
    e.name = QStringLiteral("Фамилия%1 Имя Отчество").arg(code);
    e.marks = marks;
    e.answerTimes = times;
    return e;
}

// The examinee written as a response file and read back, as the program meets it.
AnalysisState analysed(const SampleExaminee& e) {
    QTemporaryDir dir;
    QString error;
    if (!writeResponseFiles(dir.path(), {e}, &error))
        qFatal("%s", qPrintable(error));
    return individualAnalysis(dir.filePath(responseFileName(e)));
}

} // namespace

Q_DECLARE_METATYPE(Marks)
Q_DECLARE_METATYPE(Times)

class TestAnswerQuality : public QObject {
    Q_OBJECT

private slots:
    // Each examinee's figures counted by hand from the marks and times it was made with.
    void figures_data() {
        QTest::addColumn<Marks>("marks");
        QTest::addColumn<Times>("times");
        QTest::addColumn<bool>("timed");
        QTest::addColumn<int>("fast");
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("unanswered");
        QTest::addColumn<int>("doubled");
        QTest::addColumn<double>("share");
        QTest::addColumn<int>("doubts");

        QTest::newRow("careful") << alternating() << constantTimes(5) << true << 0 << 1 << 0 << 0
                                 << 0.25 << 0;
        QTest::newRow("all fast") << alternating() << constantTimes(1) << true << 108 << 1 << 0 << 0
                                  << 0.25 << int(QualityDoubt::FastAnswers);

        // Ten answers at 1.9 s and a run of 14: both just short of their thresholds.
        Marks run14 = alternating();
        for (int k = 0; k < 14; ++k)
            run14[std::size_t(k)] = RO; // items 1..14
        run14[14] = PO;                 // item 15 ends the run; with item 16 a pair of ПО
        Times tenFast = constantTimes(6);
        for (int k = 50; k < 60; ++k)
            tenFast[std::size_t(k)] = 1.9;
        // 27 fastest: 10 x 1.9 + 17 x 6 of 10 x 1.9 + 98 x 6
        QTest::newRow("just short") << run14 << tenFast << true << 10 << 14 << 0 << 0
                                    << (19.0 + 102.0) / (19.0 + 588.0) << 0;

        Marks run20 = alternating();
        for (int k = 0; k < 20; ++k)
            run20[std::size_t(k)] = RO; // 1..20 РО; item 21 (odd) is РО too: a run of 21
        QTest::newRow("one long run") << run20 << constantTimes(5) << true << 0 << 21 << 0 << 0
                                      << 0.25 << int(QualityDoubt::LongRun);

        Marks doubled = alternating();
        doubled[4] = Both;
        doubled[8] = Both;
        doubled[6] = Neither;
        QTest::newRow("double marked")
            << doubled << constantTimes(5) << true << 0 << 1 << 1 << 2 << 0.25
            << int(QualityDoubt::Unanswered) + int(QualityDoubt::DoubleMarked);

        // A quarter of the items at 2 s (not faster than 2 s), the rest at 20 s.
        Times skimmed = constantTimes(20);
        for (int k = 0; k < 27; ++k)
            skimmed[std::size_t(k) * 4] = 2;
        QTest::newRow("fast quarter")
            << alternating() << skimmed << true << 0 << 1 << 0 << 0 << 54.0 / (54.0 + 81 * 20.0)
            << int(QualityDoubt::FastQuarter);

        // Typed from paper: no times, nothing about speed.
        QTest::newRow("paper sheet")
            << alternating() << constantTimes(0) << false << 0 << 1 << 0 << 0 << 0.0 << 0;
    }

    void figures() {
        QFETCH(const Marks, marks);
        QFETCH(const Times, times);
        const AnswerQuality q = analysed(examinee(QStringLiteral("301"), marks, times)).quality;
        QTEST(q.timed, "timed");
        QTEST(q.fastAnswers, "fast");
        QTEST(q.longestRun, "run");
        QTEST(q.unanswered, "unanswered");
        QTEST(q.doubleMarked, "doubled");
        QFETCH(double, share);
        QVERIFY2(std::abs(q.fastQuarterShare - share) < 1e-9,
                 qPrintable(QString::number(q.fastQuarterShare)));
        QTEST(int(q.doubts), "doubts");
        // The verdict names a reason for every threshold passed, and nothing else.
        const QString verdict = qualityVerdict(q);
        QCOMPARE(verdict.isEmpty(), q.doubts == 0);
        QCOMPARE(verdict.count(QLatin1Char(';')) + (verdict.isEmpty() ? 0 : 1),
                 int(doubtReasons(q).size()));
        // Time figures of a sheet without times say they were not measured.
        QCOMPARE(qualityLines(q).join(QLatin1Char('\n')).contains(NotMeasured), !q.timed);
    }

    void russianCounts_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1 << QStringLiteral("1 ответ");
        QTest::newRow("3") << 3 << QStringLiteral("3 ответа");
        QTest::newRow("11") << 11 << QStringLiteral("11 ответов");
        QTest::newRow("22") << 22 << QStringLiteral("22 ответа");
        QTest::newRow("112") << 112 << QStringLiteral("112 ответов");
        QTest::newRow("21") << 21 << QStringLiteral("21 ответ");
    }
    void russianCounts() {
        QFETCH(int, count);
        QTEST(countWithNoun(count, QStringLiteral("ответ"), QStringLiteral("ответа"),
                            QStringLiteral("ответов")),
              "text");
    }

    // A group names its members' sexes, educations, ages and test days, and its norm as the
    // norm: not the norm's traits as if they were the group's.
    void groupHeading() {
        struct Person {
            QString sex, education, birth, test;
        };
        const QList<Person> people{
            {FemaleSex, HigherEducation, QStringLiteral("10.03.1980"),
             QStringLiteral("15.02.2024")},
            {MaleSex, SecondaryEducation, QStringLiteral("01.06.1960"),
             QStringLiteral("31.12.2024")},
            {MaleSex, HigherEducation, QStringLiteral("02.01.1990"), QStringLiteral("01.01.2024")},
        };
        QTemporaryDir dir;
        QList<SampleExaminee> folder;
        for (qsizetype k = 0; k < people.size(); ++k) {
            SampleExaminee e = examinee(QString::number(401 + k), alternating(), constantTimes(5));
            e.sex = people[k].sex;
            e.education = people[k].education;
            e.birthDate = people[k].birth;
            e.testDate = people[k].test;
            folder << e;
        }
        QVERIFY(writeResponseFiles(dir.path(), folder));
        const AnalysisState group = groupAnalysis(dir.path(), NormKind::Education, HigherEducation);
        const QStringList summary = informationSummary(group);
        QCOMPARE(summary.value(0),
                 QStringLiteral("Группа: 3 обследуемых (женщин 1, мужчин 2; высшее 2, среднее 1; "
                                "возраст 33–64)"));
        QCOMPARE(summary.value(1), QStringLiteral("Обследования: %1–%2")
                                       .arg(formatShortDate(QDate(2024, 1, 1)),
                                            formatShortDate(QDate(2024, 12, 31))));
        QCOMPARE(summary.value(2), QStringLiteral("Норма: высшее образование"));
        QCOMPARE(summary.size(), 3); // nobody's answers ask for a look
    }

    // Members whose answers ask for a look are averaged in unless the run leaves them out;
    // then the means are those of the others and the report names who was left out.
    void exclusion_data() {
        QTest::addColumn<bool>("exclude");
        QTest::newRow("kept") << false;
        QTest::newRow("left out") << true;
    }
    void exclusion() {
        QFETCH(bool, exclude);
        Marks doubled = alternating();
        doubled[10] = Both;
        QList<SampleExaminee> folder;
        for (int k = 0; k < 3; ++k)
            folder << generatedExaminee(7, k);
        folder << examinee(QStringLiteral("fast"), alternating(), constantTimes(0.5))
               << examinee(QStringLiteral("double"), doubled, constantTimes(5));
        QTemporaryDir dir;
        QVERIFY(writeResponseFiles(dir.path(), folder));

        GroupChoice choice;
        choice.excludeDoubtful = exclude;
        const AnalysisState group = groupAnalysis(dir.path(), NormKind::Sex, MaleSex, nullptr, {},
                                                  GroupKeeps::TableRows, choice);

        // The means, computed here from the members taken one by one.
        const int kept = exclude ? 3 : 5;
        std::array<double, MotiveCount> sums{};
        int counted = 0;
        for (const SampleExaminee& e : folder) {
            if (exclude && (e.code == QStringLiteral("fast") || e.code == QStringLiteral("double")))
                continue;
            const AnalysisState one = individualAnalysis(dir.filePath(responseFileName(e)));
            QVERIFY(!exclude || !one.quality.doubtful());
            for (int m = 0; m < MotiveCount; ++m)
                sums[std::size_t(m)] += one.record.scores.raw.profile1[std::size_t(m)];
            ++counted;
        }
        QCOMPARE(counted, kept);
        for (int m = 0; m < MotiveCount; ++m)
            QVERIFY(std::abs(group.record.scores.raw.profile1[std::size_t(m)] -
                             sums[std::size_t(m)] / kept) < 1e-9);
        QCOMPARE(group.header.code, QString::number(kept));
        QCOMPARE(group.composition.members, kept);
        QCOMPARE(int(group.members.size()), kept);

        QCOMPARE(group.doubtful.size(), 2);
        QCOMPARE(excludedCount(group), exclude ? 2 : 0);
        const QStringList excluded = excludedLines(group);
        const QStringList hint = formatSheet(group).infoHint.split(QStringLiteral("\r\n"));
        if (exclude) {
            QCOMPARE(excluded.value(0),
                     QStringLiteral("Исключено из группы (ответы требуют проверки): 2"));
            QVERIFY(excluded.value(1).startsWith(QStringLiteral("fast. Фамилияfast")));
            QVERIFY(excluded.value(1).contains(QStringLiteral("108 ответов быстрее 2 с")));
            QVERIFY(excluded.value(2).contains(QStringLiteral("обе отметки: 1 пункт")));
            // The report's member list says it too.
            QVERIFY(hint.contains(excluded.value(0)));
        } else {
            QVERIFY(excluded.isEmpty());
            QCOMPARE(doubtfulKeptLines(group).value(0),
                     QStringLiteral("Ответы требуют проверки: 2"));
            QVERIFY(!hint.join(QLatin1Char('\n')).contains(QStringLiteral("Исключено")));
        }
    }

    void everybodyExcluded() {
        QTemporaryDir dir;
        const QList<SampleExaminee> folder{
            examinee(QStringLiteral("fast"), alternating(), constantTimes(0.5))};
        QVERIFY(writeResponseFiles(dir.path(), folder));
        GroupChoice choice;
        choice.excludeDoubtful = true;
        QVERIFY_THROWS_EXCEPTION(AnalysisError,
                                 groupAnalysis(dir.path(), NormKind::Sex, MaleSex, nullptr, {},
                                               GroupKeeps::Roster, choice));
    }
};

QTEST_GUILESS_MAIN(TestAnswerQuality)
#include "tst_answerquality.moc"
