#pragma once

#include "ExamineeOrder.h"

#include <QAbstractProxyModel>

#include <memory>
#include <vector>

class ExamineeListModel;
class QThreadPool;

// The rows the filter chooses, sorted by the column the user clicked. Over a large folder the
// new choice and order are computed on a worker from the entries as they stand, while the rows
// shown so far stay; they are then swapped in at once: a new order by one layout change, which
// keeps the selection and the current row on their files, a new filter by one reset. A request
// made while another is computed supersedes it.
class ExamineeFilterModel : public QAbstractProxyModel {
    Q_OBJECT
public:
    // Up to so many entries the rows are arranged at once, without a worker: the work is then
    // shorter than handing it over.
    static constexpr int ArrangeInPlaceRows = 2000;

    explicit ExamineeFilterModel(QObject* parent = nullptr);
    ~ExamineeFilterModel() override;

    // The model must be an ExamineeListModel.
    void setSourceModel(QAbstractItemModel* source) override;

    // `onlyDoubtful` keeps only the examinees whose answers ask for a look.
    void setMemberFilter(const ezr::MemberFilter& filter, bool onlyDoubtful = false);
    bool onlyDoubtful() const { return choice_.onlyDoubtful; }
    const ezr::MemberFilter& memberFilter() const { return choice_.filter; }
    // Column -1 shows the rows in the order the folder was listed in.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return column_; }
    Qt::SortOrder sortOrder() const { return order_; }
    // A choice or order asked for is still being computed.
    bool arranging() const { return bool(stop_); }

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The rows asked for are shown: after a new choice or order, or a batch of the listing.
    void arranged();
    // Around a new order of the same rows, before and after the layout change: a view with a
    // large selection takes it off and puts it back on the same entries, which costs less than
    // following every selected row through the change.
    void aboutToReorder();
    void reordered();

private:
    const ExamineeListModel* table() const;
    void sourceReset();
    void sourceRowsInserted(int first, int last);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles);
    // Computes the rows shown anew, after a change of the choice (`newRows`) or of the order.
    void rearrange(bool newRows);
    void cancel();
    void apply(Arrangement arrangement);
    void showInLayout(std::vector<int> shown);
    void showAfterReset(std::vector<int> shown);
    void appendChosen(int first, int last);
    void placeRows();

    RowChoice choice_;
    int column_ = -1;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    std::vector<int> shown_;         // source row of each row shown
    std::vector<int> place_;         // row shown of each source row, -1 when filtered out
    std::vector<ColumnOrder> known_; // orders computed for the source's rows as they stand
    bool rowsChange_ = false;        // the request under way chooses other rows, not only orders
    std::shared_ptr<std::atomic<bool>> stop_; // of the request under way
    QThreadPool* pool_ = nullptr;
};
