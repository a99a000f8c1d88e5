#include "Analysis.h"

#include "AnalysisError.h"
#include "FolderEntries.h"
#include "PlainText.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "Scoring.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace ezr {

namespace {

// Running sums of a group: double precision, started from zero on every run.
struct GroupSums {
    Scores sums;
    Profiles squares; // each cell's squared counts, for the group statistics
    std::array<QList<int>, MotiveCount + Profile2Cells + Profile3Cells> histograms;
    int members = 0;

    template <std::size_t N>
    QList<int>* count(QList<int>* histogram, const std::array<double, N>& values) {
        for (const double v : values) {
            const qsizetype answers = qsizetype(v);
            if (histogram->size() <= answers)
                histogram->resize(answers + 1);
            ++(*histogram)[answers];
            ++histogram;
        }
        return histogram;
    }

    template <std::size_t N>
    static void add(std::array<double, N>& sums, const std::array<double, N>& values) {
        for (std::size_t i = 0; i < N; ++i)
            sums[i] += values[i];
    }
    template <std::size_t N>
    static void addSquares(std::array<double, N>& sums, const std::array<double, N>& values) {
        for (std::size_t i = 0; i < N; ++i)
            sums[i] += values[i] * values[i];
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
        addSquares(squares.profile1, member.raw.profile1);
        addSquares(squares.profile2, member.raw.profile2);
        addSquares(squares.profile3, member.raw.profile3);
        count(count(count(histograms.data(), member.raw.profile1), member.raw.profile2),
              member.raw.profile3);
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

// The member's "code. name" line, one line of plain text; a copy only when it needs one.
void appendRosterLine(GroupRoster& roster, QStringView code, QStringView name) {
    if (!hasControlCharacters(code) && !hasControlCharacters(name))
        roster.lines.append({code, u". ", name});
    else
        roster.lines.append({oneLine(code), u". ", oneLine(name)});
}

// The codes of the list that no member had.
QStringList missingCodes(const GroupChoice& choice, const QSet<QString>& found) {
    QStringList missing;
    if (!choice.filter.codes)
        return missing;
    for (const QString& code : *choice.filter.codes) {
        if (!found.contains(code))
            missing << code;
    }
    missing.sort();
    return missing;
}

} // namespace

AnalysisState individualAnalysis(const QString& path) {
    AnalysisState next =
        individualAnalysisFromBytes(readResponseBytes(path), QFileInfo(path).fileName());
    next.source = path;
    return next;
}

namespace {

ResponseFile parsedFile(QByteArrayView stored, const QString& fileName) {
    try {
        return parseResponseFile(stored);
    } catch (const AnalysisError& error) {
        throw error.inFile(fileName);
    }
}

} // namespace

AnalysisState individualAnalysisFromBytes(QByteArrayView stored, const QString& fileName) {
    const ResponseFile file = parsedFile(stored, fileName);

    AnalysisState next;
    next.kind = AnalysisKind::Individual;
    const ResponseHeader& h = file.header;
    next.header = AnalysisHeader{h.code, h.name, h.sex, h.education, h.testDate, file.age};
    next.record = file.record;
    next.record.scores = {};
    scoreAnswers(next.record);
    next.quality = answerQuality(next.record);
    next.members = {ExamineeRecord{fileName, file.header, file.age, scoresOf(next.record)}};
    return withNorm(std::move(next), NormKind::Sex);
}

QString noMembersMessage(const QString& dataDir) {
    return QStringLiteral("Нет файлов данных в директории %1")
        .arg(QDir::toNativeSeparators(dataDir));
}

QString describeChoice(const GroupChoice& choice) {
    QStringList parts;
    const QString filter = describeFilter(choice.filter);
    if (!filter.isEmpty())
        parts << filter;
    if (choice.fileNames)
        parts << QStringLiteral("выбрано файлов: %1").arg(choice.fileNames->size());
    return parts.join(QStringLiteral(", "));
}

QString nobodyChosenMessage(const QString& dataDir, const GroupChoice& choice) {
    const QString how = describeChoice(choice);
    return QStringLiteral("В группу не попал ни один обследуемый из директории %1%2")
        .arg(QDir::toNativeSeparators(dataDir),
             how.isEmpty() ? QString() : QStringLiteral(" (") + how + QLatin1Char(')'));
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
    state.comparison.norm = storedNorm(kind, state.header.sex, state.header.education);
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
        if (!isResponseFileCandidate(name)) {
            if (isTemporaryFileName(name))
                roster.interruptedWrites.append(name);
            continue;
        }
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
                            const GroupChoice& choice, const GroupMemberSink& eachMember) {
    return groupAnalysis(listGroupFolder(dataDir), kind, criterion, today, progress, keeps, choice,
                         eachMember);
}

AnalysisState groupAnalysis(GroupListing listing, NormKind kind, const QString& criterion,
                            TodayFunction today, const GroupProgress& progress, GroupKeeps keeps,
                            const GroupChoice& choice, const GroupMemberSink& eachMember) {
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
    QList<SkippedEntry> skipped;
    GroupComposition composition;
    QList<DoubtfulMember> doubtful;
    const bool filtered = !choice.filter.choosesAll();
    QSet<QString> foundCodes;
    const bool needsAge = choice.filter.minAge || choice.filter.maxAge;
    // Progress counts the entries looked at, taken or not.
    const auto entryDone = [&](qsizetype m) {
        const int done = int(m) + 1;
        if (progress && reportsProgress(done, total) && !progress(done, total))
            throw GroupCancelled{};
    };
    for (qsizetype m = 0; m < total; ++m) {
        const QStringView fileName = roster.fileNames.at(m);
        if (choice.fileNames && !choice.fileNames->contains(fileName.toString())) {
            entryDone(m);
            continue;
        }
        path.truncate(folderLength);
        path += fileName;
        QString text;
        QList<QStringView> lines;
        try {
            text = decodeWindows1251(unscrambleText(listing.memberBytes ? listing.memberBytes(m)
                                                                        : readResponseBytes(path)));
            lines = splitLines(text);
            if (filtered) {
                const ResponseHeader header = readHeader(lines);
                if (!matches(choice.filter, header, needsAge ? ageInYears(header) : std::nullopt)) {
                    entryDone(m);
                    continue;
                }
                if (choice.filter.codes)
                    foundCodes.insert(header.code.trimmed());
            }
            readItemLines(lines, member);
            scoreAnswers(member);
            const AnswerQuality quality = answerQuality(member);
            if (quality.doubtful()) {
                const bool leftOut = choice.excludeDoubtful;
                doubtful.append({fileName.toString(), lineAt(lines, 2).toString(),
                                 lineAt(lines, 3).toString(), quality, leftOut});
                if (leftOut) {
                    entryDone(m);
                    continue;
                }
            }
            composition.add(readHeader(lines));
            if (keeps != GroupKeeps::Names)
                appendRosterLine(roster, lineAt(lines, 2), lineAt(lines, 3));
            // The scratch record is the member's own until the next file: its times'
            // statistics go into the member's row without copying the record.
            if (keeps == GroupKeeps::TableRows || eachMember)
                computeTimeStatistics(member);
            if (keeps == GroupKeeps::TableRows)
                members.append(memberRecord(fileName.toString(), lines, member));
        } catch (const AnalysisError& error) {
            if (!choice.skipDamaged)
                throw error.forMember(path);
            skipped.append({fileName.toString(), error.message()});
            entryDone(m);
            continue;
        }
        if (eachMember)
            eachMember(GroupMember{fileName, lines, member});
        group.add(member.scores);
        entryDone(m);
    }
    if (group.members == 0) {
        if (!doubtful.isEmpty() && choice.excludeDoubtful)
            throw AnalysisError(
                QStringLiteral("В группе не осталось обследуемых: у всех %1 ответы требуют "
                               "проверки, а их исключение включено")
                    .arg(doubtful.size()));
        if (choice.choosesAll() && skipped.isEmpty())
            throw AnalysisError(noMembersMessage(dataDir));
        const QStringList missing = missingCodes(choice, foundCodes);
        throw AnalysisError(nobodyChosenMessage(dataDir, choice) +
                            (missing.isEmpty() ? QString()
                                               : QStringLiteral("; не найдены коды: ") +
                                                     missing.join(QStringLiteral(", "))));
    }

    AnalysisState next;
    next.kind = AnalysisKind::Group;
    next.header = groupHeader(group.members, kind, criterion, today);
    next.record.scores = group.means();
    next.members = std::move(members);
    roster.lines.squeeze();
    next.roster = std::move(roster);
    next.source = dataDir;
    next.skipped = std::move(skipped);
    next.choiceDescription = describeChoice(choice);
    next.composition = composition;
    next.doubtful = std::move(doubtful);
    next.missingCodes = missingCodes(choice, foundCodes);
    next.moments = {group.members, group.sums.raw, group.squares, std::move(group.histograms)};
    return withNorm(std::move(next), kind);
}

AnalysisState withNorm(AnalysisState state, NormKind kind) {
    // The norm is read from the state before the state is handed on: the order in which
    // arguments are evaluated is unspecified.
    const Norm norm = storedNorm(kind, state.header.sex, state.header.education);
    return withNorm(std::move(state), norm);
}

AnalysisState withNorm(AnalysisState state, const Norm& norm) {
    state.comparison = compareWithNorm(norm, state.record.scores.raw, state.kind);
    return state;
}

ExamineeScores scoresOf(const AnalysisRecord& record) {
    return ExamineeScores{record.scores, record.meanTime, record.sdTime, answerQuality(record)};
}

int excludedCount(const AnalysisState& state) {
    return int(std::count_if(state.doubtful.begin(), state.doubtful.end(),
                             [](const DoubtfulMember& member) { return member.excluded; }));
}

NormComparison examineeComparison(const ExamineeScores& examinee, const AnalysisState& state) {
    return compareWithNorm(state.comparison.norm, examinee.scores.raw, AnalysisKind::Individual);
}

} // namespace ezr
