#pragma once

#include "Profiles.h"
#include "StatisticsMath.h"

#include <QList>

#include <array>
#include <optional>

// A group's cells as a sample of its members: each member's share of the 108 answers in
// every cell of the three profiles (as the grids show it), tested against a norm or against
// another group, with Holm's correction over the 36 cells.
namespace ezr {

struct AnalysisState;
struct ExamineeRecord;
struct GroupMoments;

inline constexpr int StatisticsCellCount = MotiveCount + Profile2Cells + Profile3Cells;
// One value per cell, in the order of the record: profile 1, 2, 3.
using CellValues = std::array<double, StatisticsCellCount>;

// The familywise level the corrected p values are read against.
inline constexpr double SignificanceLevel = 0.05;

// Every value of the three profiles, in cell order.
CellValues cellValues(const Profiles& profiles);
// The members' counts of answers in every cell, in listing order.
QList<CellValues> memberCounts(const QList<ExamineeRecord>& members);

// Every cell's sample of the members' percentages (count x 100 / 108). Summed as whole
// counts and scaled once, so that two groups with the same counts have exactly the same mean.
std::array<SampleSummary, StatisticsCellCount> cellSummaries(const QList<CellValues>& counts);

// The same from a group's sums of counts and of squared counts.
std::array<SampleSummary, StatisticsCellCount> cellSummaries(const GroupMoments& moments);

struct NormCellStatistics {
    SampleSummary sample;
    double norm = 0.0; // the norm's percentage
    std::optional<OneSampleTest> test;
    std::optional<double> adjustedP;
    bool differs() const { return adjustedP && *adjustedP < SignificanceLevel; }
};

struct NormStatistics {
    std::array<NormCellStatistics, StatisticsCellCount> cells;
    int members = 0;
    int tested() const; // cells with a test
};

// The group's cells (the members' counts) against the norm's percentages (one-sample
// t-tests).
NormStatistics groupAgainstNorm(const QList<CellValues>& counts, const CellValues& norm);
NormStatistics groupAgainstNorm(const std::array<SampleSummary, StatisticsCellCount>& cells,
                                const CellValues& norm);
// A group analysis against the norm it is compared with; nothing for an examinee.
std::optional<NormStatistics> groupNormStatistics(const AnalysisState& group);

struct GroupsCellStatistics {
    SampleSummary first, second;
    std::optional<WelchTest> test;
    std::optional<double> adjustedP;
    bool differs() const { return adjustedP && *adjustedP < SignificanceLevel; }
};

// How many members of each group lead with each motive (profile 1's largest cell; a member
// with several equal largest cells counts a share to each), and whether the two
// distributions differ.
struct LeadingMotives {
    std::array<std::array<double, MotiveCount>, 2> counts{};
    std::optional<HomogeneityTest> test;
};

struct GroupsStatistics {
    std::array<GroupsCellStatistics, StatisticsCellCount> cells;
    int firstMembers = 0, secondMembers = 0;
    // Absent when a group is known by its cells' summaries only (a saved norm).
    std::optional<LeadingMotives> leading;
    int tested() const;
};

// Welch's tests of every cell, first group minus second.
GroupsStatistics compareSummaries(const std::array<SampleSummary, StatisticsCellCount>& first,
                                  const std::array<SampleSummary, StatisticsCellCount>& second);
// The same from the members' counts, with the test of their leading motives.
GroupsStatistics compareGroups(const QList<CellValues>& first, const QList<CellValues>& second);

// The member's leading motive (of its counts) as shares that add up to 1.
std::array<double, MotiveCount> leadingMotiveShares(const CellValues& member);

} // namespace ezr
