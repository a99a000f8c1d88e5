#pragma once

#include "Analysis.h"
#include "MemberFilter.h"
#include "NormComparison.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The department's archive: tests stored with their original bytes, found by their header's
// fields, read through the server's functions that check the login role's units and record
// every read of personal data.
namespace ezr {

class PgConnection;

// Which tests: the same filter as a folder's group takes (--where, the list's fields), and a
// unit (empty: every unit the role may read).
struct ArchiveSelection {
    MemberFilter filter;
    QString unit;
};

// The list's columns the server sorts by; Imported is the order of import.
enum class ArchiveOrder { Imported, Code, Name, Sex, Education, TestDate, Age, Unit };

struct ArchivePage {
    ArchiveOrder order = ArchiveOrder::Imported;
    bool descending = false;
    qint64 offset = 0;
    qint64 limit = -1; // -1: all
};

// One test as the list shows it.
struct ArchiveEntry {
    qint64 id = 0;
    QString unit;
    QString fileName;
    QString code;
    QString name;
    QString sex;
    QString education;
    QDate testDate; // invalid when the file's date does not read
    QDate birthDate;
    std::optional<int> age;
    QString importedBy;
    QDateTime importedAt;
};

struct StoredTest {
    qint64 id = 0;
    QString fileName;
    QByteArray bytes;
};

// Why stored bytes are read; the server records it.
enum class ArchiveRead { Open, Export, Group };

QList<ArchiveEntry> listTests(PgConnection& archive, const ArchiveSelection& selection,
                              const ArchivePage& page);
qint64 countTests(PgConnection& archive, const ArchiveSelection& selection);
// The chosen tests' numbers in import order.
QList<qint64> chooseTests(PgConnection& archive, const ArchiveSelection& selection);
// The tests with these numbers that the role may read, in the order given.
QList<StoredTest> readTests(PgConnection& archive, const QList<qint64>& ids, ArchiveRead why);

struct ImportSummary {
    int stored = 0;
    int alreadyStored = 0;
    QList<SkippedEntry> refused; // files that are not readable response files
};

// Every readable response file of `dir` into `unit`, in one transaction: all of them or, on
// any failure, none. A test whose bytes are stored already is counted and left.
ImportSummary importFolder(PgConnection& archive, const QString& dir, const QString& unit);

// The chosen tests into `dir`, each under its file name, byte for byte; a name taken by an
// earlier test of the export gets the test's number ("101-42.cry"). An existing file is never
// replaced. Returns the number written.
int exportTests(PgConnection& archive, const ArchiveSelection& selection, const QString& dir);

// Deletes every test of the code in the role's units and keeps the act; the number deleted.
int deletePerson(PgConnection& archive, const QString& code, const QString& reason);

void grantUnit(PgConnection& archive, const QString& role, const QString& unit);
bool revokeUnit(PgConnection& archive, const QString& role, const QString& unit);
void grantHead(PgConnection& archive, const QString& role);

// The chosen tests' numbers and file names in import order, and nothing else of them: what a
// group of them needs before it reads their bytes.
struct ArchiveFiles {
    QList<qint64> ids;
    PackedStrings fileNames;
};
ArchiveFiles listTestFiles(PgConnection& archive, const ArchiveSelection& selection);

// The chosen tests as a group folder's listing: their file names in import order and their
// bytes read from the archive as the group run asks for them, a few thousand at a time.
// `label` stands for the folder in messages. The listing keeps the connection.
GroupListing archiveListing(const std::shared_ptr<PgConnection>& archive,
                            const ArchiveSelection& selection, const QString& label);

// The same for tests known by their numbers and file names, in listing order.
GroupListing archiveListing(const std::shared_ptr<PgConnection>& archive, ArchiveFiles files,
                            const QString& label);

// A norm of the team's own, with the tests it was made from.
void saveArchiveNorm(PgConnection& archive, const Norm& norm, const QList<qint64>& members);
QList<Norm> archiveNorms(PgConnection& archive);

} // namespace ezr
