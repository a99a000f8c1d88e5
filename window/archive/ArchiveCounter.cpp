#include "ArchiveCounter.h"

#include "AnalysisError.h"
#include "PgConnection.h"

#include <QThread>

using namespace ezr;

ArchiveCounter::ArchiveCounter(QString conninfo, QObject* parent)
    : QObject(parent), conninfo_(std::move(conninfo)) {}

ArchiveCounter::~ArchiveCounter() {
    if (thread_) {
        stopRunning();
        thread_->wait();
        delete thread_;
    }
}

void ArchiveCounter::count(const ArchiveSelection& selection) {
    if (thread_) {
        waiting_ = selection;
        stopRunning();
        return;
    }
    start(selection);
}

void ArchiveCounter::start(const ArchiveSelection& selection) {
    error_.clear();
    stopped_ = false;
    // The thread alone touches the connection and the outcome until it has finished.
    thread_ = QThread::create([this, selection] {
        try {
            if (!connection_) {
                connection_ = std::make_unique<PgConnection>(conninfo_);
                const std::lock_guard lock(cancelLock_);
                canceller_ = connection_->canceller();
            }
            result_ = countTests(*connection_, selection);
        } catch (const AnalysisError& error) {
            // A broken connection is made anew next time; a stopped count's stays good.
            if (!stopped_) {
                const std::lock_guard lock(cancelLock_);
                canceller_.reset();
                connection_.reset();
            }
            error_ = error.message();
        }
    });
    connect(thread_, &QThread::finished, this, &ArchiveCounter::finish);
    thread_->start();
}

// The statement stops on the server and the thread ends with its error, which nobody is told:
// a newer count follows, or the list is closing.
void ArchiveCounter::stopRunning() {
    stopped_ = true;
    const std::lock_guard lock(cancelLock_);
    if (canceller_)
        canceller_->cancel();
}

void ArchiveCounter::finish() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    if (waiting_) {
        const ArchiveSelection next = *waiting_;
        waiting_.reset();
        start(next);
        return;
    }
    if (error_.isEmpty())
        emit counted(result_);
    else
        emit failed(error_);
}
