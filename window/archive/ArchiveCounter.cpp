#include "ArchiveCounter.h"

#include "AnalysisError.h"
#include "PgConnection.h"

#include <QThread>

using namespace ezr;

ArchiveCounter::ArchiveCounter(QString conninfo, QObject* parent)
    : QObject(parent), conninfo_(std::move(conninfo)) {}

ArchiveCounter::~ArchiveCounter() {
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void ArchiveCounter::count(const ArchiveSelection& selection) {
    if (thread_) {
        waiting_ = selection;
        return;
    }
    start(selection);
}

void ArchiveCounter::start(const ArchiveSelection& selection) {
    error_.clear();
    // The thread alone touches the connection and the outcome until it has finished.
    thread_ = QThread::create([this, selection] {
        try {
            if (!connection_)
                connection_ = std::make_unique<PgConnection>(conninfo_);
            result_ = countTests(*connection_, selection);
        } catch (const AnalysisError& error) {
            connection_.reset(); // a broken connection is made anew next time
            error_ = error.message();
        }
    });
    connect(thread_, &QThread::finished, this, &ArchiveCounter::finish);
    thread_->start();
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
