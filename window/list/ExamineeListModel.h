#pragma once

#include "ExamineeListing.h"
#include "MemberFilter.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <vector>

// The entries of the data folder, one row each, in listing order. It holds the values; the
// view formats nothing but what data() gives.
class ExamineeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        FileColumn,
        CodeColumn,
        NameColumn,
        SexColumn,
        EducationColumn,
        DateColumn,
        AgeColumn,
        ProblemColumn,
        QualityColumn, // "Достоверность ответов": the reasons to look, empty when none
        ColumnCount
    };

    explicit ExamineeListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    void append(const QList<ExamineeEntry>& entries);
    const ExamineeEntry& entry(int row) const { return entries_[std::size_t(row)]; }
    // The row of the entry named `fileName`, or -1.
    int rowOf(const QString& fileName) const;
    // The row of the same examinee's test just before the one in `row`: a readable entry of
    // the same code with the latest test date before it; -1 when there is none.
    int earlierTestOf(int row) const;
    int unreadableCount() const { return unreadable_; }
    // Each row's place when the rows are sorted ascending by `column`: computed once for the
    // entries as they stand, so that sorting anew after every filter change compares integers.
    const std::vector<int>& sortRanks(int column) const;

    // The entry a group run stopped at: drawn apart, and never filtered out.
    void setMarkedFile(const QString& fileName);
    const QString& markedFile() const { return marked_; }

private:
    std::vector<ExamineeEntry> entries_;
    int unreadable_ = 0;
    QString marked_;
    mutable std::vector<std::vector<int>> ranks_; // per column; empty until first asked
};

// The rows the filter chooses, sorted by the column the user clicked.
class ExamineeFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ExamineeFilterModel(QObject* parent = nullptr);

    // `onlyDoubtful` keeps only the examinees whose answers ask for a look.
    void setMemberFilter(const ezr::MemberFilter& filter, bool onlyDoubtful = false);
    bool onlyDoubtful() const { return onlyDoubtful_; }
    const ezr::MemberFilter& memberFilter() const { return filter_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const ExamineeListModel* table() const;

    ezr::MemberFilter filter_;
    // Only a text to look for: entries that cannot be read are kept when their file name
    // holds it.
    bool onlyText_ = true;
    bool onlyDoubtful_ = false;
};
