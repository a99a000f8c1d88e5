#include "ResultSheet.h"

#include "AnalysisSummary.h"
#include "ExplanationTexts.h"
#include "NormTables.h"
#include "Regional.h"

#include <algorithm>
#include <cmath>

namespace ezr {

namespace {

QString padded(int blanks, const QString& text) {
    return QString(blanks, QLatin1Char(' ')) + text;
}

const QString MotivesHeading = QStringLiteral(" Смыслообразующие мотивы");

// " Сумма баллов", " % ", " Xм2 " (Latin X) and the motive numbers 1-6 per heading group.
void setProfileHeadings(TextGrid& grid) {
    grid.cell(0, 0) = MotivesHeading;
    for (int column = 1; column < grid.columnCount(); ++column)
        grid.cell(column, 0) = padded(4, QString::number((column - 1) % 6 + 1));
    grid.cell(0, ProfileRow::Score) = QStringLiteral(" Сумма баллов");
    grid.cell(0, ProfileRow::Percent) = QStringLiteral(" % ");
    grid.cell(0, ProfileRow::Chi) = QStringLiteral(" Xм2 ");
}

} // namespace

ResultSheet initialSheet() {
    ResultSheet sheet;

    sheet.stimulusBand.cell(0, 0) = padded(43, QStringLiteral("Стимулы"));
    sheet.stimulusBand.cell(1, 0) = padded(24, QStringLiteral("Деньги"));
    sheet.stimulusBand.cell(2, 0) = padded(18, QStringLiteral("Коллектив"));
    sheet.stimulusBand.cell(3, 0) = padded(23, QStringLiteral("Труд"));
    setProfileHeadings(sheet.stimulusGrid);

    sheet.motiveBand.cell(0, 0) = padded(43, QStringLiteral("Стимулы"));
    sheet.motiveBand.cell(1, 0) = padded(7, QStringLiteral("Деньги"));
    sheet.motiveBand.cell(2, 0) = padded(4, QStringLiteral("Коллектив"));
    sheet.motiveBand.cell(3, 0) = padded(8, QStringLiteral("Труд"));
    sheet.motiveBand.cell(4, 0) = padded(7, QStringLiteral("Сумма "));
    sheet.motiveBand.cell(5, 0) = padded(5, QStringLiteral("Х2 ")); // Cyrillic Х

    TextGrid& motives = sheet.motiveGrid;
    motives.cell(0, 0) = MotivesHeading;
    for (int column = 1; column <= 6; column += 2) {
        motives.cell(column, 0) = padded(3, QStringLiteral("РО"));
        motives.cell(column + 1, 0) = padded(3, QStringLiteral("ПО"));
    }
    motives.cell(MotiveColumn::Score, 0) = QStringLiteral("балл.");
    motives.cell(MotiveColumn::Percent, 0) = padded(4, QStringLiteral("%"));
    motives.cell(MotiveColumn::Chi, 0) = QStringLiteral("мотив.");
    for (int row = 1; row <= 6; ++row)
        motives.cell(0, row) = QStringLiteral(" %1. %2").arg(row).arg(MotiveNames[row - 1]);

    sheet.orientationBand.cell(0, 0) = padded(36, QStringLiteral("Ориентация"));
    sheet.orientationBand.cell(1, 0) = padded(15, QStringLiteral("Результирующая"));
    sheet.orientationBand.cell(2, 0) = padded(15, QStringLiteral("Процессуальная"));
    setProfileHeadings(sheet.orientationGrid);
    return sheet;
}

QString countText(double value) {
    // Ties go to the even neighbour, as the rounding of the scores always has.
    return padded(4, formatInt(static_cast<long long>(std::nearbyint(value)), 2));
}

QString decimalText(double value) {
    return padded(2, formatFixed(value, 4, 1));
}

QString motiveChiText(double value) {
    return padded(3, formatFixed(value, 4, 1));
}

QString scoreText(double value, AnalysisKind kind) {
    return scoreDecimals(kind) == 0 ? countText(value) : decimalText(value);
}

QString profileX2Text(double x2) {
    return formatSignificant5(x2);
}

QString indexText(double value) {
    return formatFixed(value, 0, 1);
}

QString profileCaption(int profile, const NormComparison& comparison) {
    const double critical = comparison.profiles[std::size_t(profile - 1)].critical;
    if (profile < 3)
        return QStringLiteral("[X2(профиль)кр. = %1 для p = 0.05] ")
            .arg(formatFixed(critical, 5, 2));
    return QStringLiteral("[X2(профиль)кр. = %1 для p = 0.05]    [X2(мотив)кр. = %2 для p = 0.05]")
        .arg(formatFixed(critical, 5, 2), formatFixed(cellCritical(), 5, 2));
}

QStringList skippedLines(const AnalysisState& state) {
    QStringList lines;
    if (state.skipped.isEmpty())
        return lines;
    lines << QStringLiteral("Пропущено файлов: ") + QString::number(state.skipped.size());
    for (const SkippedEntry& entry : state.skipped)
        lines << entry.fileName;
    return lines;
}

// Codes of the list that chose the members and that no entry of the folder has.
QStringList missingCodeLines(const AnalysisState& state) {
    QStringList lines;
    if (state.missingCodes.isEmpty())
        return lines;
    lines << QStringLiteral("Не найдены коды из списка: ") +
                 QString::number(state.missingCodes.size());
    lines << state.missingCodes;
    return lines;
}

// Leftovers of interrupted writes are not members; the user sees why the folder holds more.
QStringList interruptedWriteLines(const AnalysisState& state) {
    QStringList lines;
    const QList<QString>& names = state.roster.interruptedWrites;
    if (names.isEmpty())
        return lines;
    lines << QStringLiteral("Не учтены остатки прерванной записи: ") +
                 QString::number(names.size());
    lines << names;
    return lines;
}

QStringList informationLines(const AnalysisState& state) {
    QStringList lines;
    switch (state.kind) {
    case AnalysisKind::None:
        break;
    case AnalysisKind::Individual:
        lines << QStringLiteral("Время выполнения:");
        for (const QString& line : state.record.timingLines)
            lines << line;
        break;
    case AnalysisKind::Group:
        lines << QStringLiteral("Состав группы:");
        lines.reserve(state.roster.lines.size() + 2);
        for (qsizetype m = 0; m < state.roster.lines.size(); ++m)
            lines << state.roster.lines.at(m).toString();
        lines << QStringLiteral("Общее число: ") + QString::number(state.roster.lines.size());
        lines << skippedLines(state);
        lines << excludedLines(state);
        lines << missingCodeLines(state);
        lines << interruptedWriteLines(state);
        break;
    }
    return lines;
}

namespace {

// The information lines joined by CR LF; a group's straight from its roster, without a
// string per member on the way.
QString informationText(const AnalysisState& state) {
    if (state.kind != AnalysisKind::Group)
        return informationLines(state).join(QStringLiteral("\r\n"));
    const QString total =
        QStringLiteral("Общее число: ") + QString::number(state.roster.lines.size());
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Состав группы:");
    for (qsizetype m = 0; m < state.roster.lines.size(); ++m) {
        text += crlf;
        text += state.roster.lines.at(m);
    }
    text += crlf;
    text += total;
    for (const QString& line : skippedLines(state) + excludedLines(state) +
                                   missingCodeLines(state) + interruptedWriteLines(state)) {
        text += crlf;
        text += line;
    }
    return text;
}

// Who was examined, and the information lines of the analysis.
void fillHeader(ResultSheet& sheet, const AnalysisState& state) {
    const AnalysisHeader& h = state.header;
    sheet.code = h.code;
    sheet.nameCaption = state.kind == AnalysisKind::Group ? GroupCaption : IndividualCaption;
    sheet.name = h.name;
    sheet.sex = h.sex;
    sheet.education = h.education;
    sheet.testDate = h.testDate;
    sheet.age = state.kind == AnalysisKind::Group ? QString() : h.age;
    sheet.infoHint = informationText(state);
    sheet.infoSummary = informationSummary(state);
}

// Profile 1: each motive's answers by stimulus and orientation, its score, percentage and
// chi-square.
void fillMotiveGrid(ResultSheet& sheet, const AnalysisState& state) {
    const Scores& scores = state.record.scores;
    const NormComparison& comparison = state.comparison;
    for (int m = 0; m < MotiveCount; ++m) {
        const int row = motiveRow(static_cast<Motive>(m));
        const auto cell = std::size_t(m);
        for (int k = 0; k < StimulusCount * OrientationCount; ++k) {
            const int count = m * StimulusCount * OrientationCount + k;
            sheet.motiveGrid.cell(MotiveColumn::FirstCount + k, row) =
                scoreText(scores.motiveCounts[std::size_t(count)], state.kind);
        }
        sheet.motiveGrid.cell(MotiveColumn::Score, row) =
            scoreText(scores.raw.profile1[cell], state.kind);
        sheet.motiveGrid.cell(MotiveColumn::Percent, row) =
            decimalText(percentOfAnswers(scores.raw.profile1[cell]));
        sheet.motiveGrid.cell(MotiveColumn::Chi, row) =
            motiveChiText(comparison.chi.profile1[cell]);
        sheet.motiveChiVerdicts[cell] = shownCellVerdict(comparison.chi.profile1[cell]);
    }
}

// Profile 2 or 3: the score, percentage and chi-square rows of its grid.
template <typename Raw, typename Chi, typename Verdicts>
void fillProfileRows(TextGrid& grid, const Raw& raw, const Chi& chi, Verdicts& verdicts,
                     AnalysisKind kind) {
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const int column = profileCellColumn(int(k));
        grid.cell(column, ProfileRow::Score) = scoreText(raw[k], kind);
        grid.cell(column, ProfileRow::Percent) = decimalText(percentOfAnswers(raw[k]));
        grid.cell(column, ProfileRow::Chi) = decimalText(chi[k]);
        verdicts[k] = shownCellVerdict(chi[k]);
    }
}

// The norm, the three profiles' chi-squares and captions, and the two indices.
void fillVerdicts(ResultSheet& sheet, const NormComparison& comparison) {
    sheet.norm = normTitle(comparison.norm);
    QString* x2[3] = {&sheet.profile1X2, &sheet.profile2X2, &sheet.profile3X2};
    Verdict* x2Verdicts[3] = {&sheet.profile1X2Verdict, &sheet.profile2X2Verdict,
                              &sheet.profile3X2Verdict};
    QString* captions[3] = {&sheet.profile1Caption, &sheet.profile2Caption, &sheet.profile3Caption};
    for (int p = 0; p < 3; ++p) {
        *x2[p] = profileX2Text(comparison.profiles[std::size_t(p)].x2);
        *x2Verdicts[p] = comparison.profiles[std::size_t(p)].verdict;
        *captions[p] = profileCaption(p + 1, comparison);
    }
    sheet.inclusionIndex = indexText(comparison.inclusion.value);
    sheet.inclusionIndexVerdict = comparison.inclusion.verdict;
    sheet.innovationIndex = indexText(comparison.innovation.value);
    sheet.innovationIndexVerdict = comparison.innovation.verdict;
}

} // namespace

ResultSheet formatSheet(const AnalysisState& state) {
    ResultSheet sheet = initialSheet();
    if (state.kind == AnalysisKind::None)
        return sheet;
    fillHeader(sheet, state);
    fillMotiveGrid(sheet, state);
    const Scores& scores = state.record.scores;
    const NormComparison& comparison = state.comparison;
    fillProfileRows(sheet.orientationGrid, scores.raw.profile2, comparison.chi.profile2,
                    sheet.orientationChiVerdicts, state.kind);
    fillProfileRows(sheet.stimulusGrid, scores.raw.profile3, comparison.chi.profile3,
                    sheet.stimulusChiVerdicts, state.kind);
    fillVerdicts(sheet, comparison);
    return sheet;
}

} // namespace ezr

namespace ezr {

QString windowInformation(const ResultSheet& sheet) {
    QString hint = sheet.infoHint;
    if (hint.contains(QLatin1Char('\r')))
        hint.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (sheet.infoSummary.isEmpty())
        return hint;
    return sheet.infoSummary.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + hint;
}

} // namespace ezr
