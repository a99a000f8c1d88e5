#pragma once

#include "AnalysisData.h"
#include "NormComparison.h"
#include "ResultSheet.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

// The two analyses of the program. Each takes the sheet and record currently shown and
// returns a complete new pair, or throws AnalysisError; the caller keeps the old pair on
// failure, so a bad file never leaves a half-changed window.
namespace ezr {

struct AnalysisState {
    ResultSheet sheet = initialSheet();
    TAnalysisData data;
};

// Reads, scores, fills the grids and compares with the sex norm.
AnalysisState IndividualAnalysis(const QString& path, const AnalysisState& previous);
// The same from the stored (scrambled) bytes of a response file already read.
AnalysisState IndividualAnalysisFromBytes(QByteArrayView stored, const AnalysisState& previous);

// Today's date for a group, in the regional short format (a seam for tests).
using TodayFunction = QDate (*)();

// `criterion` is the text the group menu puts into the sex or education field for kinds 1
// and 2 (ignored for 3). Every entry of `dataDir` but "." and ".." is a member, in the
// order the file system lists them.
AnalysisState GroupAnalysis(const QString& dataDir, NormKind kind, const QString& criterion,
                            const AnalysisState& previous, TodayFunction today = nullptr);

// The message for a group directory without members.
QString noMembersMessage(const QString& dataDir);

} // namespace ezr
