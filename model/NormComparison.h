#pragma once

#include "NormDistribution.h"
#include "Profiles.h"
#include "ShownValues.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace ezr {

// 1 sex, 2 education, 3 satisfaction: the stored norm groups; 4 a norm the user saved from a
// group of their own.
enum class NormKind : std::uint8_t { Sex = 1, Education = 2, Satisfaction = 3, Own = 4 };

// Row 0..5 of the norm tables for the kind and the header texts (exact, case-sensitive).
int normRow(NormKind kind, const QString& sex, const QString& education);

// What an analysis is compared with: the expected percentage of the 108 answers in every cell
// of the three profiles, and where those percentages come from.
struct Norm {
    NormKind kind = NormKind::Sex;
    int row = 0; // the row of the norm tables; -1 for a norm of one's own
    Profiles percent;
    // A norm of one's own: its name, how its members were chosen and how many there were.
    QString name;
    QString description;
    int memberCount = 0;
    // A norm saved from a group: how its members spread over each cell.
    std::optional<NormDistribution> distribution = std::nullopt;
    friend bool operator==(const Norm&, const Norm&) = default;
};

// Row 0..5 of the norm tables (the kind follows from the row).
Norm storedNorm(int row);
// The stored row the kind and the header texts choose.
Norm storedNorm(NormKind kind, const QString& sex, const QString& education);

// The norm group in words: "мужчины", "женщины", "высшее образование", "среднее образование",
// "удовлетворенность", or an own norm's "name (N = 48)".
QString normGroupName(const Norm& norm);
// What the "Нормирование" field shows: the kind's name ("Пол", ...) or an own norm's name.
QString normTitle(const Norm& norm);

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
    Norm norm = storedNorm(0);
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

// The least value of each index that is within its norm, as its verdict judges it.
double inclusionNormValue();
double innovationNormValue();

// The critical value of a single cell's chi-square.
double cellCritical();

// Compares the raw profiles with the norm. The indices are computed from the scores and
// percentages as an analysis of `shown` kind shows them in its grids.
NormComparison compareWithNorm(const Norm& norm, const Profiles& raw, AnalysisKind shown);

} // namespace ezr
