#include "ResultSheet.h"

#include "ExplanationTexts.h"
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

namespace {

// Counts and raw scores in the given format, percentages always with one decimal.
void fillProfiles(ResultSheet& sheet, const GroupMeans& values, QString (*valueText)(double)) {
    for (int m = 0; m < MotiveCount; ++m) {
        const int row = motiveRow(static_cast<Motive>(m));
        for (int k = 0; k < 6; ++k)
            sheet.motiveGrid.cell(MotiveColumn::FirstCount + k, row) =
                valueText(values.motiveCounts[static_cast<std::size_t>(m * 6 + k)]);
        const double raw = values.profile1[static_cast<std::size_t>(m)];
        sheet.motiveGrid.cell(MotiveColumn::Score, row) = valueText(raw);
        sheet.motiveGrid.cell(MotiveColumn::Percent, row) = decimalText(percentOfAnswers(raw));
    }
    const auto fillRows = [valueText](TextGrid& grid, const auto& profile) {
        for (int k = 0; k < static_cast<int>(profile.size()); ++k) {
            const double raw = profile[static_cast<std::size_t>(k)];
            grid.cell(profileCellColumn(k), ProfileRow::Score) = valueText(raw);
            grid.cell(profileCellColumn(k), ProfileRow::Percent) =
                decimalText(percentOfAnswers(raw));
        }
    };
    fillRows(sheet.orientationGrid, values.profile2);
    fillRows(sheet.stimulusGrid, values.profile3);
}

} // namespace

void fillIndividual(ResultSheet& sheet, const AnalysisRecord& data) {
    GroupMeans values;
    std::copy(data.MotiveCounts.begin(), data.MotiveCounts.end(), values.motiveCounts.begin());
    values.profile1 = data.Profile1Raw;
    values.profile2 = data.Profile2Raw;
    values.profile3 = data.Profile3Raw;
    fillProfiles(sheet, values, countText);
}

void fillGroup(ResultSheet& sheet, const GroupMeans& means) {
    fillProfiles(sheet, means, decimalText);
}

} // namespace ezr
