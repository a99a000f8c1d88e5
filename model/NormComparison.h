#pragma once

#include "AnalysisData.h"
#include "ResultSheet.h"

#include <cstdint>

namespace ezr {

// 1 sex, 2 education, 3 satisfaction.
enum class NormKind : std::uint8_t { Sex = 1, Education = 2, Satisfaction = 3 };

// Row 0..5 of the norm tables for the kind and the header texts (exact, case-sensitive).
int normGroup(NormKind kind, const QString& sex, const QString& education);

struct ProfileVerdict {
    double x2 = 0.0;
    double critical = 0.0;
    Verdict verdict = Verdict::None;
    QString text;    // fixed 2 decimals after rounding to 5 significant digits
    QString caption; // "[X2(профиль)кр. = ...]"
};

struct IndexVerdict {
    double value = 0.0;
    Verdict verdict = Verdict::None;
    QString text; // one decimal
};

struct NormComparisonInput {
    NormKind kind = NormKind::Sex;
    QString sex;
    QString education;
    std::array<double, 6> profile1{};
    std::array<double, 12> profile2{};
    std::array<double, 18> profile3{};
    // The displayed cells the indices are read back from.
    QString cooperationScore;    // motive grid, column "балл.", Cooperation row
    QString utilitarianScore;    // motive grid, column "балл.", Utilitarian row
    QString roTransformationPct; // orientation grid, percentage row, column 1
    QString roAchievementPct;    // orientation grid, percentage row, column 6
};

struct NormComparison {
    QString normName;
    int normGroup = 0;
    std::array<double, 6> chi1{};
    std::array<double, 12> chi2{};
    std::array<double, 18> chi3{};
    ProfileVerdict profile1, profile2, profile3;
    IndexVerdict inclusion, innovation;
};

// The verdicts: a profile chi-square beyond its critical value only when greater; the
// indices as shown with one decimal, inclusion within from 0, innovation from 17.2 per cent.
Verdict profileSignificance(double x2, double critical);
// A single cell's chi-square as the grids show it: at most 3.84 within the norm.
Verdict cellSignificance(double chi);
Verdict inclusionVerdict(double index);
Verdict innovationVerdict(double index);

// The arithmetic of the comparison; throws AnalysisError when an index cell is not a number.
NormComparison computeNormComparison(const NormComparisonInput& input);

} // namespace ezr
