#pragma once

#include <optional>

// What the user has set for the outputs of a group, kept for later runs in the program's
// settings file beside the remembered data folder.
namespace ezr {

// "Без Ф.И.О.": group outputs list members by code only.
bool anonymousOutputs();
void setAnonymousOutputs(bool anonymous);

// The fewest members a group output may have; nothing when group outputs are not limited.
std::optional<int> minimumGroupSize();
void setMinimumGroupSize(std::optional<int> minimum);

} // namespace ezr
