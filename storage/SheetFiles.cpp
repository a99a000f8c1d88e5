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
    writeDataFileVerified(path, responseFileBytes(sheet, decimalSeparator()));
}

QList<RowProblem> importProblems(const ImportTable& table, const QString& dataDir, bool replace) {
    QList<RowProblem> problems;
    for (const SheetProblem& problem : table.headingProblems)
        problems.append({1, problem.column, problem.reason});
    for (const ImportRow& row : table.rows) {
        for (const SheetProblem& problem : row.problems)
            problems.append({row.row, problem.column, problem.reason});
        if (!row.problems.isEmpty())
            continue;
        const QString name = responseFileNameFor(row.sheet.code);
        switch (placeOf(sheetFilePath(dataDir, row.sheet.code))) {
        case Place::Free:
            break;
        case Place::File:
            if (!replace)
                problems.append({row.row, CodeColumn,
                                 QStringLiteral("файл «%1» уже есть в папке данных").arg(name)});
            break;
        case Place::Link:
            problems.append({row.row, CodeColumn,
                             QStringLiteral("на месте файла «%1» в папке данных символическая "
                                            "ссылка; через ссылку файл не записывается")
                                 .arg(name)});
            break;
        case Place::Other:
            problems.append(
                {row.row, CodeColumn,
                 QStringLiteral("на месте файла «%1» в папке данных не обычный файл").arg(name)});
            break;
        }
    }
    return problems;
}

namespace {

// The rows of one batch: staged, synced, renamed, one sync of the folder.
void writeBatch(const ImportTable& table, const QList<qsizetype>& rows, const QString& dataDir,
                ImportOutcome& outcome) {
    StagedFiles staged(dataDir);
    QList<qsizetype> stagedRows;
    for (const qsizetype r : rows) {
        const ImportRow& row = table.rows[r];
        try {
            staged.stage(sheetFilePath(dataDir, row.sheet.code),
                         responseFileBytes(row.sheet, decimalSeparator()));
            stagedRows.append(r);
        } catch (const OutputError& failure) {
            outcome.refused.append({row.row, QString(), writeFailure(failure)});
        }
    }
    qsizetype index = 0;
    QSet<qsizetype> failed;
    staged.placeEach([&](qsizetype i, const StagedFiles::Entry& entry) {
        failed.insert(i);
        outcome.refused.append(
            {table.rows[stagedRows[i]].row, QString(),
             writeFailure(OutputError(OutputError::Kind::CannotWrite, entry.path, entry.error))});
    });
    for (const StagedFiles::Entry& entry : staged.entries()) {
        if (!failed.contains(index++)) {
            outcome.written.append(entry.path);
            outcome.replaced += entry.existed ? 1 : 0;
        }
    }
}

void writeAll(const ImportTable& table, const QList<qsizetype>& rows, const QString& dataDir,
              ImportOutcome& outcome) {
    StagedFiles staged(dataDir);
    for (const qsizetype r : rows) {
        const ImportRow& row = table.rows[r];
        try {
            staged.stage(sheetFilePath(dataDir, row.sheet.code),
                         responseFileBytes(row.sheet, decimalSeparator()));
        } catch (const OutputError& failure) {
            outcome.refused.append({row.row, QString(), writeFailure(failure)});
            return; // the staged files go with `staged`
        }
    }
    try {
        placeAllOrNothing(staged);
    } catch (const OutputError& failure) {
        outcome.refused.append({0, QString(), writeFailure(failure)});
        return;
    }
    for (const StagedFiles::Entry& entry : staged.entries()) {
        outcome.written.append(entry.path);
        outcome.replaced += entry.existed ? 1 : 0;
    }
}

} // namespace

ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing) {
    ImportOutcome outcome;
    // An earlier import killed midway is ended before this one looks at the folder.
    outcome.recovered = interruptedImportText(recoverInterruptedImport(dataDir));
    outcome.refused = importProblems(table, dataDir, replace);
    if (allOrNothing && !outcome.refused.isEmpty())
        return outcome;
    QSet<int> refusedRows;
    for (const RowProblem& problem : outcome.refused)
        refusedRows.insert(problem.row);
    QList<qsizetype> rows;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (!refusedRows.contains(table.rows[r].row))
            rows.append(r);
    }
    if (rows.isEmpty())
        return outcome;
    if (!makePrivateFolder(dataDir))
        throw AnalysisError(QStringLiteral("Не удалось создать папку данных %1")
                                .arg(QDir::toNativeSeparators(dataDir)));
    outcome.warning = openFolderWarning(dataDir);
    if (allOrNothing) {
        writeAll(table, rows, dataDir, outcome);
        return outcome;
    }
    for (qsizetype start = 0; start < rows.size(); start += BatchSize)
        writeBatch(table, rows.mid(start, BatchSize), dataDir, outcome);
    return outcome;
}

} // namespace ezr
