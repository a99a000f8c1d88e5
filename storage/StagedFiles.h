#pragma once

#include "OutputError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

namespace ezr {

// Many files into one folder as a batch. Each goes into its own temporary file first; all of
// them are synced at once (one sync of the file system), then renamed into place, and the
// folder is synced once for the batch rather than once a file. At every moment each target is the
// whole old file or the whole new one. The data folder's rules hold: a link or anything but a
// regular file at a target is refused, nothing is followed.
class StagedFiles {
public:
    struct Entry {
        QString path;         // as the caller named it, for messages
        QByteArray target;    // encoded path
        QByteArray temporary; // encoded path of the staged bytes; empty once placed or dropped
        QByteArray backup;    // a second name of the old file while an import may undo
        bool existed = false; // a file was at the target when staged
        int fd = -1;          // open until synced
        int error = 0;        // errno of a failed sync, close or rename
    };

    explicit StagedFiles(const QString& folder);
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Writes `bytes` for `path` (a file of the folder) into a new temporary file. Throws
    // OutputError when refused or when the write fails; nothing stays of it then.
    void stage(const QString& path, QByteArrayView bytes);
    // Syncs and closes every staged file not synced yet; a failure marks its entry.
    void sync();
    // Renames every synced entry into place and syncs the folder once; an entry whose rename
    // failed is told to `failed` and its temporary file removed. Throws OutputError when the
    // folder cannot be synced.
    void placeEach(const std::function<void(qsizetype index, const Entry&)>& failed);
    // Removes every temporary file not placed.
    void discard();

    QList<Entry>& entries() { return entries_; }
    const QByteArray& folder() const { return folder_; }
    QString folderPath() const;

private:
    void closeEntry(Entry& entry, int error);
    QByteArray folder_;
    QList<Entry> entries_;
    int open_ = 0;
    int folderFd_ = -1; // opened before the first file written since the last sync
};

} // namespace ezr
