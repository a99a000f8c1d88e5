#pragma once

#include <QString>

#include <array>

// The motive names of the grids and the explanations the information area shows.
namespace ezr {

// Padded with trailing blanks to 14 characters.
extern const std::array<QString, 6> MotiveNames;

// Each description is held as pieces that are shown joined.
using TextPieces = std::array<QString, 2>;
extern const std::array<TextPieces, 6> MotiveTexts;      // by Motive
extern const std::array<TextPieces, 2> OrientationTexts; // by Orientation
extern const std::array<QString, 3> StimulusText;
extern const std::array<QString, 5> InclusionText;
extern const std::array<QString, 4> InnovationText;

template <std::size_t N> QString joinPieces(const std::array<QString, N>& pieces) {
    QString text;
    for (const QString& piece : pieces)
        text += piece;
    return text;
}

} // namespace ezr
