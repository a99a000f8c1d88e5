#pragma once

#include "Analysis.h"

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
// example "Норма: Пол, Женский; 2024-05-17", in at most `byteLimit` bytes of UTF-8: the date
// stays whole and the norm's name is cut between characters when it is too long.
QString statisticsFileLabel(const NormComparison& comparison, const QDate& analysed,
                            qsizetype byteLimit);

// The bytes a file label may take: 64 in an SPSS file, 80 in a Stata file.
qsizetype statisticsLabelBytes(StatisticsFormat format);

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

// Reads a file's header, variables and values with ReadStat. Throws AnalysisError when
// ReadStat refuses it.
StatisticsFileSummary readStatisticsFile(QByteArrayView bytes, StatisticsFormat format);

} // namespace ezr
