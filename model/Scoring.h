#pragma once

#include "AnalysisData.h"

namespace ezr {

struct ScoringKeyRow {
    Motive resultative;
    Motive procedural;
};

// Row j - 1 belongs to ItemPosition j (1..36); the same rows serve all three stimuli.
extern const std::array<ScoringKeyRow, 36> ScoringKey;

// Adds the marks equal to 1 into MotiveCounts (which the caller has zeroed) and
// overwrites the three raw profiles from the counts.
void scoreAnswers(AnalysisRecord& data);

} // namespace ezr
