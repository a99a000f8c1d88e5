#include "ArchiveListModel.h"

#include "AnalysisError.h"
#include "PgConnection.h"
#include "PlainToolTip.h"
#include "Regional.h"

#include <QLocale>

using namespace ezr;

namespace {

ArchiveOrder orderOf(int column) {
    switch (column) {
    case ArchiveListModel::Code:
        return ArchiveOrder::Code;
    case ArchiveListModel::Name:
        return ArchiveOrder::Name;
    case ArchiveListModel::Sex:
        return ArchiveOrder::Sex;
    case ArchiveListModel::Education:
        return ArchiveOrder::Education;
    case ArchiveListModel::TestDate:
        return ArchiveOrder::TestDate;
    case ArchiveListModel::Age:
        return ArchiveOrder::Age;
    case ArchiveListModel::Unit:
        return ArchiveOrder::Unit;
    default:
        return ArchiveOrder::Imported;
    }
}

} // namespace

ArchiveListModel::ArchiveListModel(std::shared_ptr<PgConnection> archive, QObject* parent)
    : QAbstractTableModel(parent), archive_(std::move(archive)) {
    order_.order = ArchiveOrder::Code;
    order_.limit = PageSize;
}

void ArchiveListModel::choose(const ArchiveSelection& selection) {
    const ArchiveSelection previous = selection_;
    selection_ = selection;
    try {
        restart();
    } catch (const AnalysisError&) {
        selection_ = previous;
        throw;
    }
}

void ArchiveListModel::restart() {
    ArchivePage first = order_;
    first.offset = 0;
    QList<ArchiveEntry> page = listTests(*archive_, selection_, first);
    beginResetModel();
    exhausted_ = page.size() < PageSize;
    rows_ = std::move(page);
    endResetModel();
}

qint64 ArchiveListModel::count() const {
    return countTests(*archive_, selection_);
}

bool ArchiveListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !exhausted_ && !fetching_;
}

void ArchiveListModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    fetching_ = true;
    QMetaObject::invokeMethod(this, &ArchiveListModel::fetchPage, Qt::QueuedConnection);
}

void ArchiveListModel::fetchPage() {
    fetching_ = false;
    if (exhausted_)
        return; // a new choice has read its first page meanwhile, and found them all
    ArchivePage next = order_;
    next.offset = rows_.size();
    QList<ArchiveEntry> page;
    try {
        page = listTests(*archive_, selection_, next);
    } catch (const AnalysisError& error) {
        exhausted_ = true; // no retry on every scroll
        emit failed(error.message());
        return;
    }
    exhausted_ = page.size() < PageSize;
    if (page.isEmpty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + page.size() - 1));
    rows_.append(page);
    endInsertRows();
}

int ArchiveListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int ArchiveListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArchiveListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    // A name from a file is shown as it is written, markup included.
    if (role == Qt::ToolTipRole)
        return plainToolTip(data(index, Qt::DisplayRole).toString());
    if (index.row() >= rows_.size())
        return {};
    const ArchiveEntry* e = &rows_.at(index.row());
    switch (index.column()) {
    case Code:
        return e->code;
    case Name:
        return e->name;
    case Sex:
        return e->sex;
    case Education:
        return e->education;
    case TestDate:
        return e->testDate.isValid() ? QLocale::system().toString(e->testDate, QLocale::ShortFormat)
                                     : QString();
    case Age:
        return e->age ? QVariant(*e->age) : QVariant();
    case Unit:
        return e->unit;
    default:
        return {};
    }
}

QVariant ArchiveListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles{QStringLiteral("Код"),
                                    QStringLiteral("Ф.И.О."),
                                    QStringLiteral("Пол"),
                                    QStringLiteral("Образование"),
                                    QStringLiteral("Дата обследования"),
                                    QStringLiteral("Возраст"),
                                    QStringLiteral("Подразделение")};
    return titles.value(section);
}

void ArchiveListModel::sort(int column, Qt::SortOrder order) {
    order_.order = orderOf(column);
    order_.descending = order == Qt::DescendingOrder;
    try {
        restart();
    } catch (const AnalysisError& error) {
        emit failed(error.message());
    }
}
