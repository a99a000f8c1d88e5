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

#include <thread>

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

// The entries named, in order, read on both cores: the second half on a thread of its own.
// Each entry is a file opened and checked whole, so two readers take about half the time.
QList<ExamineeEntry> readEntries(const QString& folder, const QStringList& names,
                                 const std::atomic<bool>& stopped) {
    QList<ExamineeEntry> entries(names.size());
    ExamineeEntry* out = entries.data();
    const auto read = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to && !stopped.load(); ++i)
            out[i] = readExamineeEntry(folder, names[i]);
    };
    const qsizetype half = names.size() / 2;
    std::thread second(read, half, names.size());
    read(0, half);
    second.join();
    return entries;
}

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
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // A first small batch shows the list at once; then larger ones, at least a few times a
    // second, so that the window is not flooded with updates.
    qsizetype batchSize = 200;
    QStringList names;
    QElapsedTimer sinceLast;
    sinceLast.start();
    while (entries.hasNext()) {
        if (stopped.load())
            return;
        entries.next();
        if (!isResponseFileCandidate(entries.fileName()))
            continue;
        names.append(entries.fileName());
        if (names.size() >= batchSize || sinceLast.elapsed() >= 250) {
            QList<ExamineeEntry> batch = readEntries(folder, names, stopped);
            if (stopped.load())
                return;
            post(std::move(batch));
            names.clear();
            batchSize = 5000;
            sinceLast.restart();
        }
    }
    if (!names.isEmpty())
        post(readEntries(folder, names, stopped));
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
