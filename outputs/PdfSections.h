#pragma once

#include "Analysis.h"
#include "PdfPageFlow.h"
#include "ResultSheet.h"

#include <QList>
#include <QString>

// Sections of the printed report that say in words what the numbers and colours show: who a
// group is, what stands out against the norm, how the examinee answered and whether the
// answers can be trusted.
namespace ezr::pdf {

// One value coloured beyond the norm, in words with its value and the norm's.
struct StandOutEntry {
    QString text;
    QString explanation; // what the window shows for it; empty when none
};
struct StandOutGroup {
    QString title;
    QList<StandOutEntry> entries;
};

// Every value the report colours beyond the norm (cells, profiles, indices), judged by the
// verdicts the sheet colours with; a group with no entry is left out.
QList<StandOutGroup> standOutGroups(const AnalysisState& state, const ResultSheet& sheet);

// "Что выделяется" with those entries, or a line saying that nothing stands out.
void printStandOuts(PageFlow& flow, const AnalysisState& state, const ResultSheet& sheet);

// A group's heading lines: its composition, the days of its tests, its norm, how its
// members were chosen and the day of the analysis.
QStringList groupHeadingLines(const AnalysisState& state);

// "Достоверность ответов": an examinee's verdict, or a group's members whose answers ask for
// a look (kept or left out). Nothing for a group where nobody's do.
void printQualityVerdict(PageFlow& flow, const AnalysisState& state);

// A page of its own for an examinee's answer times: the times in plain words, the chart as
// large as the page allows, what its points and lines mean, and the answer-quality figures.
void printAnswerTimePage(QPainter& painter, PageFlow& flow, const AnalysisState& state);

} // namespace ezr::pdf
