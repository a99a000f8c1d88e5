#include "Analysis.h"

#include "AnalysisError.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "Scoring.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace ezr {

namespace {

// Running sums of a group: double precision, started from zero on every run.
struct GroupSums {
    Scores sums;
    int members = 0;

    template <std::size_t N>
    static void add(std::array<double, N>& sums, const std::array<double, N>& values) {
        for (std::size_t i = 0; i < N; ++i)
            sums[i] += values[i];
    }
    template <std::size_t N> void divide(std::array<double, N>& values) const {
        for (double& v : values)
            v /= members;
    }

    void add(const Scores& member) {
        add(sums.motiveCounts, member.motiveCounts);
        add(sums.raw.profile1, member.raw.profile1);
        add(sums.raw.profile2, member.raw.profile2);
        add(sums.raw.profile3, member.raw.profile3);
        ++members;
    }

    Scores means() const {
        Scores m = sums;
        divide(m.motiveCounts);
        divide(m.raw.profile1);
        divide(m.raw.profile2);
        divide(m.raw.profile3);
        return m;
    }
};

// A group folder that cannot be listed says why, rather than reading as an empty group.
void checkGroupFolder(const QString& dataDir) {
    const QFileInfo folder(dataDir);
    const QString shown = QDir::toNativeSeparators(dataDir);
    if (!folder.exists())
        throw AnalysisError(QStringLiteral("Директория %1 не существует").arg(shown));
    if (!folder.isDir())
        throw AnalysisError(QStringLiteral("%1 не является директорией").arg(shown));
    if (!folder.isReadable() || !folder.isExecutable())
        throw AnalysisError(QStringLiteral("Нет доступа к директории %1").arg(shown));
}

// What the table export needs of a member beyond the group's sums. The group itself reads
// only the code and name lines; a member's dates that do not read leave its age empty
// rather than failing the group.
ExamineeRecord memberRecord(const QString& fileName, const QList<QStringView>& lines,
                            const AnalysisRecord& scored) {
    ExamineeRecord member{fileName, readHeader(lines), QString(), scoresOf(scored)};
    try {
        member.age = ageText(member.header.testDate, member.header.birthDate);
    } catch (const AnalysisError&) {
        member.age.clear();
    }
    return member;
}

// A few hundred reports, however large the group: each one lets the window serve its
// events, which would otherwise cost more than reading the members.
bool reportsProgress(int read, int total) {
    const int step = std::max(1, total / 500);
    return read == total || read % step == 0;
}

} // namespace

AnalysisState individualAnalysis(const QString& path) {
    AnalysisState next =
        individualAnalysisFromBytes(readResponseBytes(path), QFileInfo(path).fileName());
    next.source = path;
    return next;
}

AnalysisState individualAnalysisFromBytes(QByteArrayView stored, const QString& fileName) {
    const ResponseFile file = parseResponseFile(stored);

    AnalysisState next;
    next.kind = AnalysisKind::Individual;
    const ResponseHeader& h = file.header;
    next.header = AnalysisHeader{h.code, h.name, h.sex, h.education, h.testDate, file.age};
    next.record = file.record;
    next.record.scores = {};
    scoreAnswers(next.record);
    next.members = {ExamineeRecord{fileName, file.header, file.age, scoresOf(next.record)}};
    return withNorm(std::move(next), NormKind::Sex);
}

QString noMembersMessage(const QString& dataDir) {
    return QStringLiteral("Нет файлов данных в директории %1")
        .arg(QDir::toNativeSeparators(dataDir));
}

int groupNormRow(NormKind kind, const QString& criterion) {
    return normRow(kind, kind == NormKind::Sex ? criterion : QString(),
                   kind == NormKind::Education ? criterion : QString());
}

static AnalysisHeader groupHeader(int members, NormKind kind, const QString& criterion,
                                  TodayFunction today) {
    AnalysisHeader header;
    header.code = QString::number(members);
    header.name = QStringLiteral("Группа");
    header.sex = kind == NormKind::Sex ? criterion : QString();
    header.education = kind == NormKind::Education ? criterion : QString();
    header.testDate = formatShortDate(today ? today() : QDate::currentDate());
    return header;
}

AnalysisState listedGroup(const GroupListing& listing, NormKind kind, const QString& criterion,
                          TodayFunction today) {
    AnalysisState state;
    state.kind = AnalysisKind::Group;
    state.header = groupHeader(listing.size(), kind, criterion, today);
    state.comparison.kind = kind;
    state.comparison.row = groupNormRow(kind, criterion);
    state.roster = listing.roster;
    state.source = listing.dataDir;
    return state;
}

GroupListing listGroupFolder(const QString& dataDir) {
    checkGroupFolder(dataDir);
    GroupListing listing;
    listing.dataDir = dataDir;
    GroupRoster& roster = listing.roster;
    // File-system order, every attribute, only "." and ".." left out. The whole listing
    // first, so that progress can be told against the total; the names only, packed, as a
    // million full paths would cost more than everything else.
    QDirIterator entries(dataDir,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (roster.fileNames.isEmpty())
            listing.folder = entries.filePath().chopped(name.size());
        roster.fileNames.append({name});
        // The listing knows the entry's type already; no look at the file itself.
        roster.linkedMembers = roster.linkedMembers || entries.fileInfo().isSymLink();
    }
    roster.fileNames.squeeze();
    return listing;
}

AnalysisState groupAnalysis(const QString& dataDir, NormKind kind, const QString& criterion,
                            TodayFunction today, const GroupProgress& progress, GroupKeeps keeps,
                            const GroupMemberSink& eachMember) {
    return groupAnalysis(listGroupFolder(dataDir), kind, criterion, today, progress, keeps,
                         eachMember);
}

AnalysisState groupAnalysis(GroupListing listing, NormKind kind, const QString& criterion,
                            TodayFunction today, const GroupProgress& progress, GroupKeeps keeps,
                            const GroupMemberSink& eachMember) {
    const QString& dataDir = listing.dataDir;
    GroupSums group;
    QList<ExamineeRecord> members;
    GroupRoster roster = std::move(listing.roster);
    QString path = listing.folder; // the folder, then each member's path
    const int total = int(roster.fileNames.size());
    if (progress && !progress(0, total))
        throw GroupCancelled{};
    const qsizetype folderLength = path.size();
    AnalysisRecord member;
    for (qsizetype m = 0; m < total; ++m) {
        const QStringView fileName = roster.fileNames.at(m);
        path.truncate(folderLength);
        path += fileName;
        QString text;
        QList<QStringView> lines;
        try {
            text = decodeWindows1251(unscrambleText(readResponseBytes(path)));
            lines = splitLines(text);
            readItemLines(lines, member);
            scoreAnswers(member);
            if (keeps != GroupKeeps::Names)
                roster.lines.append({lineAt(lines, 2), u". ", lineAt(lines, 3)});
            // The scratch record is the member's own until the next file: its times'
            // statistics go into the member's row without copying the record.
            if (keeps == GroupKeeps::TableRows || eachMember)
                computeTimeStatistics(member);
            if (keeps == GroupKeeps::TableRows)
                members.append(memberRecord(fileName.toString(), lines, member));
        } catch (const AnalysisError& error) {
            throw error.forMember(path);
        }
        if (eachMember)
            eachMember(GroupMember{fileName, lines, member});
        group.add(member.scores);
        if (progress && reportsProgress(group.members, total) && !progress(group.members, total))
            throw GroupCancelled{};
    }
    if (group.members == 0)
        throw AnalysisError(noMembersMessage(dataDir));

    AnalysisState next;
    next.kind = AnalysisKind::Group;
    next.header = groupHeader(group.members, kind, criterion, today);
    next.record.scores = group.means();
    next.members = std::move(members);
    roster.lines.squeeze();
    next.roster = std::move(roster);
    next.source = dataDir;
    return withNorm(std::move(next), kind);
}

AnalysisState withNorm(AnalysisState state, NormKind kind) {
    const int row = normRow(kind, state.header.sex, state.header.education);
    state.comparison = compareWithNorm(kind, row, state.record.scores.raw, state.kind);
    return state;
}

ExamineeScores scoresOf(const AnalysisRecord& record) {
    return ExamineeScores{record.scores, record.meanTime, record.sdTime};
}

NormComparison examineeComparison(const ExamineeScores& examinee, const AnalysisState& state) {
    return compareWithNorm(state.comparison.kind, state.comparison.row, examinee.scores.raw,
                           AnalysisKind::Individual);
}

} // namespace ezr
