#pragma once

#include "ExamineeTable.h"

#include <QStringList>
#include <QVariant>

#include <array>
#include <memory>

// What the examinee table's own files share: the columns and cells (ExamineeTable.cpp), the
// CSV writer (CsvTable.cpp) and the group's summary sheet (GroupSummaryTable.cpp).
namespace ezr {

// The motives' names as table headings, without the padding of the report's columns.
QStringList tableMotiveNames();

// A text cell; an empty text is an empty cell.
QVariant tableTextCell(QStringView text);

// A row's numbers as computed, before the table files' rounding: the CSV writes its own
// six significant digits from them.
std::array<double, ExamineeNumberColumns> examineeComputedNumbers(const ExamineeScores& examinee,
                                                                  const Norm& norm);

// The examinee table written as CSV in the regional separators.
std::unique_ptr<ExamineeTableWriter> csvTableWriter(ByteSink& sink, const Norm& norm);

} // namespace ezr
