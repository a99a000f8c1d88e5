#include "ImportJournal.h"

#include "AnalysisError.h"
#include "FolderEntries.h"
#include "VerifiedWrite.h"
#include "WriteSteps.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace ezr {

using namespace writesteps;

namespace {

constexpr char Complete[] = "ezr-import-journal 1 complete";
constexpr char Undo[] = "ezr-import-journal 1 undo";

// One line an entry: names within the folder, percent-encoded so that any byte of a name
// keeps to its field.
struct JournalEntry {
    QByteArray target, temporary, backup;
    bool existed = false;
};

QByteArray journalPath(const QByteArray& folder) {
    return folder + '/' + QByteArray(ImportJournalName.data());
}

QByteArray inFolder(const QByteArray& folder, const QByteArray& name) {
    return name.isEmpty() ? QByteArray() : folder + '/' + name;
}

bool exists(const QByteArray& path) {
    struct stat info {};
    return !path.isEmpty() && ::lstat(path.constData(), &info) == 0;
}

QByteArray journalText(const char* state, const QList<StagedFiles::Entry>& entries) {
    QByteArray text = QByteArray(state) + '\n';
    for (const StagedFiles::Entry& e : entries) {
        text += nameOf(e.target).toPercentEncoding() + '\t' +
                nameOf(e.temporary).toPercentEncoding() + '\t' +
                (e.backup.isEmpty() ? QByteArray("-") : nameOf(e.backup).toPercentEncoding()) +
                '\t' + (e.existed ? '1' : '0') + '\n';
    }
    return text;
}

void writeJournal(const QByteArray& folder, const char* state,
                  const QList<StagedFiles::Entry>& entries) {
    writeDataFileVerified(QFile::decodeName(journalPath(folder)), journalText(state, entries));
}

// Taking back one entry, whatever part of it was done: run again, it changes nothing more.
void undoEntry(const JournalEntry& e) {
    if (exists(e.temporary))
        ::unlink(e.temporary.constData());
    else if (exists(e.backup))
        ::rename(e.backup.constData(), e.target.constData());
    else if (!e.existed)
        ::unlink(e.target.constData());
}

// Finishing one entry, likewise safe to repeat.
void completeEntry(const JournalEntry& e) {
    if (exists(e.temporary))
        ::rename(e.temporary.constData(), e.target.constData());
    if (exists(e.backup))
        ::unlink(e.backup.constData());
}

JournalEntry journalEntry(const StagedFiles::Entry& e) {
    return {e.target, e.temporary, e.backup, e.existed};
}

// A second name of the old file, so that it can be put back after the new one is renamed over
// it; it has the pattern of a temporary file, which every reader skips.
void linkBackup(const QByteArray& folder, StagedFiles::Entry& e) {
    const QByteArray prefix = encodedPrefix(nameOf(e.target));
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = folder + '/' + prefix;
        static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = 0; i < TemporaryRandomLength; ++i)
            name += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
        if (::link(e.target.constData(), name.constData()) == 0) {
            e.backup = name;
            return;
        }
        if (errno != EEXIST)
            fail(OutputError::Kind::CannotCreate, e.path, errno);
    }
    fail(OutputError::Kind::CannotCreate, e.path, EEXIST);
}

void finishJournal(const QByteArray& folder) {
    syncFolder(folder, QFile::decodeName(folder));
    if (::unlink(journalPath(folder).constData()) != 0 && errno != ENOENT)
        fail(OutputError::Kind::CannotWrite, QFile::decodeName(journalPath(folder)), errno);
    syncFolder(folder, QFile::decodeName(folder));
}

// Everything put back after a failure seen after the journal was written; the journal says
// "undo" first, so that a kill during the undo is undone by the next run too.
[[noreturn]] void undoAll(StagedFiles& staged, const OutputError& failure) {
    const QByteArray& folder = staged.folder();
    try {
        writeJournal(folder, Undo, staged.entries());
        for (const StagedFiles::Entry& e : staged.entries())
            undoEntry(journalEntry(e));
        finishJournal(folder);
    } catch (const OutputError&) {
        // The journal stays for the next run, which undoes what is left.
    }
    for (StagedFiles::Entry& e : staged.entries())
        e.temporary.clear();
    throw failure;
}

QList<JournalEntry> parseJournal(const QByteArray& folder, const QByteArray& text, bool& undo) {
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || (lines.front() != Complete && lines.front() != Undo))
        throw AnalysisError(QString());
    undo = lines.front() == Undo;
    QList<JournalEntry> entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() != 4)
            throw AnalysisError(QString());
        const auto name = [&folder](const QByteArray& field) {
            const QByteArray decoded = QByteArray::fromPercentEncoding(field);
            if (field == "-" || decoded.isEmpty() || decoded.contains('/'))
                return QByteArray();
            return inFolder(folder, decoded);
        };
        const JournalEntry e{name(fields[0]), name(fields[1]), name(fields[2]), fields[3] == "1"};
        if (e.target.isEmpty() || e.temporary.isEmpty())
            throw AnalysisError(QString());
        entries.append(e);
    }
    return entries;
}

} // namespace

InterruptedImport recoverInterruptedImport(const QString& dataDir) {
    InterruptedImport found;
    const QByteArray folder = QFile::encodeName(dataDir);
    const QByteArray path = journalPath(folder);
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        found.leftovers = removeLeftoversOnce(folder);
        return found;
    }
    const QString shown = QDir::toNativeSeparators(QFile::decodeName(path));
    QFile file(QFile::decodeName(path));
    if (!S_ISREG(info.st_mode) || info.st_size > off_t{64} * 1024 * 1024 ||
        !file.open(QIODevice::ReadOnly))
        throw AnalysisError(QStringLiteral("Журнал прерванного импорта %1 не читается").arg(shown));
    bool undo = false;
    QList<JournalEntry> entries;
    try {
        entries = parseJournal(folder, file.readAll(), undo);
    } catch (const AnalysisError&) {
        throw AnalysisError(
            QStringLiteral("Журнал прерванного импорта %1 повреждён; разберите папку вручную")
                .arg(shown));
    }
    for (const JournalEntry& e : entries)
        undo ? undoEntry(e) : completeEntry(e);
    try {
        finishJournal(folder);
    } catch (const OutputError& failure) {
        throw AnalysisError(failure.windowText());
    }
    (undo ? found.undone : found.completed) = int(entries.size());
    found.leftovers = removeLeftoversOnce(folder);
    return found;
}

void placeAllOrNothing(StagedFiles& staged) {
    staged.sync();
    for (const StagedFiles::Entry& e : staged.entries()) {
        if (e.error != 0)
            throw OutputError(OutputError::Kind::CannotWrite, e.path, e.error);
    }
    const QByteArray& folder = staged.folder();
    try {
        for (StagedFiles::Entry& e : staged.entries()) {
            if (e.existed)
                linkBackup(folder, e);
        }
        // From here on the import is decided: a kill leaves the journal, and the next run
        // ends it.
        writeJournal(folder, Complete, staged.entries());
    } catch (const OutputError&) {
        for (StagedFiles::Entry& e : staged.entries()) {
            if (!e.backup.isEmpty())
                ::unlink(e.backup.constData());
        }
        throw;
    }
    for (StagedFiles::Entry& e : staged.entries()) {
        if (calls().renameFile(e.temporary.constData(), e.target.constData()) != 0)
            undoAll(staged,
                    OutputError(OutputError::Kind::CannotWrite, e.path, errno != 0 ? errno : EIO));
    }
    try {
        syncFolder(folder, staged.folderPath());
    } catch (const OutputError& failure) {
        undoAll(staged, failure);
    }
    for (StagedFiles::Entry& e : staged.entries()) {
        e.temporary.clear();
        if (!e.backup.isEmpty())
            ::unlink(e.backup.constData());
    }
    finishJournal(folder);
}

QString interruptedImportText(const InterruptedImport& found) {
    QStringList parts;
    if (found.completed > 0)
        parts << QStringLiteral("завершён прерванный импорт (файлов: %1)").arg(found.completed);
    if (found.undone > 0)
        parts << QStringLiteral("отменён прерванный импорт (файлов: %1)").arg(found.undone);
    if (found.leftovers > 0)
        parts << QStringLiteral("удалены остатки прерванной записи (файлов: %1)")
                     .arg(found.leftovers);
    if (parts.isEmpty())
        return QString();
    QString text = parts.join(QStringLiteral("; "));
    text[0] = text[0].toUpper();
    return text;
}

} // namespace ezr
