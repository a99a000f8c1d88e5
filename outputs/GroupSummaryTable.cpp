#include "ExamineeTable.h"
#include "ExamineeTableParts.h"

#include "AnalysisSummary.h"
#include "ExplanationTexts.h"
#include "ReportHeader.h"
#include "ResultSheet.h"

#include <array>

// The group's summary sheet of the workbook: who the group is, its indices and its three
// profiles with scores, percentages and chi-squares.
namespace ezr {

namespace {

// The sheet as it is built: rows in order, headings in bold, the decimals each number shows.
struct SummarySheet {
    SheetTable table;

    void add(TableRow row, bool bold = false) {
        if (bold)
            table.boldRows.append(int(table.rows.size()));
        table.rows.append(std::move(row));
    }
    // The last row added shows `decimals` in the columns from `first` to `last`.
    void shown(int first, int last, int decimals) {
        for (int c = first; c <= last; ++c)
            table.showDecimals(int(table.rows.size()) - 1, c, decimals);
    }
};

// Who the group is, from its members' files: its code, name, sex, education and date
// fields would show the member count, "Группа", the norm's traits and the day of the run.
void addWhoAndIndices(SummarySheet& sheet, const AnalysisState& state) {
    const NormComparison& comparison = state.comparison;
    sheet.add({compositionText(state.composition)}, true);
    if (const QString period = testPeriodText(state.composition); !period.isEmpty())
        sheet.add({period});
    sheet.add({normLineText(comparison.norm)});
    for (const HeaderLine& line : reportHeader(state))
        if (line.field == HeaderLine::Field::Norm)
            sheet.add({line.label, tableTextCell(line.value)});
    sheet.add({QStringLiteral("Дата анализа"), tableTextCell(state.header.testDate)});
    for (const QString& line : excludedLines(state))
        sheet.add({line});
    sheet.add({QStringLiteral("Включенность в коллектив"), comparison.inclusion.value});
    sheet.shown(1, 1, 1);
    sheet.add({QStringLiteral("Инновационный потенциал"), comparison.innovation.value});
    sheet.shown(1, 1, 1);
    sheet.add({});
}

void addProfileRow(SummarySheet& sheet, int number, const NormComparison& comparison) {
    sheet.add({QStringLiteral("Профиль %1").arg(number), QStringLiteral("X2"),
               comparison.profiles[std::size_t(number - 1)].x2,
               profileCaption(number, comparison).trimmed()},
              true);
    sheet.shown(2, 2, 3);
}

// Profile 1: each motive's answers by stimulus and orientation, its score, percentage and
// chi-square.
void addProfile1(SummarySheet& sheet, const AnalysisState& state, const QStringList& motives) {
    const Scores& scores = state.record.scores;
    const NormComparison& comparison = state.comparison;
    addProfileRow(sheet, 1, comparison);
    sheet.add({QStringLiteral("Смыслообразующие мотивы"), QStringLiteral("Деньги РО"),
               QStringLiteral("Деньги ПО"), QStringLiteral("Коллектив РО"),
               QStringLiteral("Коллектив ПО"), QStringLiteral("Труд РО"), QStringLiteral("Труд ПО"),
               QStringLiteral("балл."), QStringLiteral("%"), QStringLiteral("Хм2")},
              true);
    for (int m = 0; m < MotiveCount; ++m) {
        TableRow cells{motives[m]};
        const int perMotive = StimulusCount * OrientationCount;
        for (int k = 0; k < perMotive; ++k) {
            const int cell = m * perMotive + k;
            cells.append(scores.motiveCounts[std::size_t(cell)]);
        }
        const double raw = scores.raw.profile1[std::size_t(m)];
        cells << raw << percentOfAnswers(raw) << comparison.chi.profile1[std::size_t(m)];
        sheet.add(cells);
        sheet.shown(1, perMotive + 1, 1);
        sheet.shown(perMotive + 2, perMotive + 2, 1);
        sheet.shown(perMotive + 3, perMotive + 3, 2);
    }
    sheet.add({});
}

// Profile 2 or 3: a column for each group of the profile and motive, rows of scores,
// percentages and chi-squares labelled as the result sheet labels them.
template <std::size_t N>
void addBandRows(SummarySheet& sheet, const NormComparison& comparison, int number,
                 const TextGrid& grid, const QStringList& groups, const QStringList& motives,
                 const std::array<double, N>& raw, const std::array<double, N>& chi) {
    addProfileRow(sheet, number, comparison);
    TableRow head{QString()};
    for (const QString& group : groups)
        for (const QString& m : motives)
            head.append(group + QLatin1Char(' ') + m);
    sheet.add(head, true);
    TableRow rawRow{grid.cell(0, ProfileRow::Score).trimmed()};
    TableRow percentRow{grid.cell(0, ProfileRow::Percent).trimmed()};
    TableRow chiRow{grid.cell(0, ProfileRow::Chi).trimmed()};
    for (std::size_t k = 0; k < raw.size(); ++k) {
        rawRow.append(raw[k]);
        percentRow.append(percentOfAnswers(raw[k]));
        chiRow.append(chi[k]);
    }
    const int last = int(raw.size());
    sheet.add(rawRow);
    sheet.shown(1, last, 1);
    sheet.add(percentRow);
    sheet.shown(1, last, 1);
    sheet.add(chiRow);
    sheet.shown(1, last, 2);
    sheet.add({});
}

} // namespace

SheetTable groupSummaryTable(const AnalysisState& state) {
    const ResultSheet result = formatSheet(state);
    const Scores& scores = state.record.scores;
    const NormComparison& comparison = state.comparison;
    const QStringList motives = tableMotiveNames();
    SummarySheet sheet;
    sheet.table.name = QStringLiteral("Группа");
    addWhoAndIndices(sheet, state);
    addProfile1(sheet, state, motives);
    addBandRows(sheet, comparison, 2, result.orientationGrid,
                {QStringLiteral("РО"), QStringLiteral("ПО")}, motives, scores.raw.profile2,
                comparison.chi.profile2);
    addBandRows(sheet, comparison, 3, result.stimulusGrid,
                {QStringLiteral("Деньги"), QStringLiteral("Коллектив"), QStringLiteral("Труд")},
                motives, scores.raw.profile3, comparison.chi.profile3);
    return std::move(sheet.table);
}

} // namespace ezr
