#include "Analysis.h"

#include "AnalysisError.h"
#include "NormTables.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "Scoring.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace ezr {

namespace {

const QString LineBreak = QStringLiteral("\r\n");

QString timingHint(const std::array<QString, 4>& lines) {
    QString hint = QStringLiteral("Время выполнения:");
    for (const QString& line : lines)
        hint += LineBreak + line;
    return hint;
}

// Running sums of a group: double precision, started from zero on every run.
struct GroupSums {
    GroupMeans sums;
    int members = 0;

    void add(const AnalysisRecord& member) {
        for (std::size_t i = 0; i < sums.motiveCounts.size(); ++i)
            sums.motiveCounts[i] += member.MotiveCounts[i];
        for (std::size_t i = 0; i < sums.profile1.size(); ++i)
            sums.profile1[i] += member.Profile1Raw[i];
        for (std::size_t i = 0; i < sums.profile2.size(); ++i)
            sums.profile2[i] += member.Profile2Raw[i];
        for (std::size_t i = 0; i < sums.profile3.size(); ++i)
            sums.profile3[i] += member.Profile3Raw[i];
        ++members;
    }

    GroupMeans means() const {
        GroupMeans m = sums;
        const auto divide = [this](auto& values) {
            for (double& v : values)
                v /= members;
        };
        divide(m.motiveCounts);
        divide(m.profile1);
        divide(m.profile2);
        divide(m.profile3);
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
    AnalysisRecord own = scored;
    TimeStatistics(own);
    ExamineeRecord member{fileName, readHeader(lines), QString(), scoresOf(own)};
    try {
        member.age = AgeText(member.header.testDate, member.header.birthDate);
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

AnalysisState IndividualAnalysis(const QString& path, const AnalysisState& previous) {
    AnalysisState next =
        IndividualAnalysisFromBytes(readResponseBytes(path), QFileInfo(path).fileName(), previous);
    next.source = path;
    return next;
}

AnalysisState IndividualAnalysisFromBytes(QByteArrayView stored, const QString& fileName,
                                          const AnalysisState& previous) {
    const ResponseFile file = parseResponseFile(stored);

    AnalysisState next = previous;
    ResultSheet& sheet = next.sheet;
    sheet.nameCaption = IndividualCaption;
    sheet.testDate = file.header.testDate;
    sheet.age = file.age;
    sheet.code = file.header.code;
    sheet.name = file.header.name;
    sheet.sex = file.header.sex;
    sheet.education = file.header.education;
    sheet.infoHint = timingHint(file.header.timingLines);

    AnalysisRecord& data = next.data;
    data.Answers = file.data.Answers;
    data.AnswerTimes = file.data.AnswerTimes;
    data.MeanTime = file.data.MeanTime;
    data.SdTime = file.data.SdTime;
    data.TimingLines = file.data.TimingLines;
    data.MotiveCounts = {};
    ScoreAnswers(data);

    fillIndividual(sheet, data);
    compareSheetWithNorm(NormKind::Sex, sheet, data);
    next.members = {ExamineeRecord{fileName, file.header, file.age, scoresOf(data)}};
    next.source.clear();
    return next;
}

QString noMembersMessage(const QString& dataDir) {
    return QStringLiteral("Нет файлов данных в директории %1")
        .arg(QDir::toNativeSeparators(dataDir));
}

AnalysisState GroupAnalysis(const QString& dataDir, NormKind kind, const QString& criterion,
                            const AnalysisState& previous, TodayFunction today,
                            const GroupProgress& progress) {
    AnalysisState next = previous;
    ResultSheet& sheet = next.sheet;
    AnalysisRecord& data = next.data;
    sheet.nameCaption = GroupCaption;
    sheet.sex = kind == NormKind::Sex ? criterion : QString();
    sheet.education = kind == NormKind::Education ? criterion : QString();
    QString hint = QStringLiteral("Состав группы:");

    checkGroupFolder(dataDir);
    // File-system order, every attribute, only "." and ".." left out.
    GroupSums group;
    QList<ExamineeRecord> members;
    // The whole listing first, so that progress can be told against the total.
    QStringList paths;
    QDirIterator entries(dataDir,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext())
        paths.append(entries.next());

    const int total = int(paths.size());
    if (progress && !progress(0, total))
        throw GroupCancelled{};
    for (const QString& path : std::as_const(paths)) {
        try {
            const QString text = decodeWindows1251(UnscrambleText(readResponseBytes(path)));
            const QList<QStringView> lines = splitLines(text);
            ReadItemLines(lines, data);
            ScoreAnswers(data);
            members.append(memberRecord(QFileInfo(path).fileName(), lines, data));
            const ResponseHeader& header = members.constLast().header;
            hint += LineBreak + header.code + QStringLiteral(". ") + header.name;
        } catch (const AnalysisError& error) {
            throw error.forMember(path);
        }
        group.add(data);
        if (progress && reportsProgress(group.members, total) && !progress(group.members, total))
            throw GroupCancelled{};
    }
    if (group.members == 0)
        throw AnalysisError(noMembersMessage(dataDir));

    sheet.code = QString::number(group.members);
    sheet.name = GroupCaption;
    sheet.testDate = formatShortDate(today ? today() : QDate::currentDate());
    sheet.age.clear();
    sheet.infoHint = hint + LineBreak + QStringLiteral("Общее число: ") + sheet.code;

    const GroupMeans means = group.means();
    data.Profile1Raw = means.profile1;
    data.Profile2Raw = means.profile2;
    data.Profile3Raw = means.profile3;
    fillGroup(sheet, means);
    compareSheetWithNorm(kind, sheet, data);
    next.members = std::move(members);
    next.source = dataDir;
    return next;
}

NormKind normKindNamed(const QString& normName) {
    for (std::size_t i = 0; i < NormKindNames.size(); ++i) {
        if (NormKindNames[i] == normName)
            return static_cast<NormKind>(i + 1);
    }
    return NormKind::Sex;
}

ExamineeScores scoresOf(const AnalysisRecord& record) {
    return ExamineeScores{record.MotiveCounts, record.Profile1Raw, record.Profile2Raw,
                          record.Profile3Raw,  record.MeanTime,    record.SdTime};
}

NormComparison examineeComparison(const ExamineeScores& examinee, const ResultSheet& sheet) {
    AnalysisRecord record;
    record.MotiveCounts = examinee.MotiveCounts;
    record.Profile1Raw = examinee.Profile1Raw;
    record.Profile2Raw = examinee.Profile2Raw;
    record.Profile3Raw = examinee.Profile3Raw;
    ResultSheet own = initialSheet();
    own.sex = sheet.sex;
    own.education = sheet.education;
    fillIndividual(own, record);
    return computeNormComparison(normInputFrom(normKindNamed(sheet.norm), own, record));
}

} // namespace ezr
