#pragma once

#include "ArchiveStore.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QThread;

namespace ezr {
class PgConnection;
}

// The count of the archive's list, asked of the server on a thread of its own and on a
// connection of its own, so that the first page is on screen while a million tests are
// counted. Only the latest choice's count is told: a choice made while an earlier one is
// counted waits for it and then replaces it.
class ArchiveCounter : public QObject {
    Q_OBJECT
public:
    ArchiveCounter(QString conninfo, QObject* parent = nullptr);
    // Waits for a count under way: its connection is closed with this object.
    ~ArchiveCounter() override;

    void count(const ezr::ArchiveSelection& selection);
    bool busy() const { return thread_ != nullptr; }

signals:
    void counted(qint64 count);
    void failed(const QString& message);

private:
    void start(const ezr::ArchiveSelection& selection);
    void finish();

    QString conninfo_;
    std::unique_ptr<ezr::PgConnection> connection_; // made by the first count's thread
    QThread* thread_ = nullptr;
    std::optional<ezr::ArchiveSelection> waiting_;
    // The count's outcome, written by the thread and read once it has finished.
    qint64 result_ = 0;
    QString error_;
};
