#include "ExamineeListing.h"

#include "AnalysisError.h"
#include "FolderEntries.h"
#include "MemberFilter.h"
#include "Regional.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

using namespace ezr;

namespace {

// A date of the header, or an invalid one when it does not read.
QDate headerDate(QStringView text) {
    return shortDateOf(text).value_or(QDate());
}

} // namespace

ExamineeEntry readExamineeEntry(const QString& folder, const QString& fileName) {
    ExamineeEntry entry;
    entry.fileName = fileName;
    const QString path = folder + QLatin1Char('/') + fileName;
    try {
        // What a group run reads of a member: the header and the item lines. The dates only
        // serve the filter and the columns here; a date that does not read leaves them empty.
        const QString text = decodeWindows1251(unscrambleText(readResponseBytes(path)));
        const QList<QStringView> lines = splitLines(text);
        entry.header = readHeader(lines);
        AnalysisRecord record;
        readItemLines(lines, record);
        entry.testDate = headerDate(entry.header.testDate);
        entry.age = ageInYears(entry.header);
        if (entry.testDate.isValid() && headerDate(entry.header.birthDate).isValid())
            entry.ageText = ageText(entry.header.testDate, entry.header.birthDate);
    } catch (const AnalysisError& error) {
        // The list names the file in its own column: the reason goes without the path.
        entry.header = {};
        entry.testDate = {};
        entry.age.reset();
        entry.problem = error.forMember(path).message();
    }
    return entry;
}

ExamineeListing::ExamineeListing(QObject* parent) : QObject(parent) {}

ExamineeListing::~ExamineeListing() {
    stop();
}

void ExamineeListing::stop() {
    ++generation_;
    running_ = false;
    if (stopped_)
        stopped_->store(true);
    if (thread_) {
        thread_->wait();
        thread_.reset();
    }
}

void ExamineeListing::start(const QString& folder) {
    stop();
    running_ = true;
    const int generation = generation_;
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    stopped_ = stopped;

    // Batches are posted to this object: once it is gone, Qt drops what is still queued.
    const auto post = [this, generation](QList<ExamineeEntry> batch) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, batch = std::move(batch)] {
                if (generation == generation_)
                    emit entriesRead(batch);
            },
            Qt::QueuedConnection);
    };
    const auto end = [this, generation](const QString& problem) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, problem] {
                if (generation != generation_)
                    return;
                running_ = false;
                emit finished(problem);
            },
            Qt::QueuedConnection);
    };

    thread_.reset(QThread::create([folder, stopped, post, end] {
        const QFileInfo info(folder);
        if (!info.isDir()) {
            end(QStringLiteral("Директория %1 не существует")
                    .arg(QDir::toNativeSeparators(folder)));
            return;
        }
        QDirIterator entries(folder,
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        // A first small batch shows the list at once; then larger ones, at least a few times a
        // second, so that the window is not flooded with updates.
        qsizetype batchSize = 200;
        QList<ExamineeEntry> batch;
        QElapsedTimer sinceLast;
        sinceLast.start();
        while (entries.hasNext()) {
            if (stopped->load())
                return;
            entries.next();
            if (!isResponseFileCandidate(entries.fileName()))
                continue;
            batch.append(readExamineeEntry(folder, entries.fileName()));
            if (batch.size() >= batchSize || sinceLast.elapsed() >= 250) {
                post(std::exchange(batch, {}));
                batchSize = 5000;
                sinceLast.restart();
            }
        }
        if (!batch.isEmpty())
            post(std::move(batch));
        end(QString());
    }));
    thread_->start();
}
