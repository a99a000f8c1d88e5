#include "ReportHeader.h"

#include "ResultSheet.h"

namespace ezr {

QList<HeaderLine> reportHeader(const AnalysisState& state) {
    const AnalysisHeader& h = state.header;
    const bool group = state.kind == AnalysisKind::Group;
    using F = HeaderLine::Field;
    QList<HeaderLine> lines{{F::Code, QStringLiteral("Код"), h.code},
                            {F::TestDate, QStringLiteral("Дата обследования"), h.testDate},
                            {F::Name, group ? GroupCaption : IndividualCaption, h.name}};
    if (!h.sex.isEmpty())
        lines.append({F::Sex, QStringLiteral("Пол"), h.sex});
    if (!h.education.isEmpty())
        lines.append({F::Education, QStringLiteral("Образование"), h.education});
    if (!group)
        lines.append({F::Age, QStringLiteral("Возраст"), h.age});
    lines.append({F::Norm, QStringLiteral("Нормирование"), normTitle(state.comparison.norm)});
    return lines;
}

int groupMemberCount(const AnalysisState& state) {
    // The roster's lines are the members; its file names are every entry listed, which a
    // chosen group takes only some of.
    if (!state.roster.lines.isEmpty())
        return int(state.roster.lines.size());
    if (!state.roster.fileNames.isEmpty())
        return int(state.roster.fileNames.size());
    if (!state.members.isEmpty())
        return int(state.members.size());
    return state.header.code.trimmed().toInt();
}

QString groupTitle(int members) {
    // 1, 21, 101 обследуемый; every other count takes the genitive plural.
    const bool singular = members % 10 == 1 && members % 100 != 11;
    return QStringLiteral("Группа, %1 %2")
        .arg(members)
        .arg(singular ? QStringLiteral("обследуемый") : QStringLiteral("обследуемых"));
}

QString reportOwner(const AnalysisState& state) {
    if (state.kind == AnalysisKind::Group)
        return groupTitle(groupMemberCount(state));
    return state.header.code + QStringLiteral(". ") + state.header.name;
}

} // namespace ezr
