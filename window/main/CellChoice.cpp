#include "CellChoice.h"

#include "AnalysisData.h"
#include "ExplanationTexts.h"

using namespace ezr;

namespace {

// The rows "Сумма баллов", "%", "Xм2" of the orientation and stimulus grids.
std::optional<ProfileValues> valuesOfRow(int row) {
    switch (row) {
    case 1:
        return ProfileValues::Raw;
    case 2:
        return ProfileValues::Percent;
    case 3:
        return ProfileValues::Chi;
    default:
        return std::nullopt;
    }
}

} // namespace

CellChoice cellChoice(ProfileGrid grid, int column, int row) {
    CellChoice choice;
    switch (grid) {
    case ProfileGrid::Motives:
        // The columns "балл.", "%" and "мотив." of the motive grid.
        choice.profile = 1;
        choice.chart = column >= 7 ? valuesOfRow(column - 6) : std::nullopt;
        if (row >= 1 && row <= MotiveCount)
            choice.explanation = joinPieces(MotiveTexts[std::size_t(row - 1)]);
        choice.caption = InformationCaption + QStringLiteral(": Смыслообразующие мотивы");
        break;
    case ProfileGrid::Orientations:
        choice.profile = 2;
        choice.chart = valuesOfRow(row);
        if (column >= 1 && column <= 2 * MotiveCount)
            choice.explanation = joinPieces(OrientationTexts[column <= MotiveCount ? 0 : 1]);
        choice.caption = InformationCaption + QStringLiteral(": Ориентации");
        break;
    case ProfileGrid::Stimuli:
        choice.profile = 3;
        choice.chart = valuesOfRow(row);
        if (column >= 1 && column <= StimulusCount * MotiveCount)
            choice.explanation = joinPieces(StimulusText);
        choice.caption = InformationCaption + QStringLiteral(": Стимулы");
        break;
    }
    return choice;
}
