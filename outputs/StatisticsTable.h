#pragma once

#include "ExamineeTable.h"
#include "GroupStatistics.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The group statistics as a table (the window's, the workbook's sheet, the CSV of
// ezr-report) with its notes, and what the printed report says of them in words.
namespace ezr {

// The 36 cells as the examinee table heads them: "П1 Преобразование", ..., "П3 Труд
// Достижение".
QStringList statisticsCellHeadings();

// The headings of the table of a group against a norm, and of two groups.
QStringList normStatisticsHeadings();
QStringList groupsStatisticsHeadings();

struct StatisticsReport {
    QString title;        // what is compared with what
    QString method;       // the test in words, for the printed report
    SheetTable table;     // a heading row, then one row per cell, numbers to six digits
    QList<bool> differs;  // per cell row: different after Holm's correction
    QStringList notes;    // what could not be computed, the test of the leading motives
    QStringList findings; // each differing cell in plain words
};

StatisticsReport statisticsReport(const NormStatistics& statistics, const QString& normName);
StatisticsReport statisticsReport(const GroupsStatistics& statistics, const QString& firstName,
                                  const QString& secondName);

// The group of the analysis against its norm: cell by cell against the norm's percentages, or,
// when the norm was saved with its members' spread, as against that group (Welch). Nothing
// for an examinee.
std::optional<StatisticsReport> groupStatisticsReport(const AnalysisState& state);

// An examinee against a norm saved with its members' spread: every cell's percentage, the
// norm's N, mean and SD, the T-score and the percentile rank. Nothing otherwise.
std::optional<StatisticsReport> examineeStandingReport(const AnalysisState& state);
QStringList standingHeadings();

// The table as CSV: ";" between fields (the headings are fixed), numbers with the regional
// decimal separator, UTF-8 with a byte-order mark, CR LF.
QByteArray statisticsCsv(const StatisticsReport& report);
// The table as an SPSS or Stata file: one case per cell, variables cell, n, mean, ... named
// in short ASCII and labelled with the headings; the file label is the title.
QByteArray statisticsDataFile(const StatisticsReport& report, ReportFormat format);

// The table as a workbook sheet "Статистика", the notes below it.
SheetTable statisticsSheet(const StatisticsReport& report);

} // namespace ezr
