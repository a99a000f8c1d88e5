#include "Regional.h"
#include "ResultSheet.h"

#include <QtTest>

Q_DECLARE_METATYPE(ezr::Verdict)

using namespace ezr;

class TestResultSheet : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void motiveRowHeadingsKeepTrailingBlanks_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("trailingBlanks");
        QTest::newRow("1") << 1 << 0;
        QTest::newRow("3") << 3 << 1;
        QTest::newRow("4") << 4 << 4;
    }

    void motiveRowHeadingsKeepTrailingBlanks() {
        QFETCH(int, row);
        QFETCH(int, trailingBlanks);
        const QString heading = initialSheet().motiveGrid.cell(0, row);
        QCOMPARE(heading.size(), 18);
        QVERIFY(heading.startsWith(QStringLiteral(" %1. ").arg(row)));
        const int blanks = int(heading.size() - QStringView(heading).trimmed().size()) - 1;
        QCOMPARE(blanks, trailingBlanks);
    }

    void fixedHeadings() {
        const ResultSheet sheet = initialSheet();
        QCOMPARE(sheet.motiveGrid.cell(1, 0), QStringLiteral("   РО"));
        QCOMPARE(sheet.motiveGrid.cell(6, 0), QStringLiteral("   ПО"));
        QCOMPARE(sheet.motiveGrid.cell(8, 0), QStringLiteral("    %"));
        QCOMPARE(sheet.stimulusGrid.cell(18, 0), QStringLiteral("    6"));
        QCOMPARE(sheet.orientationGrid.cell(7, 0), QStringLiteral("    1"));
        // Latin X in the row label, Cyrillic Х in the band heading.
        QCOMPARE(sheet.orientationGrid.cell(0, 3).at(1), QLatin1Char('X'));
        QCOMPARE(sheet.motiveBand.cell(5, 0).at(5), QChar(0x0425));
        QCOMPARE(sheet.stimulusBand.cell(0, 0).indexOf(QStringLiteral("Стимулы")), 43);
        QVERIFY(sheet.nameCaption == IndividualCaption);
    }

    void cellFormats_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("motiveChi");
        QTest::newRow("whole") << "C" << 18.0 << "    18"
                               << "  18.0"
                               << "   18.0";
        QTest::newRow("single digit") << "C" << 3.0 << "     3"
                                      << "   3.0"
                                      << "    3.0";
        QTest::newRow("tie to even down") << "C" << 2.5 << "     2"
                                          << "   2.5"
                                          << "    2.5";
        QTest::newRow("tie to even up") << "C" << 3.5 << "     4"
                                        << "   3.5"
                                        << "    3.5";
        QTest::newRow("half rounds away") << "C" << 2.25 << "     2"
                                          << "   2.3"
                                          << "    2.3";
        QTest::newRow("percentage") << "C" << 10 * 100.0 / 108 << "     9"
                                    << "   9.3"
                                    << "    9.3";
        QTest::newRow("comma") << "ru" << 16.0 / 3 << "     5"
                               << "   5,3"
                               << "    5,3";
        QTest::newRow("hundred") << "C" << 100.0 << "    100"
                                 << "  100.0"
                                 << "   100.0";
    }

    void cellFormats() {
        QFETCH(QString, locale);
        QFETCH(double, value);
        if (locale == QLatin1String("ru"))
            QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QTEST(countText(value), "count");
        QTEST(decimalText(value), "decimal");
        QTEST(motiveChiText(value), "motiveChi");
    }

    void individualFill() {
        AnalysisState state;
        state.kind = AnalysisKind::Individual;
        Scores& scores = state.record.scores;
        for (int m = 0; m < 6; ++m)
            for (int k = 0; k < 6; ++k)
                scores.motiveCounts[m * 6 + k] = (k % 2 == 0) ? 6 : 0;
        scores.raw.profile1.fill(18);
        for (int i = 0; i < 12; ++i)
            scores.raw.profile2[i] = i < 6 ? 18 : 0;
        scores.raw.profile3.fill(6);
        const ResultSheet sheet = formatSheet(state);
        QCOMPARE(sheet.motiveGrid.cell(1, 1), QStringLiteral("     6"));
        QCOMPARE(sheet.motiveGrid.cell(2, 1), QStringLiteral("     0"));
        QCOMPARE(sheet.motiveGrid.cell(7, 6), QStringLiteral("    18"));
        QCOMPARE(sheet.motiveGrid.cell(8, 6), QStringLiteral("  16.7"));
        QCOMPARE(sheet.orientationGrid.cell(6, 1), QStringLiteral("    18"));
        QCOMPARE(sheet.orientationGrid.cell(7, 1), QStringLiteral("     0"));
        QCOMPARE(sheet.orientationGrid.cell(7, 2), QStringLiteral("   0.0"));
        QCOMPARE(sheet.stimulusGrid.cell(18, 2), QStringLiteral("   5.6"));
        // The headings stay as they are.
        QCOMPARE(sheet.motiveGrid.cell(0, 1), initialSheet().motiveGrid.cell(0, 1));
        QCOMPARE(sheet.orientationGrid.cell(0, 1), initialSheet().orientationGrid.cell(0, 1));
    }

    void groupFillUsesOneDecimalEverywhere() {
        AnalysisState state;
        state.kind = AnalysisKind::Group;
        Scores& means = state.record.scores;
        means.motiveCounts.fill(3.0);
        means.raw.profile1.fill(18.0);
        means.raw.profile2.fill(9.0);
        means.raw.profile3.fill(6.0);
        const ResultSheet sheet = formatSheet(state);
        QCOMPARE(sheet.motiveGrid.cell(1, 1), QStringLiteral("   3.0"));
        QCOMPARE(sheet.motiveGrid.cell(7, 1), QStringLiteral("  18.0"));
        QCOMPARE(sheet.motiveGrid.cell(8, 1), QStringLiteral("  16.7"));
        QCOMPARE(sheet.orientationGrid.cell(12, 1), QStringLiteral("   9.0"));
        QCOMPARE(sheet.stimulusGrid.cell(1, 2), QStringLiteral("   5.6"));
        QCOMPARE(sheet.nameCaption, GroupCaption);
    }

    // A chi-square cell shows the comparison's value with one decimal and is coloured by the
    // value it shows: 3.849 shows 3.8 and is within the norm, 3.85 shows 3.9 and is beyond.
    void chiCellsShowAndJudgeTheShownValue_data() {
        QTest::addColumn<double>("chi");
        QTest::addColumn<QString>("motiveText");
        QTest::addColumn<QString>("profileText");
        QTest::addColumn<Verdict>("verdict");
        QTest::newRow("zero") << 0.0 << "    0.0"
                              << "   0.0" << Verdict::WithinNorm;
        QTest::newRow("critical") << 3.84 << "    3.8"
                                  << "   3.8" << Verdict::WithinNorm;
        QTest::newRow("above, shown as critical") << 3.849 << "    3.8"
                                                  << "   3.8" << Verdict::WithinNorm;
        QTest::newRow("shown above") << 3.85 << "    3.9"
                                     << "   3.9" << Verdict::BeyondNorm;
        QTest::newRow("wider than the field") << 123.46 << "   123.5"
                                              << "  123.5" << Verdict::BeyondNorm;
    }

    void chiCellsShowAndJudgeTheShownValue() {
        QFETCH(double, chi);
        QFETCH(QString, motiveText);
        QFETCH(QString, profileText);
        QFETCH(Verdict, verdict);
        AnalysisState state;
        state.kind = AnalysisKind::Individual;
        state.comparison.chi.profile1[2] = chi;
        state.comparison.chi.profile2[7] = chi;
        state.comparison.chi.profile3[17] = chi;
        const ResultSheet sheet = formatSheet(state);
        QCOMPARE(sheet.motiveGrid.cell(MotiveColumn::Chi, motiveRow(Motive::Utilitarian)),
                 motiveText);
        QCOMPARE(sheet.orientationGrid.cell(profileCellColumn(7), ProfileRow::Chi), profileText);
        QCOMPARE(sheet.stimulusGrid.cell(profileCellColumn(17), ProfileRow::Chi), profileText);
        QCOMPARE(sheet.motiveChiVerdicts[2], verdict);
        QCOMPARE(sheet.orientationChiVerdicts[7], verdict);
        QCOMPARE(sheet.stimulusChiVerdicts[17], verdict);
        // The other cells show their own zero.
        QCOMPARE(sheet.motiveGrid.cell(MotiveColumn::Chi, motiveRow(Motive::Transformation)),
                 QStringLiteral("    0.0"));
        QCOMPARE(sheet.motiveChiVerdicts[0], Verdict::WithinNorm);
    }

    void nothingAnalysedIsTheInitialSheet() {
        AnalysisState state;
        state.record.scores.raw.profile1.fill(18.0);
        state.header.code = QStringLiteral("7");
        QVERIFY(formatSheet(state) == initialSheet());
    }
};

QTEST_APPLESS_MAIN(TestResultSheet)
#include "tst_resultsheet.moc"
