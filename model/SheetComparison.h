#pragma once

#include "NormComparison.h"
#include "ResultSheet.h"

// The norm comparison of what the result sheet shows: the indices are read from the cells as
// shown, and the chi-squares, verdicts and captions are written back into the sheet.
namespace ezr {

NormComparisonInput normInputFrom(NormKind kind, const ResultSheet& sheet,
                                  const AnalysisRecord& data);
// Writes the chi-square cells, fields, colours and captions into the sheet and the
// chi-square arrays into the record.
void applyNormComparison(const NormComparison& result, ResultSheet& sheet, AnalysisRecord& data);

// Both steps on a sheet whose raw-score and percentage cells are filled.
void compareSheetWithNorm(NormKind kind, ResultSheet& sheet, AnalysisRecord& data);

} // namespace ezr
