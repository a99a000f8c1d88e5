#pragma once

#include <array>

// The numbers a scored questionnaire consists of, sized by the questionnaire's structure.
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
// Counts per motive, stimulus and orientation; cells of profile 2 and profile 3.
inline constexpr int MotiveCountCells = MotiveCount * StimulusCount * OrientationCount;
inline constexpr int Profile2Cells = OrientationCount * MotiveCount;
inline constexpr int Profile3Cells = StimulusCount * MotiveCount;

// One value per cell of each of the three profiles: raw scores (whole for an examinee, means
// for a group) or cell chi-squares.
struct Profiles {
    std::array<double, MotiveCount> profile1{};
    std::array<double, Profile2Cells> profile2{};
    std::array<double, Profile3Cells> profile3{};
    friend bool operator==(const Profiles&, const Profiles&) = default;
};

// What scoring gives: the 36 counts (index motiveCountIndex) and the three raw profiles.
struct Scores {
    std::array<double, MotiveCountCells> motiveCounts{};
    Profiles raw;
    friend bool operator==(const Scores&, const Scores&) = default;
};

constexpr int motiveCountIndex(Motive m, Stimulus s, Orientation o) {
    return static_cast<int>(m) * StimulusCount * OrientationCount +
           static_cast<int>(s) * OrientationCount + static_cast<int>(o);
}
constexpr int profile2Index(Orientation o, Motive m) {
    return static_cast<int>(o) * MotiveCount + static_cast<int>(m);
}
constexpr int profile3Index(Stimulus s, Motive m) {
    return static_cast<int>(s) * MotiveCount + static_cast<int>(m);
}

// A percentage is never stored: it is always the share of all 108 answers.
constexpr double percentOfAnswers(double raw) {
    return raw * 100.0 / ItemCount;
}

} // namespace ezr
