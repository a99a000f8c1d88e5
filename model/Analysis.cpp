#include "Analysis.h"

#include "AnalysisError.h"
#include "Regional.h"
#include "ResponseFile.h"
#include "Scoring.h"

#include <QDir>
#include <QDirIterator>

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

    void add(const TAnalysisData& member) {
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

// A member's failure names the member's file on a second line.
[[noreturn]] void rethrowForMember(const AnalysisError& error, const QString& path) {
    throw AnalysisError(error.message() + QLatin1Char('\n') + QDir::toNativeSeparators(path));
}

} // namespace

AnalysisState IndividualAnalysis(const QString& path, const AnalysisState& previous) {
    return IndividualAnalysisFromBytes(readResponseBytes(path), previous);
}

AnalysisState IndividualAnalysisFromBytes(QByteArrayView stored, const AnalysisState& previous) {
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

    TAnalysisData& data = next.data;
    data.Answers = file.data.Answers;
    data.AnswerTimes = file.data.AnswerTimes;
    data.MeanTime = file.data.MeanTime;
    data.SdTime = file.data.SdTime;
    data.TimingLines = file.data.TimingLines;
    data.MotiveCounts = {};
    ScoreAnswers(data);

    fillIndividual(sheet, data);
    CompareWithNorms(NormKind::Sex, sheet, data);
    return next;
}

QString noMembersMessage(const QString& dataDir) {
    return QStringLiteral("Нет файлов данных в директории %1")
        .arg(QDir::toNativeSeparators(dataDir));
}

AnalysisState GroupAnalysis(const QString& dataDir, NormKind kind, const QString& criterion,
                            const AnalysisState& previous, TodayFunction today) {
    AnalysisState next = previous;
    ResultSheet& sheet = next.sheet;
    TAnalysisData& data = next.data;
    sheet.nameCaption = GroupCaption;
    sheet.sex = kind == NormKind::Sex ? criterion : QString();
    sheet.education = kind == NormKind::Education ? criterion : QString();
    QString hint = QStringLiteral("Состав группы:");

    // File-system order, every attribute, only "." and ".." left out.
    GroupSums group;
    QDirIterator entries(dataDir,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString path = entries.next();
        try {
            const QString text = decodeWindows1251(UnscrambleText(readResponseBytes(path)));
            const QList<QStringView> lines = splitLines(text);
            hint += LineBreak;
            hint += lineAt(lines, 2);
            hint += QStringLiteral(". ");
            hint += lineAt(lines, 3);
            ReadItemLines(lines, data);
        } catch (const AnalysisError& error) {
            rethrowForMember(error, path);
        }
        ScoreAnswers(data);
        group.add(data);
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
    CompareWithNorms(kind, sheet, data);
    return next;
}

} // namespace ezr
