#pragma once

#include "AnswerQuality.h"
#include "ResponseFile.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QThread;

// One entry of the data folder as the list of examinees shows it.
struct ExamineeEntry {
    QString fileName; // without directory
    ezr::ResponseHeader header;
    QDate testDate;             // invalid when the date does not read
    std::optional<int> age;     // whole years at the test, as a group's filter counts them
    QString ageText;            // "yy.mm", as the result panel shows it
    QString problem;            // why the entry cannot be analysed; empty when it can
    ezr::AnswerQuality quality; // whether its answers can be trusted, when readable
    bool readable() const { return problem.isEmpty(); }
};

// Reads and checks one entry completely, as an analysis would: an entry that an analysis
// would stop at comes back with its problem instead of throwing.
ExamineeEntry readExamineeEntry(const QString& folder, const QString& fileName);

// Reads the headers of every entry of a folder on worker threads, one a core, and hands them
// over in large batches, so that the window goes on serving its events while a large folder
// is read.
// Entries are taken as a group run takes them: everything but "." and "..".
class ExamineeListing : public QObject {
    Q_OBJECT
public:
    explicit ExamineeListing(QObject* parent = nullptr);
    ~ExamineeListing() override;

    // Stops a listing under way (its batches no longer arrive) and starts one of `folder`.
    void start(const QString& folder);
    // Stops the listing under way and waits for its thread.
    void stop();
    bool running() const { return running_; }

signals:
    // A batch of entries read, in listing order.
    void entriesRead(const QList<ExamineeEntry>& entries);
    // The listing of the folder has ended; `problem` says why the folder could not be listed.
    void finished(const QString& problem);

private:
    std::unique_ptr<QThread> thread_;
    std::shared_ptr<std::atomic<bool>> stopped_;
    int generation_ = 0; // batches of a stopped listing are dropped
    bool running_ = false;
};
