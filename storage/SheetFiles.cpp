#include "SheetFiles.h"

#include "AnalysisError.h"
#include "Regional.h"
#include "ResponseWriter.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QFileInfo>

namespace ezr {

QString sheetFilePath(const QString& dataDir, const QString& code) {
    return QDir(dataDir).filePath(responseFileNameFor(code));
}

void writeAnswerSheet(const QString& path, const AnswerSheet& sheet) {
    writeFileVerified(path, canonicalResponseBytes(sheet));
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
    if (problems.isEmpty() && !replace && QFileInfo::exists(sheetFilePath(dataDir, row.sheet.code)))
        problems.append({CodeColumn, QStringLiteral("файл «%1» уже есть в папке данных")
                                         .arg(responseFileNameFor(row.sheet.code))});
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

ImportOutcome importRows(const ImportTable& table, const QString& dataDir, bool replace,
                         bool allOrNothing, RefusedRows refused) {
    ImportOutcome outcome;
    outcome.refused = refused;
    if (!table.headingProblems().isEmpty() || allOrNothing) {
        importProblems(table, dataDir, replace, outcome.refused);
        if (!outcome.refused.isEmpty())
            return outcome;
    }
    if (!QDir().mkpath(dataDir))
        throw AnalysisError(QStringLiteral("Cannot create directory %1").arg(dataDir));
    for (const ImportRow& row : table.rows()) {
        const QList<SheetProblem> problems = importRowProblems(row, dataDir, replace);
        if (!problems.isEmpty()) {
            outcome.refused.add(row.row, problems);
            continue;
        }
        const QString path = sheetFilePath(dataDir, row.sheet.code);
        const bool existed = QFileInfo::exists(path);
        try {
            writeAnswerSheet(path, row.sheet);
        } catch (const AnalysisError& failure) {
            outcome.refused.add(row.row, {{CodeColumn, failure.message()}});
            continue;
        }
        outcome.written.append(path);
        outcome.replaced += existed ? 1 : 0;
    }
    return outcome;
}

} // namespace ezr
