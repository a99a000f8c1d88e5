#pragma once

#include "ArchiveStore.h"

#include <QAbstractTableModel>

#include <memory>

namespace ezr {
class PgConnection;
}

// The list of examinees read from the department's archive: the server filters, sorts and
// counts; the rows are fetched a page at a time as the view scrolls to them, so the first
// rows of a million tests are one page's query, and the count comes apart, after them.
// fetchMore only asks for the next page: it is read once the event loop is back, so that
// whoever asks (a view while it lays out, a model checker inside its own signal handlers)
// never sees rows inserted under its feet.
class ArchiveListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Code, Name, Sex, Education, TestDate, Age, Unit, ColumnCount };
    static constexpr int PageSize = 200;

    ArchiveListModel(std::shared_ptr<ezr::PgConnection> archive, QObject* parent = nullptr);

    // Reads the first page of the new choice; throws AnalysisError.
    void choose(const ezr::ArchiveSelection& selection);
    const ezr::ArchiveSelection& selection() const { return selection_; }
    // How many tests the choice holds, asked of the server; throws AnalysisError.
    qint64 count() const;
    // The entry of a row fetched already.
    const ezr::ArchiveEntry& entry(int row) const { return rows_.at(row); }

    // True while a page asked for by fetchMore is still to be read.
    bool fetching() const { return fetching_; }

    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // A page could not be read: the connection broke or the server refused.
    void failed(const QString& message) const;

private:
    // The rows of a fresh choice or order: the first page, read before the view sees them.
    void restart();
    // The page fetchMore asked for.
    void fetchPage();

    std::shared_ptr<ezr::PgConnection> archive_;
    ezr::ArchiveSelection selection_;
    ezr::ArchivePage order_;
    QList<ezr::ArchiveEntry> rows_;
    bool exhausted_ = true;
    bool fetching_ = false;
};
