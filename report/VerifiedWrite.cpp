#include "VerifiedWrite.h"

#include "AnalysisError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace ezr {

namespace {

[[noreturn]] void fail(const char* what, const QString& path, const QString& reason) {
    throw AnalysisError(QStringLiteral("%1 \"%2\". %3")
                            .arg(QLatin1String(what), QDir::toNativeSeparators(path), reason));
}

// FIFOs, devices and sockets: renaming a new file over them would destroy what the user
// named (a pipe to a reader, /dev/null) instead of writing to it.
bool isSpecialFile(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

void writeInPlace(const QString& path, QByteArrayView bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail("Cannot create file", path, file.errorString());
    if (file.write(bytes.data(), bytes.size()) != bytes.size())
        fail("Cannot write file", path, file.errorString());
}

void replaceWhenComplete(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail("Cannot create file", path, file.errorString());
    // QSaveFile buffers: a full disk or a size limit shows only when the buffer is flushed,
    // and Qt 6.4 renames the temporary file over the old one even after such a failure, so
    // the flush is checked here and the write cancelled before commit() can replace anything.
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        file.commit(); // removes the temporary file; the old one is untouched
        fail("Cannot write file", path, reason);
    }
    if (!file.commit())
        fail("Cannot write file", path, file.errorString());
}

} // namespace

void writeFileVerified(const QString& path, QByteArrayView bytes) {
    if (isSpecialFile(path)) {
        writeInPlace(path, bytes);
        return;
    }
    // A link is written through, so the link stays and its target gets the new bytes
    // (/dev/stdout redirected to a file names that file).
    const QFileInfo existing(path);
    const QString target = existing.exists() ? existing.canonicalFilePath() : path;
    replaceWhenComplete(target.isEmpty() ? path : target, bytes);
}

} // namespace ezr
