#include "ExamineeTableModel.h"

#include "WindowFonts.h"

#include <QFont>

using namespace ezr;

ExamineeTableModel::ExamineeTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int ExamineeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

int ExamineeTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ExamineeTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ExamineeEntry& e = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
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
        case ColumnCount:
            break;
        }
        return {};
    case Qt::ForegroundRole:
        if (!e.readable())
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

QVariant ExamineeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
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
    case ColumnCount:
        break;
    }
    return {};
}

void ExamineeTableModel::clear() {
    beginResetModel();
    entries_.clear();
    unreadable_ = 0;
    endResetModel();
}

void ExamineeTableModel::append(const QList<ExamineeEntry>& entries) {
    if (entries.isEmpty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    entries_.insert(entries_.end(), entries.begin(), entries.end());
    for (const ExamineeEntry& e : entries)
        unreadable_ += e.readable() ? 0 : 1;
    endInsertRows();
}

int ExamineeTableModel::rowOf(const QString& fileName) const {
    for (std::size_t row = 0; row < entries_.size(); ++row)
        if (entries_[row].fileName == fileName)
            return int(row);
    return -1;
}

void ExamineeTableModel::setMarkedFile(const QString& fileName) {
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

const ExamineeTableModel* ExamineeFilterModel::table() const {
    return static_cast<const ExamineeTableModel*>(sourceModel());
}

void ExamineeFilterModel::setMemberFilter(const MemberFilter& filter) {
    filter_ = filter;
    MemberFilter withoutText = filter;
    withoutText.text.clear();
    onlyText_ = withoutText.choosesAll();
    invalidateFilter();
}

bool ExamineeFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const ExamineeEntry& e = table()->entry(sourceRow);
    if (!e.readable() || e.fileName == table()->markedFile()) {
        if (e.fileName == table()->markedFile())
            return true;
        // Nothing of an unreadable entry is known but its name.
        return onlyText_ && e.fileName.contains(filter_.text.trimmed(), Qt::CaseInsensitive);
    }
    return matches(filter_, e.header, e.age);
}

namespace {

// Codes are mostly numbers: "99" before "101".
int compareTexts(const QString& a, const QString& b) {
    bool aNumber = false;
    bool bNumber = false;
    const qlonglong x = a.toLongLong(&aNumber);
    const qlonglong y = b.toLongLong(&bNumber);
    if (aNumber && bNumber)
        return x < y ? -1 : (x > y ? 1 : 0);
    return QString::compare(a, b, Qt::CaseInsensitive);
}

} // namespace

bool ExamineeFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const ExamineeEntry& a = table()->entry(left.row());
    const ExamineeEntry& b = table()->entry(right.row());
    switch (ExamineeTableModel::Column(left.column())) {
    case ExamineeTableModel::FileColumn:
        return compareTexts(a.fileName, b.fileName) < 0;
    case ExamineeTableModel::CodeColumn:
        return compareTexts(a.header.code, b.header.code) < 0;
    case ExamineeTableModel::NameColumn:
        return compareTexts(a.header.name, b.header.name) < 0;
    case ExamineeTableModel::SexColumn:
        return compareTexts(a.header.sex, b.header.sex) < 0;
    case ExamineeTableModel::EducationColumn:
        return compareTexts(a.header.education, b.header.education) < 0;
    case ExamineeTableModel::DateColumn:
        // An unknown date sorts first, as an empty text would.
        return a.testDate.isValid() ? (b.testDate.isValid() && a.testDate < b.testDate)
                                    : b.testDate.isValid();
    case ExamineeTableModel::AgeColumn:
        return a.age.value_or(-1) < b.age.value_or(-1);
    case ExamineeTableModel::ProblemColumn:
        return compareTexts(a.problem, b.problem) < 0;
    case ExamineeTableModel::ColumnCount:
        break;
    }
    return false;
}
