#include "SheetFiles.h"

#include "AnalysisError.h"
#include "Regional.h"
#include "ResponseWriter.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace ezr {

QString sheetFilePath(const QString& dataDir, const QString& code) {
    return QDir(dataDir).filePath(responseFileNameFor(code));
}

void writeAnswerSheet(const QString& path, const AnswerSheet& sheet) {
    writeFileVerified(path, responseFileBytes(sheet, decimalSeparator()));
}

QList<RowProblem> importProblems(const ImportTable& table, const QString& dataDir, bool replace) {
    QList<RowProblem> problems;
    for (const SheetProblem& problem : table.headingProblems)
        problems.append({1, problem.column, problem.reason});
    for (const ImportRow& row : table.rows) {
        for (const SheetProblem& problem : row.problems)
            problems.append({row.row, problem.column, problem.reason});
        if (!row.problems.isEmpty() || replace)
            continue;
        const QString path = sheetFilePath(dataDir, row.sheet.code);
        if (QFileInfo::exists(path))
            problems.append({row.row, CodeColumn,
                             QStringLiteral("файл «%1» уже есть в папке данных")
                                 .arg(responseFileNameFor(row.sheet.code))});
    }
    return problems;
}

ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing) {
    ImportOutcome outcome;
    outcome.refused = importProblems(table, dataDir, replace);
    if (allOrNothing && !outcome.refused.isEmpty())
        return outcome;
    QSet<int> refusedRows;
    for (const RowProblem& problem : outcome.refused)
        refusedRows.insert(problem.row);
    if (!table.rows.isEmpty() && !QDir().mkpath(dataDir))
        throw AnalysisError(QStringLiteral("Cannot create directory %1").arg(dataDir));
    for (const ImportRow& row : table.rows) {
        if (refusedRows.contains(row.row))
            continue;
        const QString path = sheetFilePath(dataDir, row.sheet.code);
        const bool existed = QFileInfo::exists(path);
        try {
            writeAnswerSheet(path, row.sheet);
        } catch (const AnalysisError& failure) {
            outcome.refused.append({row.row, CodeColumn, failure.message()});
            continue;
        }
        outcome.written.append(path);
        outcome.replaced += existed ? 1 : 0;
    }
    return outcome;
}

} // namespace ezr
