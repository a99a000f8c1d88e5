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
#include <QThreadPool>

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

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
        entry.quality = answerQuality(record);
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

namespace {

// The names are read in small pieces by every core; the pieces are put back into listing order
// and handed over in large batches: a first small one, so that the list shows at once, then
// batches of thousands, at least a few times a second.
constexpr qsizetype PieceSize = 100;
constexpr qsizetype FirstBatchSize = 200;
constexpr qsizetype BatchSize = 5000;
constexpr qint64 BatchMilliseconds = 250;

// The pieces read, put back into listing order and handed over in batches. Called from the
// reading threads.
template <class Post> class BatchCollector {
public:
    explicit BatchCollector(const Post& post) : post_(post) { sinceLast_.start(); }

    void add(int piece, QList<ExamineeEntry> entries) {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_.emplace(piece, std::move(entries));
        for (auto next = done_.find(next_); next != done_.end(); next = done_.find(next_)) {
            pending_.append(std::move(next->second));
            done_.erase(next);
            ++next_;
        }
        if (pending_.size() >= batchSize_ || sinceLast_.elapsed() >= BatchMilliseconds)
            handOver();
    }

    // What is left once every piece is read.
    void finish() {
        const std::lock_guard<std::mutex> lock(mutex_);
        handOver();
    }

private:
    void handOver() {
        if (pending_.isEmpty())
            return;
        post_(std::exchange(pending_, {}));
        batchSize_ = BatchSize;
        sinceLast_.restart();
    }

    const Post& post_;
    std::mutex mutex_;
    std::map<int, QList<ExamineeEntry>> done_; // read before an earlier piece
    int next_ = 0;
    QList<ExamineeEntry> pending_;
    qsizetype batchSize_ = FirstBatchSize;
    QElapsedTimer sinceLast_;
};

// The thread's work: the entries of `folder`, handed to `post` in batches as they are read,
// then `end` with why the folder could not be listed, or an empty text. Once `stopped` is set
// nothing more is handed over.
template <class Post, class End>
void readFolderInBatches(const QString& folder, const std::atomic<bool>& stopped, const Post& post,
                         const End& end) {
    const QFileInfo info(folder);
    if (!info.isDir()) {
        end(QStringLiteral("Директория %1 не существует").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    const auto handOver = [&post, &stopped](QList<ExamineeEntry> batch) {
        if (!stopped.load())
            post(std::move(batch));
    };
    BatchCollector collector(handOver);
    const auto readPiece = [&](int piece, const QStringList& names) {
        QList<ExamineeEntry> entries;
        entries.reserve(names.size());
        for (const QString& name : names) {
            if (stopped.load())
                return;
            entries.append(readExamineeEntry(folder, name));
        }
        collector.add(piece, std::move(entries));
    };
    // Each entry is a file opened and checked whole: as many readers as cores, while this
    // thread lists the folder. Declared after what its readers use, the pool waits for them
    // before that goes.
    QThreadPool readers;
    readers.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList names;
    int pieces = 0;
    while (entries.hasNext() && !stopped.load()) {
        entries.next();
        if (!isResponseFileCandidate(entries.fileName()))
            continue;
        names.append(entries.fileName());
        if (names.size() >= PieceSize)
            readers.start([&readPiece, piece = pieces++, names = std::exchange(names, {})] {
                readPiece(piece, names);
            });
    }
    if (!names.isEmpty())
        readers.start([&readPiece, piece = pieces++, names] { readPiece(piece, names); });
    readers.waitForDone();
    if (stopped.load())
        return;
    collector.finish();
    end(QString());
}

} // namespace

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

    thread_.reset(QThread::create(
        [folder, stopped, post, end] { readFolderInBatches(folder, *stopped, post, end); }));
    thread_->start();
}
