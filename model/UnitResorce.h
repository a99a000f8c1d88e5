#pragma once

#include <QString>

#include <array>

// The program's constant tables and texts.
namespace ezr {

// Indexed by NormKind - 1.
extern const std::array<QString, 3> NormKindNames;
// [row][profile]: rows 0-2 the norm kinds (sex, education, satisfaction) with the profile
// critical values; row 3 the single-cell value, repeated.
extern const std::array<std::array<double, 3>, 4> ChiCritical;
// [NormGroup][cell]: expected percentage of the 108 answers in that cell.
extern const std::array<std::array<double, 6>, 6> Norms1;
extern const std::array<std::array<double, 12>, 6> Norms2;
extern const std::array<std::array<double, 18>, 6> Norms3;

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
