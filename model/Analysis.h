#pragma once

#include "AnalysisData.h"
#include "AnswerQuality.h"
#include "GroupComposition.h"
#include "GroupRoster.h"
#include "MemberFilter.h"
#include "NormComparison.h"
#include "ResponseFile.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The two analyses of the program. Each returns a complete new state or throws
// AnalysisError; the caller keeps the old state on failure, so a bad file never leaves a
// half-changed window.
namespace ezr {

// What the table of examinees needs of one examinee: the scores and the answer-time
// statistics, not the answers themselves, so that a group of many thousands stays small.
struct ExamineeScores {
    Scores scores;
    double meanTime = 0.0;
    double sdTime = 0.0;
    AnswerQuality quality;
};

ExamineeScores scoresOf(const AnalysisRecord& record);

// One examinee of the analysis as read from the response file: the table export writes a
// row for each.
struct ExamineeRecord {
    QString fileName; // the entry's name, without directory
    ResponseHeader header;
    QString age; // empty when the dates do not read
    ExamineeScores results;
};

// The header fields as the window shows them. They start from the response file (or, for a
// group, the member count, "Группа", the date of the run and the chosen criterion); the user
// may correct the code, name, date and age before saving.
struct AnalysisHeader {
    QString code;
    QString name;
    QString sex;
    QString education;
    QString testDate;
    QString age;
};

// An entry of the group folder that a run skipped because it could not be read, and why.
struct SkippedEntry {
    QString fileName; // without directory
    QString reason;
    friend bool operator==(const SkippedEntry&, const SkippedEntry&) = default;
};

// A member of a group whose answers ask for a look (answerQuality), and whether the run left
// it out of the group's means.
struct DoubtfulMember {
    QString fileName; // without directory
    QString code;
    QString name;
    AnswerQuality quality;
    bool excluded = false;
};

// How a group's members spread over the cells of the three profiles: each cell's sum of
// counts and of squared counts, enough for the cells' means and standard deviations without
// keeping the members. Whole numbers, so exact in a double for any real group.
struct GroupMoments {
    int members = 0;
    Profiles sums;
    Profiles squares;
    // Each cell (profile 1, 2, 3): how many members gave 0, 1, 2, ... answers in it.
    std::array<QList<int>, MotiveCount + Profile2Cells + Profile3Cells> histograms;
};

// Everything an analysis found, in numbers and kinds; every output formats it.
struct AnalysisState {
    AnalysisKind kind = AnalysisKind::None;
    AnalysisHeader header;
    // The examinee's answers, times and scores; for a group the scores are the means.
    AnalysisRecord record;
    NormComparison comparison;
    // The rows of the table of examinees: the examinee of an individual analysis, or every
    // member of a group in listing order when the run was asked to keep them.
    QList<ExamineeRecord> members;
    // Every member of a group, in listing order.
    GroupRoster roster;
    // The response file or the group folder the analysis was read from; empty when it was
    // made from bytes already read.
    QString source;
    // A group run told to skip damaged entries: those it skipped, in listing order.
    QList<SkippedEntry> skipped;
    // How the members of a group were chosen, in words; empty when the group is the whole
    // folder.
    QString choiceDescription;
    // A group: who its members are (sex, education, ages, test dates), and the members whose
    // answers ask for a look, left out or not.
    GroupComposition composition;
    QList<DoubtfulMember> doubtful;
    // The examinee's or the group's answer quality: an examinee's own; a group's is unused.
    AnswerQuality quality;
    // Chosen by a list of codes: the codes of the list that no entry of the folder has,
    // sorted. A member skipped as damaged is not missing.
    QStringList missingCodes;
    // A group: its members' spread over the cells, for the group statistics.
    GroupMoments moments;
};

// How many members a group run left out for doubtful answers.
int excludedCount(const AnalysisState& state);

// Reads, scores and compares with the sex norm.
AnalysisState individualAnalysis(const QString& path);
// The same from the stored (scrambled) bytes of a response file already read; `fileName`
// names the examinee's file in the table of examinees.
AnalysisState individualAnalysisFromBytes(QByteArrayView stored, const QString& fileName);

// Today's date for a group (a seam for tests).
using TodayFunction = QDate (*)();

// Told how many of all the members have been read: at the start, every few members (a few
// hundred times in all) and at the end; returning false stops the run, which then throws
// GroupCancelled.
using GroupProgress = std::function<bool(int read, int total)>;

// A group run stopped by its progress callback. Not an error: nothing is reported.
struct GroupCancelled {};

// What a group run keeps of each member beyond the group's sums and file names: the members'
// lines for the information text (Roster), and the rows of the table of examinees as well,
// which cost about a kilobyte a member and only the table needs. An output that writes each
// member as it is read (a GroupMemberSink) keeps nothing more (Names).
enum class GroupKeeps { Names, Roster, TableRows };

// A member as it is read, handed to an output that writes it at once instead of keeping it:
// the views and the record are valid during the call only. The record's answer-time
// statistics are computed.
struct GroupMember {
    QStringView fileName;
    const QList<QStringView>& lines; // of the plain text
    const AnalysisRecord& record;
};
using GroupMemberSink = std::function<void(const GroupMember&)>;

// The members of a group folder as listed, before any is read.
struct GroupListing {
    QString dataDir;
    QString folder;     // as the listing spells it, ending with its separator
    GroupRoster roster; // the file names and whether some member is a link
    // Where the members' stored bytes come from when they are not files of `dataDir` (an
    // archive): told the member's index in listing order, it gives that member's bytes or
    // throws AnalysisError.
    std::function<QByteArray(qsizetype)> memberBytes = {};
    int size() const { return int(roster.fileNames.size()); }
};

// Every entry of `dataDir` but "." and ".." and the program's reserved names (which the
// roster names apart) is a member, in the order the file system lists them. Throws AnalysisError
// when the folder cannot be listed.
GroupListing listGroupFolder(const QString& dataDir);

// Which entries of the folder a group run takes and what it does with damaged ones. The
// default takes every entry and stops at the first one that cannot be read.
struct GroupChoice {
    MemberFilter filter = {};                              // members whose header matches
    std::optional<QSet<QString>> fileNames = std::nullopt; // only these entries (names, no dir)
    bool skipDamaged = false;                              // skip unreadable entries, list them
    bool excludeDoubtful = false; // leave out members whose answers ask for a look
    bool choosesAll() const { return filter.choosesAll() && !fileNames; }
    friend bool operator==(const GroupChoice&, const GroupChoice&) = default;
};

// The choice in words: the filter, the number of files listed by name; empty for the
// whole folder.
QString describeChoice(const GroupChoice& choice);

// `criterion` is the text the group menu puts into the sex or education field for kinds 1
// and 2 (ignored for 3). Every entry of `dataDir` but "." and ".." that `choice` takes is a
// member, in the order the file system lists them. A run that chooses nobody throws.
// `eachMember`, when given, is told of every member in that order.
AnalysisState groupAnalysis(const QString& dataDir, NormKind kind, const QString& criterion,
                            TodayFunction today = nullptr, const GroupProgress& progress = {},
                            GroupKeeps keeps = GroupKeeps::TableRows,
                            const GroupChoice& choice = {}, const GroupMemberSink& eachMember = {});
// The same for the members of a listing made already.
AnalysisState groupAnalysis(GroupListing listing, NormKind kind, const QString& criterion,
                            TodayFunction today = nullptr, const GroupProgress& progress = {},
                            GroupKeeps keeps = GroupKeeps::TableRows,
                            const GroupChoice& choice = {}, const GroupMemberSink& eachMember = {});

// A group's state as far as it is known before its members are read, when it takes every
// entry: its header fields (the listing's count as the code), the norm, its folder and file
// names.
AnalysisState listedGroup(const GroupListing& listing, NormKind kind, const QString& criterion,
                          TodayFunction today = nullptr);

// The analysis compared with another norm kind, the row chosen by its sex or education.
AnalysisState withNorm(AnalysisState state, NormKind kind);
// The analysis compared with the given norm (a stored row or one's own).
AnalysisState withNorm(AnalysisState state, const Norm& norm);

// An examinee's cell chi-squares, profile chi-squares and indices against the norm row of
// the analysis, computed as if the examinee had been opened alone: the indices read the
// examinee's own displayed cells.
NormComparison examineeComparison(const ExamineeScores& examinee, const AnalysisState& state);

// The message for a group directory without members.
QString noMembersMessage(const QString& dataDir);
// The message for a choice that took none of the folder's entries.
QString nobodyChosenMessage(const QString& dataDir, const GroupChoice& choice);

} // namespace ezr
