#pragma once

#include "Analysis.h"

// "Без Ф.И.О." (--anonymous): outputs name the examinees by code alone. A field of the header
// that is free text could carry a name or a note about the person as well, so only known
// values pass: sex and education from their fixed vocabularies, dates that read as dates; any
// other text is left empty. One transformation of the analysis state before any output
// formats it, and the same for a member handed to an output as it is read.
namespace ezr {

// The state with every name gone, the roster by code, and every header field (of the
// examinee or each kept member) a known value or empty.
AnalysisState anonymousAnalysis(AnalysisState state);

// A member of a streamed group as an anonymous output may see it: `sink` gets the member
// with the name line empty and the other header lines as anonymousAnalysis leaves them.
GroupMemberSink anonymousMembers(GroupMemberSink sink);

} // namespace ezr
