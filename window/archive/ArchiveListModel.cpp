#include "ArchiveListModel.h"

#include "AnalysisError.h"
#include "PgConnection.h"
#include "Regional.h"

#include <QLocale>

using namespace ezr;

namespace {

// A page kept for rows nobody scrolls to any more is dropped beyond this many.
constexpr int KeptPages = 64;

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
    const qint64 total = countTests(*archive_, selection);
    beginResetModel();
    selection_ = selection;
    total_ = total;
    pages_.clear();
    endResetModel();
}

const QList<ArchiveEntry>& ArchiveListModel::page(int number) const {
    const auto found = pages_.constFind(number);
    if (found != pages_.constEnd())
        return *found;
    if (pages_.size() >= KeptPages)
        pages_.clear();
    ArchivePage asked = order_;
    asked.offset = qint64(number) * PageSize;
    return pages_[number] = listTests(*archive_, selection_, asked);
}

const ArchiveEntry& ArchiveListModel::entry(int row) const {
    const QList<ArchiveEntry>& entries = page(row / PageSize);
    const int at = row % PageSize;
    if (at >= entries.size())
        throw AnalysisError(QStringLiteral("Список архива изменился; обновите его"));
    return entries.at(at);
}

int ArchiveListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::min<qint64>(total_, std::numeric_limits<int>::max()));
}

int ArchiveListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArchiveListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const ArchiveEntry* e = nullptr;
    try {
        e = &entry(index.row());
    } catch (const AnalysisError& error) {
        emit failed(error.message());
        return {};
    }
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
    beginResetModel();
    order_.order = orderOf(column);
    order_.descending = order == Qt::DescendingOrder;
    pages_.clear();
    endResetModel();
}
