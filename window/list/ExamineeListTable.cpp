#include "ExamineeListWindow.h"

#include "ExamineeListModel.h"

#include <QAction>
#include <QHeaderView>
#include <QTableView>

#include <iterator>

// The table of examinees and its context menu, apart from the filters above it.

void ExamineeListWindow::createTable() {
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("sgExaminees"));
    view_->setModel(rows_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(ExamineeListModel::FileColumn, Qt::AscendingOrder);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setAlternatingRowColors(true);
    // Tab leaves the table for the next control; the arrows move inside it.
    view_->setTabKeyNavigation(false);
    view_->setAccessibleName(QStringLiteral("Обследуемые"));
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing is measured over a hundred thousand rows.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    const int widths[] = {110, 70, 260, 80, 95, 80, 60, 300, 300};
    static_assert(std::size(widths) == ExamineeListModel::ColumnCount, "a width for every column");
    for (int column = 0; column < ExamineeListModel::ColumnCount; ++column)
        view_->setColumnWidth(column, widths[column]);
    // The reasons take what the other columns leave: no scroll bar while all of them fit.
    view_->setColumnWidth(ExamineeListModel::ColumnCount - 1, 120);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->installEventFilter(this);
    connect(view_, &QTableView::doubleClicked, this, &ExamineeListWindow::openRow);
}

void ExamineeListWindow::createRetestAction() {
    // The same examinee's earlier test, from the context menu, the button or Ctrl+R.
    retestAction_ = new QAction(QStringLiteral("Сравнить с прежним обследованием"), this);
    retestAction_->setObjectName(QStringLiteral("mmCompareEarlier"));
    retestAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    retestAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(retestAction_);
    view_->addAction(retestAction_);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(retestAction_, &QAction::triggered, this, &ExamineeListWindow::compareWithEarlier);
}
