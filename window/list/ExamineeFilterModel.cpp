#include "ExamineeFilterModel.h"

#include "ExamineeListModel.h"

#include <QThreadPool>

ExamineeFilterModel::ExamineeFilterModel(QObject* parent)
    : QAbstractProxyModel(parent), pool_(new QThreadPool(this)) {
    // One request at a time: a superseded one gives up at its next look, and the newest waits
    // for no more than that.
    pool_->setMaxThreadCount(1);
}

ExamineeFilterModel::~ExamineeFilterModel() {
    cancel();
    pool_->waitForDone();
}

const ExamineeListModel* ExamineeFilterModel::table() const {
    return static_cast<const ExamineeListModel*>(sourceModel());
}

void ExamineeFilterModel::setSourceModel(QAbstractItemModel* source) {
    Q_ASSERT(qobject_cast<ExamineeListModel*>(source));
    cancel();
    beginResetModel();
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        cancel();
        beginResetModel();
    });
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        sourceReset();
        endResetModel();
        emit arranged();
    });
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { sourceRowsInserted(first, last); });
    connect(source, &QAbstractItemModel::dataChanged, this,
            &ExamineeFilterModel::sourceDataChanged);
    sourceReset();
    endResetModel();
}

void ExamineeFilterModel::sourceReset() {
    shown_.clear();
    place_.clear();
    known_.clear();
    rowsChange_ = false;
    choice_.marked = table()->markedFile();
    const ExamineeRows& rows = table()->rows();
    for (int row = 0; row < rows.size(); ++row)
        if (chooses(choice_, rows[row]))
            shown_.push_back(row);
    placeRows();
}

void ExamineeFilterModel::placeRows() {
    place_.assign(std::size_t(table()->rowCount()), -1);
    for (std::size_t at = 0; at < shown_.size(); ++at)
        place_[std::size_t(shown_[at])] = int(at);
}

void ExamineeFilterModel::appendChosen(int first, int last) {
    place_.resize(std::size_t(table()->rowCount()), -1);
    std::vector<int> chosen;
    const ExamineeRows& rows = table()->rows();
    for (int row = first; row <= last; ++row)
        if (chooses(choice_, rows[row]))
            chosen.push_back(row);
    if (chosen.empty())
        return;
    const int at = int(shown_.size());
    beginInsertRows({}, at, at + int(chosen.size()) - 1);
    for (const int row : chosen) {
        place_[std::size_t(row)] = int(shown_.size());
        shown_.push_back(row);
    }
    endInsertRows();
}

void ExamineeFilterModel::sourceRowsInserted(int first, int last) {
    // The rows come at the end, as the folder is read: they are chosen here and shown after
    // the others; a sorted list sorts them in with its next arrangement.
    known_.clear();
    appendChosen(first, last);
    if (column_ >= 0)
        rearrange(false);
}

void ExamineeFilterModel::sourceDataChanged(const QModelIndex& topLeft,
                                            const QModelIndex& bottomRight,
                                            const QList<int>& roles) {
    // The source changes only the entry marked as the one a group run stopped at, which is
    // always shown.
    choice_.marked = table()->markedFile();
    bool chosenChanged = false;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const int at = place_[std::size_t(row)];
        if (at >= 0)
            emit dataChanged(index(at, topLeft.column()), index(at, bottomRight.column()), roles);
        chosenChanged |= chooses(choice_, table()->entry(row)) != (at >= 0);
    }
    if (chosenChanged)
        rearrange(true);
}

void ExamineeFilterModel::setMemberFilter(const ezr::MemberFilter& filter, bool onlyDoubtful) {
    choice_.filter = filter;
    choice_.onlyDoubtful = onlyDoubtful;
    rearrange(true);
}

void ExamineeFilterModel::sort(int column, Qt::SortOrder order) {
    if (column == column_ && order == order_)
        return; // shown so, or being computed so
    column_ = column;
    order_ = order;
    rearrange(false);
}

void ExamineeFilterModel::cancel() {
    if (stop_)
        stop_->store(true);
    stop_.reset();
}

void ExamineeFilterModel::rearrange(bool newRows) {
    cancel();
    rowsChange_ = rowsChange_ || newRows;
    ArrangeRequest request{table()->rows(), choice_, column_, order_, known_};
    if (request.rows.size() <= ArrangeInPlaceRows) {
        const std::atomic<bool> never(false);
        apply(*arrange(std::move(request), never));
        return;
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stop_ = stop;
    pool_->start([this, stop, request = std::move(request)] {
        std::optional<Arrangement> done = arrange(request, *stop);
        if (!done)
            return;
        auto result = std::make_shared<Arrangement>(std::move(*done));
        QMetaObject::invokeMethod(
            this,
            [this, stop, result] {
                if (stop_ != stop)
                    return; // superseded while it was on its way
                stop_.reset();
                apply(std::move(*result));
            },
            Qt::QueuedConnection);
    });
}

void ExamineeFilterModel::apply(Arrangement arrangement) {
    const ExamineeRows& rows = table()->rows();
    if (arrangement.covered == rows.size())
        known_ = std::move(arrangement.known);
    // Rows read since the request was made: chosen here and shown after the others.
    std::vector<int> shown = std::move(arrangement.shown);
    for (int row = arrangement.covered; row < rows.size(); ++row)
        if (chooses(choice_, rows[row]))
            shown.push_back(row);
    if (rowsChange_ || shown.size() != shown_.size())
        showAfterReset(std::move(shown));
    else
        showInLayout(std::move(shown));
    rowsChange_ = false;
    if (arrangement.covered < rows.size() && column_ >= 0)
        rearrange(false);
    else
        emit arranged();
}

void ExamineeFilterModel::showAfterReset(std::vector<int> shown) {
    beginResetModel();
    shown_ = std::move(shown);
    placeRows();
    endResetModel();
}

void ExamineeFilterModel::showInLayout(std::vector<int> shown) {
    // The same rows in a new order: the selection and the current row stay on their entries.
    emit aboutToReorder();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> sources;
    sources.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before)
        sources.push_back(index.row() < int(shown_.size()) ? shown_[std::size_t(index.row())] : -1);
    shown_ = std::move(shown);
    placeRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int source = sources[std::size_t(i)];
        const int at = source >= 0 ? place_[std::size_t(source)] : -1;
        after.append(at >= 0 ? createIndex(at, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit reordered();
}

QModelIndex ExamineeFilterModel::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || proxyIndex.row() >= int(shown_.size()))
        return {};
    return table()->index(shown_[std::size_t(proxyIndex.row())], proxyIndex.column());
}

QModelIndex ExamineeFilterModel::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid() || sourceIndex.row() >= int(place_.size()))
        return {};
    const int at = place_[std::size_t(sourceIndex.row())];
    return at >= 0 ? createIndex(at, sourceIndex.column()) : QModelIndex();
}

QModelIndex ExamineeFilterModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ExamineeFilterModel::parent(const QModelIndex&) const {
    return {};
}

int ExamineeFilterModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_.size());
}

int ExamineeFilterModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}

bool ExamineeFilterModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0 && columnCount(parent) > 0;
}

QVariant ExamineeFilterModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The headings do not depend on the rows shown, even when none is.
    if (orientation == Qt::Horizontal && sourceModel())
        return sourceModel()->headerData(section, orientation, role);
    return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
}
