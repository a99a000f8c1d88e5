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

} // namespace ezr
