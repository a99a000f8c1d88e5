#include "GroupStatistics.h"

#include "Analysis.h"

#include <algorithm>
#include <cmath>

namespace ezr {

namespace {

template <std::size_t N> double* copied(double* out, const std::array<double, N>& values) {
    return std::copy(values.begin(), values.end(), out);
}

template <class Cells> int countTested(const Cells& cells) {
    return int(std::count_if(cells.begin(), cells.end(),
                             [](const auto& cell) { return cell.test.has_value(); }));
}

// Holm over the cells' p values, into each cell's adjustedP.
template <class Cells> void adjust(Cells& cells) {
    QList<std::optional<double>> p;
    for (const auto& cell : cells)
        p.append(cell.test ? std::optional(cell.test->p) : std::nullopt);
    const QList<std::optional<double>> adjusted = holmAdjusted(p);
    for (std::size_t c = 0; c < cells.size(); ++c)
        cells[c].adjustedP = adjusted[qsizetype(c)];
}

} // namespace

CellValues cellValues(const Profiles& profiles) {
    CellValues values{};
    copied(copied(copied(values.data(), profiles.profile1), profiles.profile2), profiles.profile3);
    return values;
}

QList<CellValues> memberCounts(const QList<ExamineeRecord>& members) {
    QList<CellValues> counts;
    counts.reserve(members.size());
    for (const ExamineeRecord& member : members)
        counts.append(cellValues(member.results.scores.raw));
    return counts;
}

std::array<SampleSummary, StatisticsCellCount> cellSummaries(const QList<CellValues>& members) {
    std::array<SampleSummary, StatisticsCellCount> summaries;
    QList<double> column(members.size());
    for (int c = 0; c < StatisticsCellCount; ++c) {
        for (qsizetype m = 0; m < members.size(); ++m)
            column[m] = members[m][std::size_t(c)];
        SampleSummary summary = summarize(column);
        summary.mean = percentOfAnswers(summary.mean);
        summary.sd = percentOfAnswers(summary.sd);
        summaries[std::size_t(c)] = summary;
    }
    return summaries;
}

std::array<SampleSummary, StatisticsCellCount> cellSummaries(const GroupMoments& moments) {
    const CellValues sums = cellValues(moments.sums), squares = cellValues(moments.squares);
    const int n = moments.members;
    std::array<SampleSummary, StatisticsCellCount> summaries;
    for (std::size_t c = 0; c < summaries.size(); ++c) {
        SampleSummary& summary = summaries[c];
        summary.n = n;
        if (n == 0)
            continue;
        summary.mean = percentOfAnswers(sums[c] / n);
        // Whole counts: the sum of squared deviations is exact, and zero for a constant cell.
        const double deviations = squares[c] - sums[c] * sums[c] / n;
        if (n > 1 && deviations > 0.0)
            summary.sd = percentOfAnswers(std::sqrt(deviations / (n - 1)));
    }
    return summaries;
}

int NormStatistics::tested() const {
    return countTested(cells);
}

int GroupsStatistics::tested() const {
    return countTested(cells);
}

NormStatistics groupAgainstNorm(const QList<CellValues>& counts, const CellValues& norm) {
    return groupAgainstNorm(cellSummaries(counts), norm);
}

std::optional<NormStatistics> groupNormStatistics(const AnalysisState& group) {
    if (group.kind != AnalysisKind::Group)
        return std::nullopt;
    return groupAgainstNorm(cellSummaries(group.moments),
                            cellValues(group.comparison.norm.percent));
}

NormStatistics groupAgainstNorm(const std::array<SampleSummary, StatisticsCellCount>& summaries,
                                const CellValues& norm) {
    NormStatistics statistics;
    statistics.members = summaries.front().n;
    for (std::size_t c = 0; c < summaries.size(); ++c) {
        NormCellStatistics& cell = statistics.cells[c];
        cell.sample = summaries[c];
        cell.norm = norm[c];
        cell.test = oneSampleTTest(cell.sample, cell.norm);
    }
    adjust(statistics.cells);
    return statistics;
}

GroupsStatistics compareSummaries(const std::array<SampleSummary, StatisticsCellCount>& first,
                                  const std::array<SampleSummary, StatisticsCellCount>& second) {
    GroupsStatistics statistics;
    statistics.firstMembers = first.front().n;
    statistics.secondMembers = second.front().n;
    for (std::size_t c = 0; c < first.size(); ++c) {
        GroupsCellStatistics& cell = statistics.cells[c];
        cell.first = first[c];
        cell.second = second[c];
        cell.test = welchTTest(cell.first, cell.second);
    }
    adjust(statistics.cells);
    return statistics;
}

std::array<double, MotiveCount> leadingMotiveShares(const CellValues& member) {
    const auto begin = member.begin();
    const double largest = *std::max_element(begin, begin + MotiveCount);
    std::array<double, MotiveCount> shares{};
    const auto tied = std::count(begin, begin + MotiveCount, largest);
    for (int m = 0; m < MotiveCount; ++m)
        if (member[std::size_t(m)] == largest)
            shares[std::size_t(m)] = 1.0 / double(tied);
    return shares;
}

GroupsStatistics compareGroups(const QList<CellValues>& first, const QList<CellValues>& second) {
    GroupsStatistics statistics = compareSummaries(cellSummaries(first), cellSummaries(second));
    LeadingMotives leading;
    const std::array<const QList<CellValues>*, 2> groups{&first, &second};
    QList<QList<double>> table;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (const CellValues& member : *groups[g]) {
            const auto shares = leadingMotiveShares(member);
            for (std::size_t m = 0; m < shares.size(); ++m)
                leading.counts[g][m] += shares[m];
        }
        table.append(QList<double>(leading.counts[g].begin(), leading.counts[g].end()));
    }
    leading.test = homogeneityTest(table);
    statistics.leading = leading;
    return statistics;
}

} // namespace ezr
