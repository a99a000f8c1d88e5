#pragma once

#include "Analysis.h"
#include "ExamineeTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

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

// What a statistics file must know before its first case: how many cases it holds and how
// wide each text column is stored (the widest text in UTF-8 bytes and in characters, by
// column of examineeColumns()). A group's table is measured in a first pass over its members.
struct StatisticsLayout {
    qint64 cases = 0;
    QList<qsizetype> textBytes;
    QList<int> textChars;
};

// A table writer that writes nothing and measures the rows it is given into `layout`.
std::unique_ptr<ExamineeTableWriter> statisticsLayoutMeter(StatisticsLayout& layout,
                                                           const Norm& norm);

// The file written a case at a time as the rows come: ReadStat writes it into a temporary
// file, which its reader reads back (cases and variables counted, names compared) when the
// table is finished, before a byte reaches `sink`. The rows must be those `layout` measured.
// Throws AnalysisError when the file cannot be made or does not read back as written.
std::unique_ptr<ExamineeTableWriter>
statisticsTableWriter(StatisticsFormat format, ByteSink& sink, const Norm& norm,
                      const StatisticsLayout& layout,
                      const QDateTime& analysed = QDateTime::currentDateTime());

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
