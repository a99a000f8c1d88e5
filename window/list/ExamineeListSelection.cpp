#include "ExamineeListWindow.h"

#include "ExamineeListModel.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>
#include <utility>

// The selection through a new order of the rows: taken off before, as the entries it holds,
// and put back on the same entries after, in as few ranges as their new places allow. Followed
// through the change row by row, fifty thousand selected rows would hold the window for a
// noticeable moment.

void ExamineeListWindow::keepSelectionThroughOrder() {
    connect(rows_, &ExamineeFilterModel::aboutToReorder, this,
            &ExamineeListWindow::takeSelectionOff);
    connect(rows_, &ExamineeFilterModel::reordered, this, &ExamineeListWindow::putSelectionBack);
}

std::vector<int> ExamineeListWindow::selectedShownRows() const {
    // The ranges of whole rows, in order and joined where they overlap.
    std::vector<std::pair<int, int>> spans;
    const int lastColumn = rows_->columnCount() - 1;
    for (const QItemSelectionRange& range : view_->selectionModel()->selection())
        if (range.left() == 0 && range.right() == lastColumn)
            spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    std::vector<int> rows;
    int next = 0; // the first row not yet taken
    for (const auto& [top, bottom] : spans) {
        for (int row = std::max(top, next); row <= bottom; ++row)
            rows.push_back(row);
        next = std::max(next, bottom + 1);
    }
    return rows;
}

void ExamineeListWindow::takeSelectionOff() {
    QItemSelectionModel* selection = view_->selectionModel();
    keptRows_.clear();
    for (const int row : selectedShownRows())
        keptRows_.push_back(rows_->mapToSource(rows_->index(row, 0)).row());
    const QModelIndex current = selection->currentIndex();
    keptCurrent_ = current.isValid() ? rows_->mapToSource(current).row() : -1;
    keptColumn_ = current.isValid() ? current.column() : 0;
    // Without signals: the counts and the retest button are the same once it is back.
    const QSignalBlocker quiet(selection);
    selection->clear();
}

void ExamineeListWindow::putSelectionBack() {
    std::vector<int> places;
    places.reserve(keptRows_.size());
    for (const int row : keptRows_)
        places.push_back(rows_->mapFromSource(table_->index(row, 0)).row());
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    QItemSelection selected;
    const int lastColumn = rows_->columnCount() - 1;
    for (std::size_t first = 0; first < places.size();) {
        std::size_t last = first;
        while (last + 1 < places.size() && places[last + 1] == places[last] + 1)
            ++last;
        selected.append(QItemSelectionRange(rows_->index(places[first], 0),
                                            rows_->index(places[last], lastColumn)));
        first = last + 1;
    }
    QItemSelectionModel* selection = view_->selectionModel();
    const QSignalBlocker quiet(selection);
    selection->select(selected, QItemSelectionModel::Select);
    if (keptCurrent_ >= 0)
        selection->setCurrentIndex(rows_->mapFromSource(table_->index(keptCurrent_, keptColumn_)),
                                   QItemSelectionModel::NoUpdate);
    keptRows_.clear();
}
