#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace ezr {

// The numeric values are array positions everywhere; the orders are fixed.
enum class Stimulus : int { Money = 0, Team = 1, Work = 2 };
enum class Motive : int {
    Transformation = 0,
    Communication = 1,
    Utilitarian = 2,
    Cooperation = 3,
    Competition = 4,
    Achievement = 5
};
enum class Orientation : int { Resultative = 0, Procedural = 1 };

inline constexpr int ItemCount = 108;
inline constexpr int ItemsPerStimulus = 36;
inline constexpr int StimulusCount = 3;
inline constexpr int MotiveCount = 6;
inline constexpr int OrientationCount = 2;

struct MarkPair {
    std::int32_t ResultativeMark = 0;
    std::int32_t ProceduralMark = 0;
    friend bool operator==(const MarkPair&, const MarkPair&) = default;
};

// One analysis: one examinee, or the mean of a group.
struct AnalysisRecord {
    std::array<std::array<MarkPair, ItemsPerStimulus>, StimulusCount> Answers{};
    std::array<double, ItemCount> AnswerTimes{};
    double MeanTime = 0.0;
    double SdTime = 0.0;
    std::array<std::int32_t, 36> MotiveCounts{};
    std::array<double, 6> Profile1Raw{};
    std::array<double, 6> Profile1Chi{};
    std::array<double, 12> Profile2Raw{};
    std::array<double, 12> Profile2Chi{};
    std::array<double, 18> Profile3Raw{};
    std::array<double, 18> Profile3Chi{};
    std::array<QString, 4> TimingLines;
};

constexpr int motiveCountIndex(Motive m, Stimulus s, Orientation o) {
    return static_cast<int>(m) * 6 + static_cast<int>(s) * 2 + static_cast<int>(o);
}
constexpr int profile2Index(Orientation o, Motive m) {
    return static_cast<int>(o) * 6 + static_cast<int>(m);
}
constexpr int profile3Index(Stimulus s, Motive m) {
    return static_cast<int>(s) * 6 + static_cast<int>(m);
}
// Item numbers run 1..108 in file order.
constexpr Stimulus itemStimulus(int item) {
    return static_cast<Stimulus>((item - 1) / 36);
}
constexpr int itemPosition(int item) {
    return (item - 1) % 36 + 1;
}

// A percentage is never stored: it is always the share of all 108 answers.
constexpr double percentOfAnswers(double raw) {
    return raw * 100.0 / 108.0;
}

// The executable's directory, with a trailing separator.
extern QString ExeDir;
inline constexpr char DataKey[] = "quorta";

// Sets ExeDir from the running executable's directory.
void initExeDir();

} // namespace ezr
