// "Статистика" of the window: the group on screen against its norm, in a table that sorts by
// the numbers and marks the cells that differ after Holm's correction.
#include "WindowTestSupport.h"

#include "ExamineeListModel.h"
#include "ExamineeListWindow.h"
#include "GroupStatistics.h"
#include "StatisticsCommands.h"
#include "StatisticsDialog.h"
#include "StatisticsTable.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace ezr;

class TestStatisticsWindow : public QObject {
    Q_OBJECT
private slots:
    void groupOnScreenAgainstItsNorm();
    void oneSelectionAgainstAnother();
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
        QCOMPARE(table->item(r, 0)->text().remove(QStringLiteral(" — отличается")),
                 statisticsCellHeadings()[r]);
        const auto& adjusted = expected.cells[std::size_t(r)].adjustedP;
        QCOMPARE(table->item(r, pColumn)->data(Qt::UserRole).isValid(), adjusted.has_value());
        if (adjusted)
            QVERIFY(qFuzzyCompare(table->item(r, pColumn)->data(Qt::UserRole).toDouble(),
                                  tableValue(*adjusted)));
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

void TestStatisticsWindow::oneSelectionAgainstAnother() {
    TestWindow window;
    for (int i = 0; i < 8; ++i)
        window.addExaminee(testExaminee(i));
    window.action("mmExaminees")->trigger();
    ExamineeListWindow* list = window.form->examineeList();
    QVERIFY(list);
    QVERIFY(QTest::qWaitFor([list] { return !list->listing(); }, 10000));
    list->view()->sortByColumn(ExamineeListModel::FileColumn, Qt::AscendingOrder);
    QItemSelectionModel* selection = list->view()->selectionModel();
    const auto select = [&](std::initializer_list<int> rows) {
        selection->clearSelection();
        for (const int row : rows)
            selection->select(list->rows()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    auto* remember = list->findChild<QAction*>(QStringLiteral("mmStatisticsRemember"));
    auto* compare = list->findChild<QAction*>(QStringLiteral("mmStatisticsCompare"));
    QVERIFY(remember && compare);
    QVERIFY(!compare->isEnabled());
    select({0, 1, 2});
    remember->trigger();
    select({3, 4, 5, 6, 7});
    compare->trigger();
    StatisticsDialog* dialog = window.form->statistics()->lastDialog();
    QVERIFY(dialog);
    QTableWidget* table = dialog->table();
    QCOMPARE(table->columnCount(), groupsStatisticsHeadings().size());
    // Both Ns as selected, in every row.
    for (int r = 0; r < table->rowCount(); ++r) {
        QCOMPARE(table->item(r, 1)->data(Qt::UserRole).toDouble(), 3.0);
        QCOMPARE(table->item(r, 3)->data(Qt::UserRole).toDouble(), 5.0);
    }
}

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
