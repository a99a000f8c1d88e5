#pragma once

#include "ExamineeFilterModel.h"
#include "ExamineeListing.h"
#include "ExamineeOrder.h"

#include <QAbstractTableModel>

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
    const ExamineeEntry& entry(int row) const { return rows_[row]; }
    // The entries as values that a worker may read while more are appended.
    const ExamineeRows& rows() const { return rows_; }
    // The row of the entry named `fileName`, or -1.
    int rowOf(const QString& fileName) const;
    // The row of the same examinee's test just before the one in `row`: a readable entry of
    // the same code with the latest test date before it; -1 when there is none.
    int earlierTestOf(int row) const;
    int unreadableCount() const { return unreadable_; }

    // The entry a group run stopped at: drawn apart, and never filtered out.
    void setMarkedFile(const QString& fileName);
    const QString& markedFile() const { return marked_; }

private:
    ExamineeRows rows_;
    int unreadable_ = 0;
    QString marked_;
};
