#include "NormComparison.h"
#include "Regional.h"
#include "ResultSheet.h"

#include <QtTest>

using namespace ezr;

namespace {

// Men's row. Profile 2 puts 10 answers on RO Transformation and 9 on RO Achievement, which
// an examinee's grid shows as 9.3 and 8.3 per cent.
Profiles workedExample() {
    Profiles raw;
    raw.profile1 = {30, 10, 18, 22, 14, 14};
    raw.profile2 = {10, 5, 9, 11, 6, 9, 9, 5, 9, 11, 8, 5};
    return raw;
}

NormComparison compareExample(const Profiles& raw, NormKind kind = NormKind::Sex, int row = 0,
                              AnalysisKind shown = AnalysisKind::Individual) {
    Q_UNUSED(kind);
    return compareWithNorm(storedNorm(row), raw, shown);
}

// The sheet of an examinee with these raw profiles, compared with the sex norm's men's row.
ResultSheet sheetOf(const Profiles& raw, NormKind kind = NormKind::Sex) {
    AnalysisState state;
    state.kind = AnalysisKind::Individual;
    state.record.scores.raw = raw;
    return formatSheet(withNorm(state, kind));
}

} // namespace

class TestNormComparison : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void workedExampleCells() {
        const NormComparison result = compareExample(workedExample());
        // Expected counts 19.548, 16.956, 18.684, 20.844, 15.012, 16.956 (men's row x 1.08).
        const double expectedChi[6] = {6.824, 3.385, 0.030, 0.079, 0.079, 0.611};
        for (int i = 0; i < 6; ++i)
            QVERIFY2(qAbs(result.chi.profile1[i] - expectedChi[i]) < 0.001,
                     qPrintable(QString::number(result.chi.profile1[i])));
        QCOMPARE(result.norm.row, 0);
        QCOMPARE(normTitle(result.norm), QStringLiteral("Пол"));
        QCOMPARE(profileX2Text(result.profiles[0].x2), QStringLiteral("9.11"));
        QCOMPARE(result.profiles[0].verdict, Verdict::WithinNorm);
        QCOMPARE(indexText(result.inclusion.value), QStringLiteral("4.0"));
        QCOMPARE(result.inclusion.verdict, Verdict::WithinNorm);
        // 9.3 + 8.3 as shown, not 9.259 + 8.333.
        QCOMPARE(indexText(result.innovation.value), QStringLiteral("17.6"));
        QCOMPARE(result.innovation.verdict, Verdict::WithinNorm);
    }

    void workedExampleOnTheSheet() {
        const ResultSheet sheet = sheetOf(workedExample());
        const QStringList shown = {QStringLiteral("    6.8"), QStringLiteral("    3.4"),
                                   QStringLiteral("    0.0"), QStringLiteral("    0.1"),
                                   QStringLiteral("    0.1"), QStringLiteral("    0.6")};
        for (int row = 1; row <= 6; ++row)
            QCOMPARE(sheet.motiveGrid.cell(9, row), shown[row - 1]);
        QCOMPARE(sheet.profile1X2, QStringLiteral("9.11"));
        QCOMPARE(sheet.inclusionIndex, QStringLiteral("4.0"));
        QCOMPARE(sheet.profile1Caption, QStringLiteral("[X2(профиль)кр. = 11.07 для p = 0.05] "));
        QCOMPARE(sheet.profile2Caption, QStringLiteral("[X2(профиль)кр. = 19.67 для p = 0.05] "));
        QCOMPARE(
            sheet.profile3Caption,
            QStringLiteral(
                "[X2(профиль)кр. = 26.36 для p = 0.05]    [X2(мотив)кр. =  3.84 для p = 0.05]"));
        QCOMPARE(sheet.motiveChiVerdicts[0], Verdict::BeyondNorm); // 6.8
        QCOMPARE(sheet.motiveChiVerdicts[1], Verdict::WithinNorm); // 3.4

        // A second comparison with the same kind changes nothing.
        QVERIFY(sheetOf(workedExample()) == sheet);
    }

    void decimalCommaEverywhere() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const ResultSheet sheet = sheetOf(workedExample(), NormKind::Education);
        QCOMPARE(sheet.norm, QStringLiteral("Образование"));
        QVERIFY(sheet.profile1X2.contains(QLatin1Char(',')));
        QVERIFY(sheet.profile1Caption.contains(QStringLiteral("11,07")));
        QVERIFY(sheet.orientationGrid.cell(1, 2).contains(QLatin1Char(',')));
        // 10 and 9 answers read back as 9,3 and 8,3: the index is their sum as shown.
        QCOMPARE(sheet.innovationIndex, QStringLiteral("17,6"));
    }

    void normRowChoice_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("education");
        QTest::addColumn<int>("group");
        const QString woman = QStringLiteral("Женский");
        QTest::newRow("men") << 1 << QStringLiteral("Мужской") << QString() << 0;
        QTest::newRow("empty sex") << 1 << QString() << QString() << 0;
        QTest::newRow("lower-case women") << 1 << QStringLiteral("женский") << QString() << 0;
        QTest::newRow("women with a blank") << 1 << woman + QLatin1Char(' ') << QString() << 0;
        QTest::newRow("women") << 1 << woman << QString() << 1;
        QTest::newRow("higher") << 2 << woman << QStringLiteral("Высшее") << 2;
        QTest::newRow("other education") << 2 << woman << QStringLiteral("среднее") << 2;
        QTest::newRow("secondary") << 2 << QString() << QStringLiteral("Среднее") << 3;
        QTest::newRow("satisfaction") << 3 << woman << QStringLiteral("Среднее") << 4;
        QTest::newRow("satisfaction empty") << 3 << QString() << QString() << 4;
    }

    void normRowChoice() {
        QFETCH(int, kind);
        QFETCH(QString, sex);
        QFETCH(QString, education);
        QFETCH(int, group);
        QCOMPARE(normRow(static_cast<NormKind>(kind), sex, education), group);
    }

    void satisfactionIgnoresHeaderTexts() {
        AnalysisState a;
        a.kind = AnalysisKind::Individual;
        a.record.scores.raw = workedExample();
        AnalysisState b = a;
        b.header.sex = QStringLiteral("Женский");
        b.header.education = QStringLiteral("Среднее");
        a = withNorm(a, NormKind::Satisfaction);
        b = withNorm(b, NormKind::Satisfaction);
        QCOMPARE(a.comparison.chi, b.comparison.chi);
        QCOMPARE(a.comparison.profiles[2].x2, b.comparison.profiles[2].x2);
    }

    void cellChiSquareIsTwoCellTest() {
        // O = E gives 0; the complement term doubles what the first term alone would give
        // weighted by E / (108 - E).
        Profiles raw = workedExample();
        raw.profile1 = {18.1 * 1.08, 0, 0, 0, 0, 0};
        const NormComparison result = compareExample(raw);
        QVERIFY(qAbs(result.chi.profile1[0]) < 1e-12);
        const double e = 15.7 * 1.08;
        const double expected = e + e * e / (108.0 - e); // O = 0
        QVERIFY(qAbs(result.chi.profile1[1] - expected) < 1e-9);
        for (double chi : result.chi.profile1)
            QVERIFY(chi >= 0.0);
    }

    void verdictThresholds_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("within");
        QTest::newRow("profile equal to critical") << 11.07 << "profile1" << true;
        QTest::newRow("profile above critical") << 11.0700001 << "profile1" << false;
        QTest::newRow("inclusion 0") << 0.0 << "inclusion" << true;
        QTest::newRow("inclusion -1") << -1.0 << "inclusion" << false;
        QTest::newRow("inclusion -0.1") << -0.1 << "inclusion" << false;
        QTest::newRow("innovation 17.2") << 17.2 << "innovation" << true;
        QTest::newRow("innovation 9.3 + 7.9") << 9.3 + 7.9 << "innovation" << true;
        QTest::newRow("innovation 17.1") << 17.1 << "innovation" << false;
    }

    void verdictThresholds() {
        QFETCH(double, value);
        QFETCH(QString, which);
        QFETCH(bool, within);
        Verdict verdict = Verdict::None;
        if (which == QLatin1String("profile1"))
            verdict = profileSignificance(value, 11.07);
        else if (which == QLatin1String("inclusion"))
            verdict = inclusionVerdict(value);
        else
            verdict = innovationVerdict(value);
        QCOMPARE(verdict, within ? Verdict::WithinNorm : Verdict::BeyondNorm);
    }

    // The indices take the scores and percentages as the grids show them: whole scores for
    // an examinee, one decimal for a group's means.
    void indicesAsShown_data() {
        QTest::addColumn<int>("shown");
        QTest::addColumn<double>("cooperation");
        QTest::addColumn<double>("utilitarian");
        QTest::addColumn<QString>("inclusion");
        QTest::addColumn<int>("inclusionVerdict");
        QTest::newRow("equal") << int(AnalysisKind::Individual) << 18.0 << 18.0 << "0.0"
                               << int(Verdict::WithinNorm);
        QTest::newRow("negative") << int(AnalysisKind::Individual) << 17.0 << 18.0 << "-1.0"
                                  << int(Verdict::BeyondNorm);
        // 4.26 - 2.14 = 2.12 exactly, but the grid shows 4.3 and 2.1.
        QTest::newRow("group means")
            << int(AnalysisKind::Group) << 4.26 << 2.14 << "2.2" << int(Verdict::WithinNorm);
        // -0.02 would read as 0.0 and within the norm; the cells show 2.0 and 2.1.
        QTest::newRow("group near zero")
            << int(AnalysisKind::Group) << 2.04 << 2.06 << "-0.1" << int(Verdict::BeyondNorm);
    }

    void indicesAsShown() {
        QFETCH(int, shown);
        QFETCH(double, cooperation);
        QFETCH(double, utilitarian);
        QFETCH(QString, inclusion);
        QFETCH(int, inclusionVerdict);
        Profiles raw = workedExample();
        raw.profile1[std::size_t(Motive::Cooperation)] = cooperation;
        raw.profile1[std::size_t(Motive::Utilitarian)] = utilitarian;
        const NormComparison result =
            compareExample(raw, NormKind::Sex, 0, static_cast<AnalysisKind>(shown));
        QCOMPARE(indexText(result.inclusion.value), inclusion);
        QCOMPARE(int(result.inclusion.verdict), inclusionVerdict);
    }

    // A group's innovation index sums the two percentages as shown: 10.05 and 8.95 answers
    // are 9.31 and 8.29 per cent, shown 9.3 and 8.3, so 17.6 and within the norm.
    void groupInnovationAsShown() {
        Profiles raw = workedExample();
        raw.profile2[0] = 10.05;
        raw.profile2[5] = 8.95;
        const NormComparison result = compareExample(raw, NormKind::Sex, 0, AnalysisKind::Group);
        QCOMPARE(indexText(result.innovation.value), QStringLiteral("17.6"));
        QCOMPARE(result.innovation.verdict, Verdict::WithinNorm);
    }

    void significantProfileIsBeyondNorm() {
        Profiles raw = workedExample();
        raw.profile1 = {36, 0, 36, 36, 0, 0};
        const NormComparison result = compareExample(raw);
        QCOMPARE(result.profiles[0].verdict, Verdict::BeyondNorm);
        QVERIFY(result.profiles[0].x2 > 11.07);
    }
};

QTEST_APPLESS_MAIN(TestNormComparison)
#include "tst_normcomparison.moc"
