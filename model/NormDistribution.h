#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// How the members of the group a norm was saved from spread over each cell: enough to compare
// another group with it as with a group (Welch), and to place one examinee among its members
// (T-score, percentile rank).
namespace ezr {

struct GroupMoments;

inline constexpr int NormCellCount = 36; // profile 1, 2, 3 in the order of the record

struct CellDistribution {
    int n = 0;
    double mean = 0.0;    // percent of the 108 answers
    double sd = 0.0;      // percent, n - 1 in the divisor
    QList<int> histogram; // members with 0, 1, 2, ... answers in the cell
    friend bool operator==(const CellDistribution&, const CellDistribution&) = default;
};

struct NormDistribution {
    std::array<CellDistribution, NormCellCount> cells;
    friend bool operator==(const NormDistribution&, const NormDistribution&) = default;
};

// The group's spread; nothing for a group of fewer than two members.
std::optional<NormDistribution> distributionOf(const GroupMoments& moments);

// The norm file's "distribution": one object a cell.
QJsonArray distributionJson(const NormDistribution& distribution);
// Throws AnalysisError naming `fileName` when the array is not a distribution of
// `memberCount` members.
NormDistribution readDistribution(const QJsonValue& value, int memberCount,
                                  const QString& fileName);

// One examinee's cell among the norm's members: the T-score 50 + 10 z (nothing when the
// members did not vary) and the percentile rank by mid-rank, (below + half of equal) / N.
struct CellStanding {
    double percent = 0.0;
    std::optional<double> tScore;
    double percentile = 0.0;
};
std::array<CellStanding, NormCellCount> standings(const std::array<double, NormCellCount>& counts,
                                                  const NormDistribution& distribution);

} // namespace ezr
