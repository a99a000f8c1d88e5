#pragma once

#include <QString>

#include <array>

// The stored norm groups and the critical values the comparison judges by.
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

} // namespace ezr
