#include "FolderEntries.h"

namespace ezr {

namespace {

bool isRandomPart(QStringView part) {
    for (const QChar c : part) {
        const char16_t u = c.unicode();
        const bool letterOrDigit =
            (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
        if (!letterOrDigit)
            return false;
    }
    return true;
}

} // namespace

bool isTemporaryFileName(QStringView name) {
    // "." + at least one character of the target + ".ezr-" + the random part.
    const qsizetype tail = TemporaryInfix.size() + TemporaryRandomLength;
    if (name.size() < 2 + tail || !name.startsWith(QLatin1Char('.')))
        return false;
    return name.sliced(name.size() - tail, TemporaryInfix.size()) == TemporaryInfix &&
           isRandomPart(name.last(TemporaryRandomLength));
}

bool isResponseFileCandidate(QStringView name) {
    return !isTemporaryFileName(name) && name != ImportJournalName;
}

} // namespace ezr

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSet>

#include <cerrno>

#include <sys/stat.h>

namespace ezr {

bool makePrivateFolder(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    if (clean.isEmpty())
        return false;
    struct stat info {};
    const QByteArray encoded = QFile::encodeName(clean);
    if (::stat(encoded.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash > 0 && !makePrivateFolder(clean.left(slash)))
        return false;
    if (::mkdir(encoded.constData(), 0700) != 0)
        return errno == EEXIST && ::stat(encoded.constData(), &info) == 0 && S_ISDIR(info.st_mode);
    // The umask may take more than it should leave; never less than 0700 is meant.
    return ::chmod(encoded.constData(), 0700) == 0;
}

QString openFolderWarning(const QString& path) {
    static QMutex mutex;
    static QSet<QString> warned;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        (info.st_mode & 0077) == 0)
        return QString();
    const QMutexLocker lock(&mutex);
    if (warned.contains(path))
        return QString();
    warned.insert(path);
    return QStringLiteral("Внимание: папку %1 могут читать другие пользователи компьютера")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace ezr
