#pragma once

#include "AnalysisData.h"
#include "NormComparison.h"
#include "ResponseFile.h"
#include "ResultSheet.h"
#include "SheetComparison.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <functional>

// The two analyses of the program. Each takes the sheet and record currently shown and
// returns a complete new pair, or throws AnalysisError; the caller keeps the old pair on
// failure, so a bad file never leaves a half-changed window.
namespace ezr {

// What the table of examinees needs of one examinee's record: the scores and the answer-time
// statistics, not the answers themselves, so that a group of many thousands stays small.
// The names are those of AnalysisRecord.
struct ExamineeScores {
    std::array<std::int32_t, 36> MotiveCounts{};
    std::array<double, 6> Profile1Raw{};
    std::array<double, 12> Profile2Raw{};
    std::array<double, 18> Profile3Raw{};
    double MeanTime = 0.0;
    double SdTime = 0.0;
};

ExamineeScores scoresOf(const AnalysisRecord& record);

// One examinee of the analysis as read from the response file: the table export writes a
// row for each.
struct ExamineeRecord {
    QString fileName; // the entry's name, without directory
    ResponseHeader header;
    QString age; // empty when the dates do not read
    ExamineeScores data;
};

struct AnalysisState {
    ResultSheet sheet = initialSheet();
    AnalysisRecord data;
    // The examinee of an individual analysis, or every member of a group in listing order.
    QList<ExamineeRecord> members;
    // The response file or the group folder the analysis was read from; empty when it was
    // made from bytes already read.
    QString source;
};

// Reads, scores, fills the grids and compares with the sex norm.
AnalysisState IndividualAnalysis(const QString& path, const AnalysisState& previous);
// The same from the stored (scrambled) bytes of a response file already read; `fileName`
// names the examinee's file in the table of examinees.
AnalysisState IndividualAnalysisFromBytes(QByteArrayView stored, const QString& fileName,
                                          const AnalysisState& previous);

// Today's date for a group, in the regional short format (a seam for tests).
using TodayFunction = QDate (*)();

// Told how many of all the members have been read: at the start, every few members (a few
// hundred times in all) and at the end; returning false stops the run, which then throws
// GroupCancelled.
using GroupProgress = std::function<bool(int read, int total)>;

// A group run stopped by its progress callback. Not an error: nothing is reported.
struct GroupCancelled {};

// `criterion` is the text the group menu puts into the sex or education field for kinds 1
// and 2 (ignored for 3). Every entry of `dataDir` but "." and ".." is a member, in the
// order the file system lists them.
AnalysisState GroupAnalysis(const QString& dataDir, NormKind kind, const QString& criterion,
                            const AnalysisState& previous, TodayFunction today = nullptr,
                            const GroupProgress& progress = {});

// The norm kind whose name the norm field shows; Sex for an unknown name.
NormKind normKindNamed(const QString& normName);

// An examinee's cell chi-squares, profile chi-squares and indices against the norm the sheet
// shows (its kind, and the row its sex or education text selects), computed as if the
// examinee had been opened alone: the indices read the examinee's own displayed cells.
NormComparison examineeComparison(const ExamineeScores& examinee, const ResultSheet& sheet);

// The message for a group directory without members.
QString noMembersMessage(const QString& dataDir);

} // namespace ezr
