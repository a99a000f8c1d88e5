#include "AnalysisError.h"
#include "NormComparison.h"
#include "Regional.h"
#include "ResultSheet.h"
#include "SheetComparison.h"

#include <QtTest>

using namespace ezr;

namespace {

NormComparisonInput workedExample() {
    // Men's row; the index cells as an individual's grid shows them.
    NormComparisonInput input;
    input.kind = NormKind::Sex;
    input.sex = QStringLiteral("Мужской");
    input.profile1 = {30, 10, 18, 22, 14, 14};
    input.cooperationScore = QStringLiteral("    22");
    input.utilitarianScore = QStringLiteral("    18");
    input.roTransformationPct = QStringLiteral("   9.3");
    input.roAchievementPct = QStringLiteral("   8.3");
    return input;
}

} // namespace

class TestNormComparison : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void workedExampleCells() {
        const NormComparison result = computeNormComparison(workedExample());
        // Expected counts 19.548, 16.956, 18.684, 20.844, 15.012, 16.956 (men's row x 1.08).
        const double expectedChi[6] = {6.824, 3.385, 0.030, 0.079, 0.079, 0.611};
        for (int i = 0; i < 6; ++i)
            QVERIFY2(qAbs(result.chi1[i] - expectedChi[i]) < 0.001,
                     qPrintable(QString::number(result.chi1[i])));
        QCOMPARE(result.normGroup, 0);
        QCOMPARE(result.normName, QStringLiteral("Пол"));
        QCOMPARE(result.profile1.text, QStringLiteral("9.11"));
        QCOMPARE(result.profile1.verdict, Verdict::WithinNorm);
        QCOMPARE(result.inclusion.text, QStringLiteral("4.0"));
        QCOMPARE(result.inclusion.verdict, Verdict::WithinNorm);
        QCOMPARE(result.innovation.text, QStringLiteral("17.6"));
        QCOMPARE(result.innovation.verdict, Verdict::WithinNorm);
    }

    void workedExampleOnTheSheet() {
        ResultSheet sheet = initialSheet();
        AnalysisRecord data;
        data.Profile1Raw = {30, 10, 18, 22, 14, 14};
        fillIndividual(sheet, data);
        compareSheetWithNorm(NormKind::Sex, sheet, data);
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
        QCOMPARE(data.Profile1Chi,
                 computeNormComparison(normInputFrom(NormKind::Sex, sheet, data)).chi1);

        // A second call with the same kind changes nothing.
        const ResultSheet before = sheet;
        compareSheetWithNorm(NormKind::Sex, sheet, data);
        QVERIFY(sheet == before);
    }

    void decimalCommaEverywhere() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        ResultSheet sheet = initialSheet();
        AnalysisRecord data;
        data.Profile1Raw = {30, 10, 18, 22, 14, 14};
        data.Profile2Raw = {10, 5, 9, 11, 6, 9, 9, 5, 9, 11, 8, 5};
        fillIndividual(sheet, data);
        compareSheetWithNorm(NormKind::Education, sheet, data);
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
        QCOMPARE(normGroup(static_cast<NormKind>(kind), sex, education), group);
    }

    void satisfactionIgnoresHeaderTexts() {
        NormComparisonInput a = workedExample();
        a.kind = NormKind::Satisfaction;
        NormComparisonInput b = a;
        b.sex = QStringLiteral("Женский");
        b.education = QStringLiteral("Среднее");
        QCOMPARE(computeNormComparison(a).chi1, computeNormComparison(b).chi1);
        QCOMPARE(computeNormComparison(a).profile3.text, computeNormComparison(b).profile3.text);
    }

    void cellChiSquareIsTwoCellTest() {
        // O = E gives 0; the complement term doubles what the first term alone would give
        // weighted by E / (108 - E).
        NormComparisonInput input = workedExample();
        input.profile1 = {18.1 * 1.08, 0, 0, 0, 0, 0};
        const NormComparison result = computeNormComparison(input);
        QVERIFY(qAbs(result.chi1[0]) < 1e-12);
        const double e = 15.7 * 1.08;
        const double expected = e + e * e / (108.0 - e); // O = 0
        QVERIFY(qAbs(result.chi1[1] - expected) < 1e-9);
        for (double chi : result.chi1)
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

    void indicesReadFromCells_data() {
        QTest::addColumn<QString>("cooperation");
        QTest::addColumn<QString>("utilitarian");
        QTest::addColumn<QString>("inclusion");
        QTest::addColumn<int>("inclusionVerdict");
        QTest::newRow("equal") << "    18"
                               << "    18"
                               << "0.0" << int(Verdict::WithinNorm);
        QTest::newRow("negative") << "    17"
                                  << "    18"
                                  << "-1.0" << int(Verdict::BeyondNorm);
        QTest::newRow("group means") << "   4.3"
                                     << "   2.1"
                                     << "2.2" << int(Verdict::WithinNorm);
    }

    void indicesReadFromCells() {
        QFETCH(QString, cooperation);
        QFETCH(QString, utilitarian);
        QFETCH(QString, inclusion);
        QFETCH(int, inclusionVerdict);
        NormComparisonInput input = workedExample();
        input.cooperationScore = cooperation;
        input.utilitarianScore = utilitarian;
        const NormComparison result = computeNormComparison(input);
        QCOMPARE(result.inclusion.text, inclusion);
        QCOMPARE(int(result.inclusion.verdict), inclusionVerdict);
    }

    void unreadableIndexCellFails() {
        NormComparisonInput input = workedExample();
        input.cooperationScore = QStringLiteral("abc");
        QVERIFY_THROWS_EXCEPTION(AnalysisError, computeNormComparison(input));
    }

    void significantProfileIsBeyondNorm() {
        NormComparisonInput input = workedExample();
        input.profile1 = {36, 0, 36, 36, 0, 0};
        const NormComparison result = computeNormComparison(input);
        QCOMPARE(result.profile1.verdict, Verdict::BeyondNorm);
        QVERIFY(result.profile1.x2 > 11.07);
    }
};

QTEST_APPLESS_MAIN(TestNormComparison)
#include "tst_normcomparison.moc"
