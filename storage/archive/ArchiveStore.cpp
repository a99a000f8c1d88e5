#include "ArchiveStore.h"

#include "AnalysisError.h"
#include "NormFile.h"
#include "PgConnection.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <memory>

namespace ezr {

namespace {

// How many tests a group run reads from the server at once: a few megabytes.
constexpr int ReadBatch = 2000;
// How many tests an import sends before it reads the server's answers: about a megabyte.
constexpr int ImportBatch = 400;

PgParam optionalText(const std::optional<QString>& text) {
    return text ? PgParam::text(*text) : PgParam::none();
}

PgParam optionalNumber(const std::optional<int>& number) {
    return number ? PgParam::number(*number) : PgParam::none();
}

PgParam optionalDate(const std::optional<QDate>& date) {
    return date && date->isValid() ? PgParam::text(date->toString(Qt::ISODate)) : PgParam::none();
}

// The nine filter parameters every choosing function of the server takes first.
QList<PgParam> filterParams(const ArchiveSelection& selection) {
    const MemberFilter& f = selection.filter;
    QList<PgParam> params{selection.unit.isEmpty() ? PgParam::none()
                                                   : PgParam::text(selection.unit),
                          optionalText(f.sex),
                          optionalText(f.education),
                          optionalNumber(f.minAge),
                          optionalNumber(f.maxAge),
                          optionalDate(f.fromDate),
                          optionalDate(f.toDate),
                          f.text.isEmpty() ? PgParam::none() : PgParam::text(f.text),
                          PgParam::none()};
    if (f.codes)
        params.last() = PgParam{textArrayLiteral(QList<QString>(f.codes->begin(), f.codes->end())),
                                false, false};
    return params;
}

const char* orderName(ArchiveOrder order) {
    switch (order) {
    case ArchiveOrder::Code:
        return "code";
    case ArchiveOrder::Name:
        return "name";
    case ArchiveOrder::Sex:
        return "sex";
    case ArchiveOrder::Education:
        return "education";
    case ArchiveOrder::TestDate:
        return "test_date";
    case ArchiveOrder::Age:
        return "age";
    case ArchiveOrder::Unit:
        return "unit";
    case ArchiveOrder::Imported:
        break;
    }
    return "id";
}

const char* purposeName(ArchiveRead why) {
    switch (why) {
    case ArchiveRead::Open:
        return "open";
    case ArchiveRead::Export:
        return "export";
    case ArchiveRead::Group:
        return "group";
    }
    return "open";
}

QList<qint64> numbersOfArray(const QString& literal) {
    QList<qint64> numbers;
    const QString inner = literal.mid(1, literal.size() - 2);
    if (inner.isEmpty())
        return numbers;
    for (const QString& part : inner.split(QLatin1Char(',')))
        numbers.append(part.toLongLong());
    return numbers;
}

// A stored file name as a name inside the export folder: a name that would lead elsewhere
// is replaced by the test's number.
QString exportName(const QString& stored, qint64 id) {
    if (stored.isEmpty() || stored.contains(QLatin1Char('/')) || stored == QLatin1String(".") ||
        stored == QLatin1String(".."))
        return QStringLiteral("%1.cry").arg(id);
    return stored;
}

// The header of a response file that a group run can read: the same reading as the run's,
// so that the archive holds exactly the files a folder's group would take.
ResponseHeader readableHeader(const QByteArray& bytes) {
    const QString text = decodeWindows1251(unscrambleText(bytes));
    const QList<QStringView> lines = splitLines(text);
    AnalysisRecord record;
    readItemLines(lines, record);
    return readHeader(lines);
}

} // namespace

namespace {

QList<PgParam> pageParams(const ArchiveSelection& selection, const ArchivePage& page) {
    QList<PgParam> params = filterParams(selection);
    params << PgParam::text(QString::fromLatin1(orderName(page.order)))
           << PgParam::text(page.descending ? QStringLiteral("true") : QStringLiteral("false"))
           << (page.limit < 0 ? PgParam::none() : PgParam::number(page.limit))
           << PgParam::number(page.offset);
    return params;
}

} // namespace

QList<ArchiveEntry> listTests(PgConnection& archive, const ArchiveSelection& selection,
                              const ArchivePage& page) {
    const PgResult result = archive.exec(
        "SELECT id, unit, file_name, code, name, sex, education, test_date, birth_date, age, "
        "imported_by, imported_at FROM ezr.list_tests($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, "
        "$11, $12, $13)",
        pageParams(selection, page));
    QList<ArchiveEntry> entries;
    entries.reserve(result.rows());
    for (int row = 0; row < result.rows(); ++row) {
        ArchiveEntry e;
        e.id = result.number(row, 0);
        e.unit = result.text(row, 1);
        e.fileName = result.text(row, 2);
        e.code = result.text(row, 3);
        e.name = result.text(row, 4);
        e.sex = result.text(row, 5);
        e.education = result.text(row, 6);
        e.testDate = QDate::fromString(result.text(row, 7), Qt::ISODate);
        e.birthDate = QDate::fromString(result.text(row, 8), Qt::ISODate);
        if (!result.isNull(row, 9))
            e.age = int(result.number(row, 9));
        e.importedBy = result.text(row, 10);
        e.importedAt = QDateTime::fromString(result.text(row, 11).left(19), Qt::ISODate);
        entries.append(std::move(e));
    }
    return entries;
}

qint64 countTests(PgConnection& archive, const ArchiveSelection& selection) {
    return archive
        .exec("SELECT ezr.count_tests($1, $2, $3, $4, $5, $6, $7, $8, $9)", filterParams(selection))
        .number(0, 0);
}

QList<qint64> chooseTests(PgConnection& archive, const ArchiveSelection& selection) {
    return numbersOfArray(archive
                              .exec("SELECT ezr.choose_tests($1, $2, $3, $4, $5, $6, $7, $8, $9)",
                                    filterParams(selection))
                              .text(0, 0));
}

QList<StoredTest> readTests(PgConnection& archive, const QList<qint64>& ids, ArchiveRead why) {
    const PgResult result =
        archive.exec("SELECT id, file_name, bytes FROM ezr.read_tests($1::bigint[], $2)",
                     {PgParam{numberArrayLiteral(ids), false, false},
                      PgParam::text(QString::fromLatin1(purposeName(why)))},
                     true);
    QList<StoredTest> tests;
    tests.reserve(result.rows());
    for (int row = 0; row < result.rows(); ++row)
        tests.append({result.binaryNumber(row, 0), QString::fromUtf8(result.bytes(row, 1)),
                      result.bytes(row, 2)});
    return tests;
}

ImportSummary importFolder(PgConnection& archive, const QString& dir, const QString& unit) {
    const GroupListing listing = listGroupFolder(dir);
    ImportSummary summary;
    PgTransaction transaction(archive);
    // Imports run one after another: two imports of overlapping folders, each adding the
    // same tests in its own order, would otherwise wait on each other's rows.
    archive.exec("SELECT pg_advisory_xact_lock(7033002)");
    QList<QList<PgParam>> batch;
    const auto send = [&] {
        for (const PgResult& added : archive.execMany(
                 "SELECT ezr.import_test($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)", batch)) {
            if (added.isNull(0, 0))
                ++summary.alreadyStored;
            else
                ++summary.stored;
        }
        batch.clear();
    };
    for (qsizetype m = 0; m < listing.roster.fileNames.size(); ++m) {
        const QString fileName = listing.roster.fileNames.at(m).toString();
        QByteArray bytes;
        ResponseHeader header;
        try {
            bytes = readResponseBytes(listing.folder + fileName);
            header = readableHeader(bytes);
        } catch (const AnalysisError& error) {
            summary.refused.append({fileName, error.message()});
            continue;
        }
        batch.append(
            {PgParam::text(unit), PgParam::text(fileName), PgParam::bytes(bytes),
             PgParam::text(header.code), PgParam::text(header.name),
             PgParam::text(header.sex.trimmed()), PgParam::text(header.education.trimmed()),
             optionalDate(shortDateOf(header.testDate)),
             optionalDate(shortDateOf(header.birthDate)), optionalNumber(ageInYears(header))});
        if (batch.size() == ImportBatch)
            send();
    }
    send();
    transaction.commit();
    return summary;
}

int exportTests(PgConnection& archive, const ArchiveSelection& selection, const QString& dir) {
    if (!QDir().mkpath(dir))
        throw AnalysisError(QStringLiteral("Не удалось создать папку %1").arg(pathInMessage(dir)));
    const QList<qint64> ids = chooseTests(archive, selection);
    QSet<QString> taken;
    int written = 0;
    for (qsizetype start = 0; start < ids.size(); start += ReadBatch) {
        for (const StoredTest& test :
             readTests(archive, ids.mid(start, ReadBatch), ArchiveRead::Export)) {
            QString name = exportName(test.fileName, test.id);
            if (taken.contains(name) || QFileInfo::exists(QDir(dir).filePath(name))) {
                const QFileInfo parts(name);
                name = QStringLiteral("%1-%2%3")
                           .arg(parts.completeBaseName())
                           .arg(test.id)
                           .arg(parts.suffix().isEmpty() ? QString()
                                                         : QLatin1Char('.') + parts.suffix());
            }
            const QString path = QDir(dir).filePath(name);
            if (QFileInfo::exists(path))
                throw AnalysisError(
                    QStringLiteral("Файл %1 уже есть; он не заменяется").arg(pathInMessage(path)));
            writeFileVerified(path, test.bytes);
            taken.insert(name);
            ++written;
        }
    }
    return written;
}

int deletePerson(PgConnection& archive, const QString& code, const QString& reason) {
    return int(
        archive
            .exec("SELECT ezr.delete_person($1, $2)", {PgParam::text(code), PgParam::text(reason)})
            .number(0, 0));
}

void grantUnit(PgConnection& archive, const QString& role, const QString& unit) {
    archive.exec("SELECT ezr.grant_unit($1, $2)", {PgParam::text(role), PgParam::text(unit)});
}

bool revokeUnit(PgConnection& archive, const QString& role, const QString& unit) {
    return archive
               .exec("SELECT ezr.revoke_unit($1, $2)", {PgParam::text(role), PgParam::text(unit)})
               .text(0, 0) == QLatin1String("t");
}

void grantHead(PgConnection& archive, const QString& role) {
    archive.exec("SELECT ezr.grant_head($1)", {PgParam::text(role)});
}

namespace {

// A listing of the tests with these numbers, whose names the roster holds already.
GroupListing listingOf(const std::shared_ptr<PgConnection>& archive,
                       const std::shared_ptr<QList<qint64>>& ids, GroupListing listing);

} // namespace

// Only the numbers and file names come over: a group of a million tests is listed in some
// tens of megabytes, and the rest of each test is read with its bytes.
ArchiveFiles listTestFiles(PgConnection& archive, const ArchiveSelection& selection) {
    const PgResult result = archive.exec(
        "SELECT id, file_name FROM ezr.list_tests($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, "
        "$11, $12, $13)",
        pageParams(selection, ArchivePage{}));
    ArchiveFiles files;
    files.ids.reserve(result.rows());
    for (int row = 0; row < result.rows(); ++row) {
        files.ids.append(result.number(row, 0));
        files.fileNames.append({result.text(row, 1)});
    }
    return files;
}

GroupListing archiveListing(const std::shared_ptr<PgConnection>& archive,
                            const ArchiveSelection& selection, const QString& label) {
    return archiveListing(archive, listTestFiles(*archive, selection), label);
}

GroupListing archiveListing(const std::shared_ptr<PgConnection>& archive, ArchiveFiles files,
                            const QString& label) {
    GroupListing listing;
    listing.dataDir = label;
    listing.roster.fileNames = std::move(files.fileNames);
    return listingOf(archive, std::make_shared<QList<qint64>>(std::move(files.ids)),
                     std::move(listing));
}

namespace {

GroupListing listingOf(const std::shared_ptr<PgConnection>& archive,
                       const std::shared_ptr<QList<qint64>>& ids, GroupListing listing) {
    listing.roster.fileNames.squeeze();
    // The batch read last, kept until the run asks beyond it.
    struct Batch {
        qsizetype start = -1;
        QList<StoredTest> tests;
    };
    auto batch = std::make_shared<Batch>();
    listing.memberBytes = [archive, ids, batch](qsizetype m) -> QByteArray {
        if (batch->start < 0 || m < batch->start || m >= batch->start + batch->tests.size()) {
            batch->start = m;
            batch->tests = readTests(*archive, ids->mid(m, ReadBatch), ArchiveRead::Group);
        }
        const qsizetype at = m - batch->start;
        if (at >= batch->tests.size() || batch->tests.at(at).id != ids->at(m))
            throw AnalysisError(QStringLiteral("Обследование удалено из архива во время анализа"));
        return batch->tests.at(at).bytes;
    };
    return listing;
}

} // namespace

void saveArchiveNorm(PgConnection& archive, const Norm& norm, const QList<qint64>& members) {
    archive.exec("SELECT ezr.save_norm($1, $2, $3::bigint[])",
                 {PgParam::text(norm.name), PgParam::bytes(normFileBytes(norm)),
                  PgParam{numberArrayLiteral(members), false, false}});
}

QList<Norm> archiveNorms(PgConnection& archive) {
    const PgResult result = archive.exec("SELECT name, content FROM ezr.norms()", {}, true);
    QList<Norm> norms;
    for (int row = 0; row < result.rows(); ++row)
        norms.append(readNormFile(result.bytes(row, 1), QString::fromUtf8(result.bytes(row, 0)) +
                                                            QStringLiteral(".json")));
    return norms;
}

} // namespace ezr
