#include "Scoring.h"

namespace ezr {

namespace {
constexpr Motive T = Motive::Transformation;
constexpr Motive C = Motive::Communication;
constexpr Motive U = Motive::Utilitarian;
constexpr Motive K = Motive::Cooperation;
constexpr Motive P = Motive::Competition;
constexpr Motive A = Motive::Achievement;
} // namespace

const std::array<ScoringKeyRow, 36> ScoringKey = {{
    {U, U}, {C, C}, {T, T}, {K, K}, {P, P}, {A, A}, // 1-6: both statements of one motive
    {T, C}, {C, U}, {U, K}, {K, P}, {P, A}, {A, P}, // 7-12
    {T, U}, {C, K}, {U, P}, {K, A}, {P, K}, {A, T}, // 13-18
    {T, A}, {C, T}, {U, C}, {K, U}, {A, K}, {P, T}, // 19-24
    {C, P}, {T, K}, {U, T}, {A, C}, {P, U}, {T, P}, // 25-30
    {C, A}, {K, T}, {P, C}, {A, U}, {U, A}, {K, C}, // 31-36
}};

void scoreAnswers(AnalysisRecord& data) {
    for (int s = 0; s < StimulusCount; ++s) {
        for (int j = 0; j < ItemsPerStimulus; ++j) {
            const MarkPair& pair =
                data.answers[static_cast<std::size_t>(s)][static_cast<std::size_t>(j)];
            const ScoringKeyRow& row = ScoringKey[static_cast<std::size_t>(j)];
            if (pair.resultative == 1)
                ++data.scores.motiveCounts[static_cast<std::size_t>(
                    motiveCountIndex(row.resultative, Stimulus(s), Orientation::Resultative))];
            if (pair.procedural == 1)
                ++data.scores.motiveCounts[static_cast<std::size_t>(
                    motiveCountIndex(row.procedural, Stimulus(s), Orientation::Procedural))];
        }
    }
    const auto count = [&](int index) {
        return data.scores.motiveCounts[static_cast<std::size_t>(index)];
    };
    for (int m = 0; m < MotiveCount; ++m) {
        double total = 0;
        for (int k = 0; k < 6; ++k)
            total += count(m * 6 + k);
        data.scores.raw.profile1[static_cast<std::size_t>(m)] = total;
        for (int o = 0; o < OrientationCount; ++o) {
            const int cell = o * 6 + m;
            data.scores.raw.profile2[static_cast<std::size_t>(cell)] =
                count(m * 6 + o) + count(m * 6 + 2 + o) + count(m * 6 + 4 + o);
        }
        for (int s = 0; s < StimulusCount; ++s) {
            const int cell = s * 6 + m;
            data.scores.raw.profile3[static_cast<std::size_t>(cell)] =
                count(m * 6 + s * 2) + count(m * 6 + s * 2 + 1);
        }
    }
}

} // namespace ezr
