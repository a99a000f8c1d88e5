#include "SheetFiles.h"

#include "AnalysisError.h"
#include "FolderEntries.h"
#include "ImportJournal.h"
#include "OutputError.h"
#include "Regional.h"
#include "ResponseWriter.h"
#include "StagedFiles.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <sys/stat.h>

namespace ezr {

namespace {

// Files of a batch written before one sync of the folder: large enough that the folder's
// sync costs little per file, small enough that a failure costs little work.
constexpr int BatchSize = 256;

// What is at a response file's place, not following a link.
enum class Place { Free, File, Link, Other };

Place placeOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return Place::Free;
    if (S_ISLNK(info.st_mode))
        return Place::Link;
    return S_ISREG(info.st_mode) ? Place::File : Place::Other;
}

QString writeFailure(const OutputError& failure) {
    return QStringLiteral("файл не записан: ") + failure.windowText();
}

} // namespace

QString sheetFilePath(const QString& dataDir, const QString& code) {
    return QDir(dataDir).filePath(responseFileNameFor(code));
}

void writeAnswerSheet(const QString& path, const AnswerSheet& sheet) {
    writeDataFileVerified(path, canonicalResponseBytes(sheet));
}

void RefusedRows::add(int row, const QList<SheetProblem>& rowProblems) {
    ++rows;
    problems += rowProblems.size();
    if (namedRows >= maxRows || named.size() >= maxProblems)
        return;
    ++namedRows;
    for (const SheetProblem& problem : rowProblems) {
        if (named.size() >= maxProblems)
            break;
        named.append({row, problem.column, problem.reason});
    }
}

QList<SheetProblem> importRowProblems(const ImportRow& row, const QString& dataDir, bool replace) {
    QList<SheetProblem> problems = row.problems;
    if (!problems.isEmpty())
        return problems;
    const QString name = responseFileNameFor(row.sheet.code);
    switch (placeOf(sheetFilePath(dataDir, row.sheet.code))) {
    case Place::Free:
        break;
    case Place::File:
        if (!replace)
            problems.append(
                {CodeColumn, QStringLiteral("файл «%1» уже есть в папке данных").arg(name)});
        break;
    case Place::Link:
        problems.append({CodeColumn, QStringLiteral("на месте файла «%1» в папке данных "
                                                    "символическая ссылка; через ссылку файл не "
                                                    "записывается")
                                         .arg(name)});
        break;
    case Place::Other:
        problems.append(
            {CodeColumn,
             QStringLiteral("на месте файла «%1» в папке данных не обычный файл").arg(name)});
        break;
    }
    return problems;
}

void importProblems(const ImportTable& table, const QString& dataDir, bool replace,
                    RefusedRows& refused) {
    if (!table.headingProblems().isEmpty()) {
        refused.add(1, table.headingProblems());
        return;
    }
    for (const ImportRow& row : table.rows()) {
        const QList<SheetProblem> problems = importRowProblems(row, dataDir, replace);
        if (!problems.isEmpty())
            refused.add(row.row, problems);
    }
}

namespace {

// A row of the table that is to be written: its number and its sheet.
struct RowToWrite {
    int row = 0;
    AnswerSheet sheet;
};

void refuseWrite(ImportOutcome& outcome, int row, const OutputError& failure) {
    // A failed write is no fault of any column of the row.
    outcome.refused.add(row, {{QString(), writeFailure(failure)}});
}

// The rows of one batch: staged, synced, renamed, one sync of the folder.
void writeBatch(const QList<RowToWrite>& rows, const QString& dataDir, ImportOutcome& outcome) {
    if (rows.isEmpty())
        return;
    StagedFiles staged(dataDir);
    QList<int> stagedRows;
    for (const RowToWrite& row : rows) {
        try {
            staged.stage(sheetFilePath(dataDir, row.sheet.code), canonicalResponseBytes(row.sheet));
            stagedRows.append(row.row);
        } catch (const OutputError& failure) {
            refuseWrite(outcome, row.row, failure);
        }
    }
    QSet<qsizetype> failed;
    staged.placeEach([&](qsizetype i, const StagedFiles::Entry& entry) {
        failed.insert(i);
        refuseWrite(outcome, stagedRows[i],
                    OutputError(OutputError::Kind::CannotWrite, entry.path, entry.error));
    });
    qsizetype index = 0;
    for (const StagedFiles::Entry& entry : staged.entries()) {
        if (!failed.contains(index++)) {
            outcome.written.append(entry.path);
            outcome.replaced += entry.existed ? 1 : 0;
        }
    }
}

// Every row, checked before: all staged, then placed under the journal, or none.
void writeAll(const ImportTable& table, const QString& dataDir, ImportOutcome& outcome) {
    StagedFiles staged(dataDir);
    for (const ImportRow& row : table.rows()) {
        try {
            staged.stage(sheetFilePath(dataDir, row.sheet.code), canonicalResponseBytes(row.sheet));
        } catch (const OutputError& failure) {
            refuseWrite(outcome, row.row, failure);
            return; // the staged files go with `staged`
        }
    }
    try {
        placeAllOrNothing(staged);
    } catch (const OutputError& failure) {
        refuseWrite(outcome, 0, failure);
        return;
    }
    for (const StagedFiles::Entry& entry : staged.entries()) {
        outcome.written.append(entry.path);
        outcome.replaced += entry.existed ? 1 : 0;
    }
}

} // namespace

ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing, RefusedRows refused) {
    ImportOutcome outcome;
    outcome.refused = std::move(refused);
    // An earlier import killed midway is ended before this one looks at the folder.
    outcome.recovered = interruptedImportText(recoverInterruptedImport(dataDir));
    if (!table.headingProblems().isEmpty() || allOrNothing) {
        importProblems(table, dataDir, replace, outcome.refused);
        if (!outcome.refused.isEmpty())
            return outcome;
    }
    if (!makePrivateFolder(dataDir))
        throw AnalysisError(QStringLiteral("Не удалось создать папку данных %1")
                                .arg(QDir::toNativeSeparators(dataDir)));
    outcome.warning = openFolderWarning(dataDir);
    if (allOrNothing) {
        writeAll(table, dataDir, outcome);
        return outcome;
    }
    // The table is read once more, a batch at a time: memory stays that of one batch.
    QList<RowToWrite> batch;
    for (const ImportRow& row : table.rows()) {
        const QList<SheetProblem> problems = importRowProblems(row, dataDir, replace);
        if (!problems.isEmpty()) {
            outcome.refused.add(row.row, problems);
            continue;
        }
        batch.append({row.row, row.sheet});
        if (batch.size() == BatchSize) {
            writeBatch(batch, dataDir, outcome);
            batch.clear();
        }
    }
    writeBatch(batch, dataDir, outcome);
    return outcome;
}

} // namespace ezr
