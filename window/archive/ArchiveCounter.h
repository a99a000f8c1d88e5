#pragma once

#include "ArchiveStore.h"
#include "PgConnection.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

// The count of the archive's list, asked of the server on a thread of its own and on a
// connection of its own, so that the first page is on screen while a million tests are
// counted. Only the latest choice's count is told: a choice made while an earlier one is
// counted stops that count on the server and follows it; closing stops it too.
class ArchiveCounter : public QObject {
    Q_OBJECT
public:
    ArchiveCounter(QString conninfo, QObject* parent = nullptr);
    // Stops a count under way and waits for its thread: its connection closes with this object.
    ~ArchiveCounter() override;

    void count(const ezr::ArchiveSelection& selection);
    bool busy() const { return thread_ != nullptr; }

signals:
    void counted(qint64 count);
    void failed(const QString& message);

private:
    void start(const ezr::ArchiveSelection& selection);
    void finish();
    void stopRunning();

    QString conninfo_;
    std::unique_ptr<ezr::PgConnection> connection_; // made by the first count's thread
    QThread* thread_ = nullptr;
    std::optional<ezr::ArchiveSelection> waiting_;
    // The count's outcome, written by the thread and read once it has finished.
    qint64 result_ = 0;
    QString error_;
    // How the window's thread stops the count's statement, once the thread has connected.
    std::mutex cancelLock_;
    std::unique_ptr<ezr::PgConnection::Canceller> canceller_;
    std::atomic<bool> stopped_ = false;
};
