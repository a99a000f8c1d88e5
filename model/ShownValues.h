#pragma once

#include "Domain.h"

// The two places where a result depends on how the numbers are shown: the indices are
// computed from the values as the grids round them, and a cell's colour is judged on the
// chi-square it shows. Both are functions of the numbers and the display format, so every
// output gets the same answer without reading any text back.
namespace ezr {

// What the window shows: nothing yet, one examinee, or a group's means.
enum class AnalysisKind { None, Individual, Group };

// How a result field is judged: not yet, within the norm (green), beyond it (maroon).
enum class Verdict { None, WithinNorm, BeyondNorm };

// The colour a verdict is shown in: green within the norm, maroon beyond, black unjudged.
constexpr Rgb verdictRgb(Verdict verdict) {
    switch (verdict) {
    case Verdict::WithinNorm:
        return GreenRgb;
    case Verdict::BeyondNorm:
        return MaroonRgb;
    case Verdict::None:
        break;
    }
    return Rgb{0, 0, 0};
}

// Decimals of the count and raw-score cells: whole numbers for an examinee, one decimal for
// a group's means. Percentages and chi-squares always show one decimal.
int scoreDecimals(AnalysisKind kind);
inline constexpr int PercentDecimals = 1;
inline constexpr int ChiDecimals = 1;

// A count or raw score as its cell shows it (a whole number rounds half to even).
double shownScore(double value, AnalysisKind kind);
// A value shown with one decimal (percentages, chi-squares, indices).
double shownOneDecimal(double value);

// A cell chi-square's colour, judged on the value the cell shows.
Verdict shownCellVerdict(double chi);

} // namespace ezr
