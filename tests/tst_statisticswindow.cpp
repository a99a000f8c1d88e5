// "Статистика" of the window: the group on screen against its norm, in a table that sorts by
// the numbers and marks the cells that differ after Holm's correction.
#include "WindowTestSupport.h"

#include "GroupStatistics.h"
#include "StatisticsCommands.h"
#include "StatisticsDialog.h"
#include "StatisticsTable.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

using namespace ezr;

class TestStatisticsWindow : public QObject {
    Q_OBJECT
private slots:
    void groupOnScreenAgainstItsNorm();
};

void TestStatisticsWindow::groupOnScreenAgainstItsNorm() {
    TestWindow window;
    for (int i = 0; i < 7; ++i)
        window.addExaminee(testExaminee(i));
    window.action("mmGroupSatisfaction")->trigger();
    QVERIFY(window.dialogs.errors.isEmpty());
    QVERIFY(window.action("mmStatistics")->isEnabled());
    window.action("mmStatistics")->trigger();
    StatisticsDialog* dialog = window.form->statistics()->lastDialog();
    QVERIFY(dialog);
    QTableWidget* table = dialog->table();
    QCOMPARE(table->rowCount(), StatisticsCellCount);
    QCOMPARE(table->columnCount(), normStatisticsHeadings().size());

    // The same members through the core: the window shows these numbers, not others.
    const AnalysisState group = groupAnalysis(window.dataDir(), NormKind::Satisfaction, {});
    const NormStatistics expected =
        groupAgainstNorm(memberCounts(group.members), cellValues(storedNorm(4).percent));
    const int pColumn = int(normStatisticsHeadings().indexOf(QStringLiteral("p (Холм)")));
    for (int r = 0; r < StatisticsCellCount; ++r) {
        QCOMPARE(table->item(r, 0)->text().remove(QStringLiteral(" *")),
                 statisticsCellHeadings()[r]);
        const auto& adjusted = expected.cells[std::size_t(r)].adjustedP;
        QCOMPARE(table->item(r, pColumn)->data(Qt::UserRole).isValid(), adjusted.has_value());
        if (adjusted)
            QVERIFY(qFuzzyCompare(table->item(r, pColumn)->data(Qt::UserRole).toDouble(),
                                  tableRounded(*adjusted)));
        QCOMPARE(table->item(r, 0)->font().bold(), expected.cells[std::size_t(r)].differs());
    }

    // Sorted by the corrected p, by value: ascending, the cells without a test last.
    table->sortItems(pColumn, Qt::AscendingOrder);
    double previous = -1.0;
    bool emptySeen = false;
    for (int r = 0; r < table->rowCount(); ++r) {
        const QVariant value = table->item(r, pColumn)->data(Qt::UserRole);
        if (!value.isValid()) {
            emptySeen = true;
            continue;
        }
        QVERIFY2(!emptySeen, "an untested cell sorted before a tested one");
        QVERIFY(value.toDouble() >= previous);
        previous = value.toDouble();
    }
}

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
