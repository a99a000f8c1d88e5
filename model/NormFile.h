#pragma once

#include "Analysis.h"
#include "NormComparison.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A norm of one's own as a file: the group's mean percentage of every cell of the three
// profiles, its name, how its members were chosen and how many there were. Bytes in and out;
// where the files live is the caller's business.
namespace ezr {

// The group's own norm: each cell's mean percentage of the 108 answers, to 0.01. Throws
// AnalysisError when the group's answers do not make a norm that could be read back (a cell
// nobody chose). Items marked twice or left unanswered make sums above or below 100.
Norm normFromGroup(const AnalysisState& group, const QString& name, const QString& description);

// An examinee's earlier test as the norm a retest is compared with: the share of the 108
// answers in every cell, named "Обследование <test date>", one member. A cell the examinee
// left empty gets half an answer (the others are scaled down to keep 100 per cent), since
// the chi-square divides by the expected count.
Norm normFromExaminee(const AnalysisState& earlier);

// JSON, UTF-8, readable by people.
QByteArray normFileBytes(const Norm& norm);

// Throws AnalysisError naming the file and the problem: not a norm file, missing or
// non-finite values, a value <= 0 or >= 100 (the chi-square divides by it), percentages of
// a profile adding up to more than a group can reach (200: every item marked twice, plus
// the rounding of its cells to a tenth, 0.05 a cell), wrong cell counts.
Norm readNormFile(QByteArrayView bytes, const QString& fileName);

// What a norm file may hold at most: a real one has about two kilobytes.
inline constexpr qint64 MaxNormFileSize = qint64{1024} * 1024;

} // namespace ezr
