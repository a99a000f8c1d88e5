#include "ExamineeListModel.h"

#include "PlainToolTip.h"
#include "Retest.h"
#include "WindowFonts.h"

#include <QFont>
#include <QThreadPool>

#include <memory>
#include <utility>

using namespace ezr;

ExamineeListModel::ExamineeListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ExamineeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.size();
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
    // A hundred thousand entries take tens of milliseconds to free: a worker frees them.
    auto old = std::make_shared<ExamineeRows>(std::exchange(rows_, {}));
    QThreadPool::globalInstance()->start([old = std::move(old)]() mutable { old.reset(); });
    unreadable_ = 0;
    endResetModel();
}

void ExamineeListModel::append(const QList<ExamineeEntry>& entries) {
    if (entries.isEmpty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    rows_.append(entries);
    for (const ExamineeEntry& e : entries)
        unreadable_ += e.readable() ? 0 : 1;
    endInsertRows();
}

int ExamineeListModel::rowOf(const QString& fileName) const {
    for (int row = 0; row < rows_.size(); ++row)
        if (rows_[row].fileName == fileName)
            return row;
    return -1;
}

int ExamineeListModel::earlierTestOf(int row) const {
    const auto keyOf = [this](int i) {
        const ExamineeEntry& e = entry(i);
        return e.readable() ? TestKey{e.header.code, e.testDate} : TestKey{};
    };
    return mostRecentEarlierTest(rows_.size(), keyOf(row), keyOf);
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
