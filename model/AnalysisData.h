#pragma once

#include "Profiles.h"

#include <QString>

#include <array>
#include <cstdint>

namespace ezr {

struct MarkPair {
    std::int32_t resultative = 0;
    std::int32_t procedural = 0;
    friend bool operator==(const MarkPair&, const MarkPair&) = default;
};

// One examinee as read and scored; for a group, the scores hold the members' means.
struct AnalysisRecord {
    std::array<std::array<MarkPair, ItemsPerStimulus>, StimulusCount> answers{};
    std::array<double, ItemCount> answerTimes{};
    double meanTime = 0.0;
    double sdTime = 0.0;
    Scores scores;
    std::array<QString, 4> timingLines;
};

// Item numbers run 1..108 in file order.
constexpr Stimulus itemStimulus(int item) {
    return static_cast<Stimulus>((item - 1) / ItemsPerStimulus);
}
constexpr int itemPosition(int item) {
    return (item - 1) % ItemsPerStimulus + 1;
}

inline constexpr char DataKey[] = "quorta";

} // namespace ezr
