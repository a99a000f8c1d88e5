#pragma once

#include "Profiles.h"
#include "ShownValues.h"

#include <QString>

#include <array>
#include <cstdint>

namespace ezr {

// 1 sex, 2 education, 3 satisfaction.
enum class NormKind : std::uint8_t { Sex = 1, Education = 2, Satisfaction = 3 };

// Row 0..5 of the norm tables for the kind and the header texts (exact, case-sensitive).
int normRow(NormKind kind, const QString& sex, const QString& education);

struct ProfileVerdict {
    double x2 = 0.0;
    double critical = 0.0;
    Verdict verdict = Verdict::None;
};

struct IndexVerdict {
    double value = 0.0;
    Verdict verdict = Verdict::None;
};

// A comparison of one set of raw profiles with one norm row.
struct NormComparison {
    NormKind kind = NormKind::Sex;
    int row = 0;
    Profiles chi;                           // the cell chi-squares
    std::array<ProfileVerdict, 3> profiles; // profile 1, 2, 3
    IndexVerdict inclusion, innovation;
};

// The verdicts: a profile chi-square beyond its critical value only when greater; the
// indices as shown with one decimal, inclusion within from 0, innovation from 17.2 per cent.
Verdict profileSignificance(double x2, double critical);
// A single cell's chi-square: at most 3.84 within the norm.
Verdict cellSignificance(double chi);
Verdict inclusionVerdict(double index);
Verdict innovationVerdict(double index);

// The critical value of a single cell's chi-square.
double cellCritical();

// Compares the raw profiles with row `row` of the norm tables. The indices are computed from
// the scores and percentages as an analysis of `shown` kind shows them in its grids.
NormComparison compareWithNorm(NormKind kind, int row, const Profiles& raw, AnalysisKind shown);

} // namespace ezr
