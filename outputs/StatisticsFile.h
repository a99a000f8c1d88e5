#pragma once

#include "Analysis.h"
#include "ExamineeTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The examinee table as a data file of a statistics program: one case per examinee in
// listing order, one variable per column of the table (examineeColumns()), labelled with the
// column's heading.
namespace ezr {

enum class StatisticsFormat {
    Spss, // SPSS system file (.sav), UTF-8
    Stata // Stata 14 and later (.dta version 118), UTF-8
};

// The file's extension without the dot: "sav" or "dta".
QString statisticsExtension(StatisticsFormat format);

// The file label: the norm the table is compared with and the day of the analysis, for
// example "Норма: Пол, Женский; 2024-05-17". Short enough for an SPSS label (64 bytes).
QString statisticsFileLabel(const NormComparison& comparison, const QDate& analysed);

// What ReadStat reads back from a file.
struct StatisticsFileSummary {
    qint64 cases = 0;       // the cases the data hold
    qint64 headerCases = 0; // the count the file's header gives
    QString label;
    QList<QByteArray> names;
    QStringList labels;
    qint64 values = 0; // every value read
};

// The file's bytes, made through ReadStat and read back by ReadStat's own reader: the cases
// and variables counted and the names compared before the bytes are handed on. Throws
// AnalysisError when the file cannot be made or does not read back as written.
QByteArray buildStatisticsFile(const AnalysisState& state, StatisticsFormat format,
                               const QDateTime& analysed = QDateTime::currentDateTime());

// Any table of `columns` (variables) and `rows` (cases, cells in column order) as such a file,
// written and read back the same way.
QByteArray buildTableFile(const QList<ExamineeColumn>& columns, const QList<TableRow>& rows,
                          const QString& label, StatisticsFormat format,
                          const QDateTime& analysed = QDateTime::currentDateTime());

// Reads a file's header, variables and values with ReadStat. Throws AnalysisError when
// ReadStat refuses it.
StatisticsFileSummary readStatisticsFile(QByteArrayView bytes, StatisticsFormat format);

} // namespace ezr
