#include "AnalysisSummary.h"

namespace ezr {

QString memberLabel(const DoubtfulMember& member) {
    const QString code = member.code.trimmed();
    const QString name = member.name.trimmed();
    return name.isEmpty() ? code : code + QStringLiteral(". ") + name;
}

namespace {

QStringList doubtfulLines(const AnalysisState& state, bool excluded, const QString& title) {
    QStringList lines;
    for (const DoubtfulMember& member : state.doubtful) {
        if (member.excluded == excluded)
            lines << memberLabel(member) + QStringLiteral(" — ") +
                         doubtReasons(member.quality).join(QStringLiteral("; "));
    }
    if (!lines.isEmpty())
        lines.prepend(title + QString::number(lines.size()));
    return lines;
}

} // namespace

QStringList excludedLines(const AnalysisState& state) {
    return doubtfulLines(state, true,
                         QStringLiteral("Исключено из группы (ответы требуют проверки): "));
}

QStringList doubtfulKeptLines(const AnalysisState& state) {
    return doubtfulLines(state, false, QStringLiteral("Ответы требуют проверки: "));
}

QStringList informationSummary(const AnalysisState& state) {
    QStringList lines;
    switch (state.kind) {
    case AnalysisKind::None:
        break;
    case AnalysisKind::Individual:
        lines << qualityLines(state.quality);
        break;
    case AnalysisKind::Group: {
        lines << compositionText(state.composition);
        const QString period = testPeriodText(state.composition);
        if (!period.isEmpty())
            lines << period;
        lines << normLineText(state.comparison.norm);
        lines << excludedLines(state) << doubtfulKeptLines(state);
        break;
    }
    }
    return lines;
}

} // namespace ezr
