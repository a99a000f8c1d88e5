#pragma once

#include "ArchiveStore.h"

#include <QAbstractTableModel>
#include <QHash>

#include <memory>

namespace ezr {
class PgConnection;
}

// The list of examinees read from the department's archive: the server filters, sorts and
// counts; the rows are fetched a page at a time as the view shows them, so a million tests
// cost one page and one count.
class ArchiveListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Code, Name, Sex, Education, TestDate, Age, Unit, ColumnCount };
    static constexpr int PageSize = 200;

    ArchiveListModel(std::shared_ptr<ezr::PgConnection> archive, QObject* parent = nullptr);

    // Counts anew and forgets the pages read; throws AnalysisError.
    void choose(const ezr::ArchiveSelection& selection);
    const ezr::ArchiveSelection& selection() const { return selection_; }
    qint64 total() const { return total_; }
    // The entry of a row, read from the server when its page is not at hand; throws.
    const ezr::ArchiveEntry& entry(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // A page could not be read: the connection broke or the server refused.
    void failed(const QString& message) const;

private:
    const QList<ezr::ArchiveEntry>& page(int number) const;

    std::shared_ptr<ezr::PgConnection> archive_;
    ezr::ArchiveSelection selection_;
    ezr::ArchivePage order_;
    qint64 total_ = 0;
    mutable QHash<int, QList<ezr::ArchiveEntry>> pages_;
};
