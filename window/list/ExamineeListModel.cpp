#include "ExamineeListModel.h"

#include "PlainToolTip.h"
#include "Retest.h"
#include "WindowFonts.h"

#include <QFont>

#include <algorithm>
#include <bit>
#include <climits>
#include <numeric>

using namespace ezr;

namespace {

// What the rows of a column are sorted by, computed once a row: numbers (dates and ages as
// values, an unknown one first; codes that are numbers: "99" before "101") before texts,
// texts without regard to case.
struct SortKey {
    bool isText = false;
    qint64 number = 0;
    QString text;
    friend bool operator<(const SortKey& a, const SortKey& b) {
        if (a.isText != b.isText)
            return b.isText;
        return a.isText ? a.text < b.text : a.number < b.number;
    }
};

SortKey textKey(const QString& text) {
    bool isNumber = false;
    const qint64 number = text.toLongLong(&isNumber);
    if (isNumber)
        return {false, number, {}};
    return {true, 0, text.toCaseFolded()};
}

SortKey sortKey(int column, const ExamineeEntry& e) {
    switch (ExamineeListModel::Column(column)) {
    case ExamineeListModel::FileColumn:
        return textKey(e.fileName);
    case ExamineeListModel::CodeColumn:
        return textKey(e.header.code);
    case ExamineeListModel::NameColumn:
        return textKey(e.header.name);
    case ExamineeListModel::SexColumn:
        return textKey(e.header.sex);
    case ExamineeListModel::EducationColumn:
        return textKey(e.header.education);
    case ExamineeListModel::DateColumn:
        return {false, e.testDate.isValid() ? e.testDate.toJulianDay() : LLONG_MIN, {}};
    case ExamineeListModel::AgeColumn:
        return {false, e.age.value_or(-1), {}};
    case ExamineeListModel::ProblemColumn:
        return textKey(e.problem);
    case ExamineeListModel::QualityColumn:
        // The doubtful first when sorted descending: by how many thresholds were passed.
        return {false, std::popcount(unsigned(e.quality.doubts)), {}};
    case ExamineeListModel::ColumnCount:
        break;
    }
    return {};
}

} // namespace

ExamineeListModel::ExamineeListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ExamineeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

int ExamineeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ExamineeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ExamineeEntry& e = entry(index.row());
    switch (role) {
    case Qt::ToolTipRole:
        // A name from a file is shown as it is written, markup included.
        if (index.column() != QualityColumn)
            return plainToolTip(data(index, Qt::DisplayRole).toString());
        [[fallthrough]];
    case Qt::DisplayRole:
        switch (Column(index.column())) {
        case FileColumn:
            return e.fileName;
        case CodeColumn:
            return e.header.code;
        case NameColumn:
            return e.header.name;
        case SexColumn:
            return e.header.sex;
        case EducationColumn:
            return e.header.education;
        case DateColumn:
            return e.header.testDate;
        case AgeColumn:
            return e.age ? QVariant(*e.age) : QVariant(QString());
        case ProblemColumn:
            return e.problem;
        case QualityColumn:
            if (!e.readable())
                return QString();
            if (role == Qt::ToolTipRole)
                return ezr::qualityLines(e.quality).join(QLatin1Char('\n'));
            return ezr::doubtReasons(e.quality).join(QStringLiteral("; "));
        case ColumnCount:
            break;
        }
        return {};
    case Qt::ForegroundRole:
        if (!e.readable() || (index.column() == QualityColumn && e.quality.doubtful()))
            return Maroon;
        return {};
    case Qt::FontRole:
        if (!marked_.isEmpty() && e.fileName == marked_) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == AgeColumn || index.column() == DateColumn ||
            index.column() == CodeColumn)
            return int(Qt::AlignCenter);
        return {};
    default:
        return {};
    }
}

QVariant ExamineeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (Column(section)) {
    case FileColumn:
        return QStringLiteral("Файл");
    case CodeColumn:
        return QStringLiteral("Код");
    case NameColumn:
        return QStringLiteral("Ф.И.О.");
    case SexColumn:
        return QStringLiteral("Пол");
    case EducationColumn:
        return QStringLiteral("Образование");
    case DateColumn:
        return QStringLiteral("Дата");
    case AgeColumn:
        return QStringLiteral("Возраст");
    case ProblemColumn:
        return QStringLiteral("Не читается");
    case QualityColumn:
        return QStringLiteral("Достоверность ответов");
    case ColumnCount:
        break;
    }
    return {};
}

void ExamineeListModel::clear() {
    beginResetModel();
    entries_.clear();
    ranks_.clear();
    unreadable_ = 0;
    endResetModel();
}

void ExamineeListModel::append(const QList<ExamineeEntry>& entries) {
    if (entries.isEmpty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    entries_.insert(entries_.end(), entries.begin(), entries.end());
    ranks_.clear();
    for (const ExamineeEntry& e : entries)
        unreadable_ += e.readable() ? 0 : 1;
    endInsertRows();
}

const std::vector<int>& ExamineeListModel::sortRanks(int column) const {
    ranks_.resize(ColumnCount);
    std::vector<int>& ranks = ranks_[std::size_t(column)];
    if (ranks.size() == entries_.size())
        return ranks;
    std::vector<SortKey> keys;
    keys.reserve(entries_.size());
    for (const ExamineeEntry& e : entries_)
        keys.push_back(sortKey(column, e));
    std::vector<int> order(entries_.size());
    std::iota(order.begin(), order.end(), 0);
    // Equal values in file name order: the listing order of a folder is no order to the user.
    const std::vector<int> none;
    const std::vector<int>& byName = column == FileColumn ? none : sortRanks(FileColumn);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const SortKey& x = keys[std::size_t(a)];
        const SortKey& y = keys[std::size_t(b)];
        if (x < y)
            return true;
        if (y < x || byName.empty())
            return false;
        return byName[std::size_t(a)] < byName[std::size_t(b)];
    });
    ranks.assign(entries_.size(), 0);
    for (std::size_t i = 0; i < order.size(); ++i)
        ranks[std::size_t(order[i])] = int(i);
    return ranks;
}

int ExamineeListModel::rowOf(const QString& fileName) const {
    for (std::size_t row = 0; row < entries_.size(); ++row)
        if (entries_[row].fileName == fileName)
            return int(row);
    return -1;
}

int ExamineeListModel::earlierTestOf(int row) const {
    const auto keyOf = [this](int i) {
        const ExamineeEntry& e = entry(i);
        return e.readable() ? TestKey{e.header.code, e.testDate} : TestKey{};
    };
    return mostRecentEarlierTest(int(entries_.size()), keyOf(row), keyOf);
}

void ExamineeListModel::setMarkedFile(const QString& fileName) {
    const auto changed = [this](const QString& name) {
        const int row = rowOf(name);
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    };
    const QString previous = std::exchange(marked_, fileName);
    if (!previous.isEmpty())
        changed(previous);
    if (!marked_.isEmpty())
        changed(marked_);
}

// ---------------------------------------------------------------------------------------

ExamineeFilterModel::ExamineeFilterModel(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

const ExamineeListModel* ExamineeFilterModel::table() const {
    return static_cast<const ExamineeListModel*>(sourceModel());
}

void ExamineeFilterModel::setMemberFilter(const MemberFilter& filter, bool onlyDoubtful) {
    // A reset, not invalidateFilter(): over a hundred thousand rows the rows a new filter takes
    // away and brings back lie scattered, and the view would follow them interval by interval.
    beginResetModel();
    filter_ = filter;
    onlyDoubtful_ = onlyDoubtful;
    MemberFilter withoutText = filter;
    withoutText.text.clear();
    onlyText_ = withoutText.choosesAll() && !onlyDoubtful;
    endResetModel();
}

bool ExamineeFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const ExamineeEntry& e = table()->entry(sourceRow);
    if (!e.readable() || e.fileName == table()->markedFile()) {
        if (e.fileName == table()->markedFile())
            return true;
        // Nothing of an unreadable entry is known but its name.
        return onlyText_ && e.fileName.contains(filter_.text.trimmed(), Qt::CaseInsensitive);
    }
    if (onlyDoubtful_ && !e.quality.doubtful())
        return false;
    return matches(filter_, e.header, e.age);
}

bool ExamineeFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const std::vector<int>& ranks = table()->sortRanks(left.column());
    return ranks[std::size_t(left.row())] < ranks[std::size_t(right.row())];
}
