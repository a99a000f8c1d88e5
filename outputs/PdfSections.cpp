#include "PdfSections.h"

#include "AnalysisSummary.h"
#include "ChartDescription.h"
#include "ChartPainter.h"
#include "ExplanationTexts.h"
#include "Regional.h"

#include <functional>

namespace ezr::pdf {

namespace {

QString normPercentText(double norm) {
    // The norm tables hold a few values with two decimals.
    const bool tenths = std::abs(norm * 10 - std::round(norm * 10)) < 1e-9;
    return formatFixed(norm, 0, tenths ? 1 : 2);
}

// The cells of one profile whose chi-square the grid colours beyond the critical value.
template <std::size_t N>
QList<StandOutEntry> cellStandOuts(const std::array<double, N>& raw,
                                   const std::array<double, N>& norm,
                                   const std::array<Verdict, N>& verdicts, const TextGrid& grid,
                                   int chiRow, const std::function<QString(int)>& label,
                                   const std::function<QString(int)>& explanation) {
    QList<StandOutEntry> found;
    for (int i = 0; i < int(N); ++i) {
        if (verdicts[std::size_t(i)] != Verdict::BeyondNorm)
            continue;
        const double percent = percentOfAnswers(raw[std::size_t(i)]);
        const double expected = norm[std::size_t(i)];
        // The motive grid holds a profile's cells in rows, the others in columns.
        const QString chi =
            chiRow < 0 ? grid.cell(MotiveColumn::Chi, i + 1) : grid.cell(i + 1, chiRow);
        found.append(
            {QStringLiteral("%1: %2 нормы — %3 % при норме %4 %, Хм2 = %5")
                 .arg(label(i),
                      percent > expected ? QStringLiteral("выше") : QStringLiteral("ниже"),
                      formatFixed(percent, 0, 1), normPercentText(expected), chi.trimmed()),
             explanation(i)});
    }
    return found;
}

QList<StandOutEntry> profileStandOuts(const AnalysisState& state, const ResultSheet& sheet) {
    const QString* texts[3] = {&sheet.profile1X2, &sheet.profile2X2, &sheet.profile3X2};
    const Verdict verdicts[3] = {sheet.profile1X2Verdict, sheet.profile2X2Verdict,
                                 sheet.profile3X2Verdict};
    const QString names[3] = {QStringLiteral("мотивы"), QStringLiteral("ориентации"),
                              QStringLiteral("стимулы")};
    QList<StandOutEntry> found;
    for (int p = 0; p < 3; ++p) {
        if (verdicts[p] != Verdict::BeyondNorm)
            continue;
        found.append(
            {QStringLiteral("Профиль %1 (%2) в целом отличается от нормы: X2 = %3 при "
                            "критическом значении %4")
                 .arg(p + 1)
                 .arg(names[p], texts[p]->trimmed(),
                      formatFixed(state.comparison.profiles[std::size_t(p)].critical, 0, 2)),
             QString()});
    }
    return found;
}

QList<StandOutEntry> indexStandOuts(const ResultSheet& sheet) {
    QList<StandOutEntry> found;
    const auto add = [&](Verdict verdict, const QString& name, const QString& shown, double norm) {
        if (verdict != Verdict::BeyondNorm)
            return;
        found.append({QStringLiteral("%1: %2 — ниже нормы (в пределах нормы от %3)")
                          .arg(name, shown.trimmed(), formatFixed(norm, 0, 1)),
                      QString()});
    };
    add(sheet.inclusionIndexVerdict, QStringLiteral("Включенность в коллектив"),
        sheet.inclusionIndex, inclusionNormValue());
    add(sheet.innovationIndexVerdict, QStringLiteral("Инновационный потенциал"),
        sheet.innovationIndex, innovationNormValue());
    return found;
}

} // namespace

QList<StandOutGroup> standOutGroups(const AnalysisState& state, const ResultSheet& sheet) {
    const Profiles& norm = state.comparison.norm.percent;
    const Profiles& raw = state.record.scores.raw;
    const auto motive = [](int m) { return MotiveNames[std::size_t(m)].trimmed(); };
    const QStringList orientations{QStringLiteral("РО"), QStringLiteral("ПО")};
    const QStringList stimuli = profileSeriesNames(3);
    const QList<StandOutGroup> all{
        {QStringLiteral("Профили в целом"), profileStandOuts(state, sheet)},
        {QStringLiteral("Индексы"), indexStandOuts(sheet)},
        {QStringLiteral("Мотивы (профиль 1)"),
         cellStandOuts(raw.profile1, norm.profile1, sheet.motiveChiVerdicts, sheet.motiveGrid, -1,
                       motive, [](int m) { return joinPieces(MotiveTexts[std::size_t(m)]); })},
        {QStringLiteral("Ориентации (профиль 2)"),
         cellStandOuts(
             raw.profile2, norm.profile2, sheet.orientationChiVerdicts, sheet.orientationGrid,
             ProfileRow::Chi,
             [&](int k) {
                 return orientations[k / MotiveCount] + QStringLiteral(", ") +
                        motive(k % MotiveCount);
             },
             [](int k) { return joinPieces(OrientationTexts[std::size_t(k / MotiveCount)]); })},
        {QStringLiteral("Стимулы (профиль 3)"),
         cellStandOuts(
             raw.profile3, norm.profile3, sheet.stimulusChiVerdicts, sheet.stimulusGrid,
             ProfileRow::Chi,
             [&](int k) {
                 return stimuli[k / MotiveCount] + QStringLiteral(", ") + motive(k % MotiveCount);
             },
             [](int) { return joinPieces(StimulusText); })},
    };
    QList<StandOutGroup> groups;
    for (const StandOutGroup& group : all)
        if (!group.entries.isEmpty())
            groups.append(group);
    return groups;
}

void printStandOuts(PageFlow& flow, const AnalysisState& state, const ResultSheet& sheet) {
    const QFont entryFont = pdfFont(9);
    const QFont explanationFont = pdfFont(7.5);
    const QList<StandOutGroup> groups = standOutGroups(state, sheet);
    flow.advance(6);
    flow.need(3 * LineHeight);
    flow.text(QStringLiteral("Что выделяется"), pdfFont(11, true));
    for (const StandOutGroup& group : groups) {
        flow.need(3 * LineHeight);
        flow.advance(2);
        flow.text(group.title, pdfFont(9, true));
        const QList<StandOutEntry>& entries = group.entries;
        for (qsizetype e = 0; e < entries.size(); ++e) {
            flow.text(QStringLiteral("• ") + entries[e].text, entryFont,
                      verdictColour(Verdict::BeyondNorm), 6);
            // Cells that share an explanation (the orientations, the stimuli) give it once.
            const QString& explanation = entries[e].explanation;
            if (!explanation.isEmpty() &&
                (e + 1 == entries.size() || entries[e + 1].explanation != explanation))
                flow.text(explanation, explanationFont, Qt::darkGray, 14);
        }
    }
    if (groups.isEmpty())
        flow.text(QStringLiteral("Ни одно значение не отличается от нормы значимо: все Хм2 не "
                                 "больше %1, профили и индексы в пределах нормы.")
                      .arg(formatFixed(cellCritical(), 0, 2)),
                  entryFont);
}

QStringList groupHeadingLines(const AnalysisState& state) {
    QStringList lines{compositionText(state.composition)};
    const QString period = testPeriodText(state.composition);
    if (!period.isEmpty())
        lines << period;
    lines << normLineText(state.comparison.norm)
          << QStringLiteral("Нормирование: ") + normTitle(state.comparison.norm);
    if (!state.choiceDescription.isEmpty())
        lines << QStringLiteral("Отбор: ") + state.choiceDescription;
    lines << QStringLiteral("Дата анализа: ") + state.header.testDate;
    return lines;
}

void printQualityVerdict(PageFlow& flow, const AnalysisState& state) {
    const QFont body = pdfFont(9);
    const QColor maroon = verdictColour(Verdict::BeyondNorm);
    if (state.kind != AnalysisKind::Group) {
        const bool doubtful = state.quality.doubtful();
        flow.runs({{QStringLiteral("Достоверность ответов: "), Qt::black},
                   {doubtful ? qualityVerdict(state.quality) : QStringLiteral("сомнений нет"),
                    doubtful ? maroon : verdictColour(Verdict::WithinNorm)}},
                  body, pdfFont(9, true));
        return;
    }
    const QStringList excluded = excludedLines(state);
    const QStringList kept = doubtfulKeptLines(state);
    if (excluded.isEmpty() && kept.isEmpty())
        return;
    flow.advance(4);
    flow.text(QStringLiteral("Достоверность ответов"), pdfFont(9, true));
    const auto list = [&](const QStringList& lines, const QString& note) {
        if (lines.isEmpty())
            return;
        flow.text(lines.first() + note, body, maroon);
        for (qsizetype k = 1; k < lines.size(); ++k)
            flow.text(QStringLiteral("• ") + lines[k], pdfFont(8), Qt::black, 6);
    };
    list(excluded, QStringLiteral(" — в средние группы не вошли"));
    list(kept, QStringLiteral(" — вошли в средние группы"));
}

namespace {

void printQualityFigures(PageFlow& flow, const AnswerQuality& quality) {
    flow.advance(6);
    flow.text(QStringLiteral("Достоверность ответов"), pdfFont(11, true));
    const QStringList lines = qualityLines(quality);
    for (qsizetype k = 0; k + 1 < lines.size(); ++k)
        flow.text(QStringLiteral("• ") + lines[k], pdfFont(9), Qt::black, 6);
    flow.text(lines.last(), pdfFont(9, true),
              verdictColour(quality.doubtful() ? Verdict::BeyondNorm : Verdict::WithinNorm));
    flow.text(QStringLiteral("Пороги взяты из исследований небрежных ответов (Meade & Craig, "
                             "2012; Huang et al., 2012; Curran, 2016). Превышение порога — повод "
                             "посмотреть бланк и поговорить с обследуемым, а не приговор."),
              pdfFont(7.5), Qt::darkGray);
}

} // namespace

void printAnswerTimePage(QPainter& painter, PageFlow& flow, const AnalysisState& state) {
    const AnswerQuality& quality = state.quality;
    // The chart takes a page of its own; a sheet typed from paper has a few lines only.
    if (quality.timed) {
        flow.newPage();
    } else {
        flow.advance(10);
        flow.need(12 * LineHeight);
    }
    flow.text(QStringLiteral("Время ответов"), pdfFont(13, true));
    flow.advance(2);
    flow.text(answerTimeSummary(state.record, quality), pdfFont(10, true));
    flow.advance(4);
    if (quality.timed) {
        flow.text(
            QStringLiteral("Точки — время ответа на каждое из 108 утверждений по порядку. Синяя "
                           "штриховая линия — среднее время, чёрные пунктирные — среднее плюс и "
                           "минус два разброса: зелёные точки внутри этих границ, красные — вне "
                           "их (необычно быстрые или долгие ответы)."),
            pdfFont(8), Qt::darkGray);
        // The figures below take about ten lines; the chart takes the rest of the page.
        const double height = std::max(200.0, flow.room() - 12 * LineHeight);
        flow.advance(4);
        TimeChartDescription chart =
            answerTimeChart(state.record, state.header.code, state.header.name);
        chart.valueAxisTitle = QStringLiteral("Время ответа, с");
        chart.foot = QStringLiteral("Номер утверждения");
        paintScaled(painter, QRectF(flow.left(), flow.y(), flow.contentWidth(), height), chart,
                    paintAnswerTimeChart);
        flow.advance(height + 4);
    } else {
        flow.text(QStringLiteral("Бланк введён вручную: время ответа не измерялось, поэтому "
                                 "графика нет, а признаки спешки не оцениваются."),
                  pdfFont(9));
    }
    printQualityFigures(flow, quality);
}

} // namespace ezr::pdf
