#include "SheetComparison.h"

namespace ezr {

NormComparisonInput normInputFrom(NormKind kind, const ResultSheet& sheet,
                                  const AnalysisRecord& data) {
    NormComparisonInput input;
    input.kind = kind;
    input.sex = sheet.sex;
    input.education = sheet.education;
    input.profile1 = data.Profile1Raw;
    input.profile2 = data.Profile2Raw;
    input.profile3 = data.Profile3Raw;
    input.cooperationScore =
        sheet.motiveGrid.cell(MotiveColumn::Score, motiveRow(Motive::Cooperation));
    input.utilitarianScore =
        sheet.motiveGrid.cell(MotiveColumn::Score, motiveRow(Motive::Utilitarian));
    input.roTransformationPct = sheet.orientationGrid.cell(
        profileCellColumn(profile2Index(Orientation::Resultative, Motive::Transformation)),
        ProfileRow::Percent);
    input.roAchievementPct = sheet.orientationGrid.cell(
        profileCellColumn(profile2Index(Orientation::Resultative, Motive::Achievement)),
        ProfileRow::Percent);
    return input;
}

void applyNormComparison(const NormComparison& result, ResultSheet& sheet, AnalysisRecord& data) {
    sheet.norm = result.normName;
    data.Profile1Chi = result.chi1;
    data.Profile2Chi = result.chi2;
    data.Profile3Chi = result.chi3;

    for (int m = 0; m < MotiveCount; ++m)
        sheet.motiveGrid.cell(MotiveColumn::Chi, motiveRow(static_cast<Motive>(m))) =
            motiveChiText(result.chi1[std::size_t(m)]);
    for (int k = 0; k < int(result.chi2.size()); ++k)
        sheet.orientationGrid.cell(profileCellColumn(k), ProfileRow::Chi) =
            decimalText(result.chi2[std::size_t(k)]);
    for (int k = 0; k < int(result.chi3.size()); ++k)
        sheet.stimulusGrid.cell(profileCellColumn(k), ProfileRow::Chi) =
            decimalText(result.chi3[std::size_t(k)]);

    const auto showProfile = [](const ProfileVerdict& profile, QString& text, Verdict& verdict,
                                QString& caption) {
        text = profile.text;
        verdict = profile.verdict;
        caption = profile.caption;
    };
    showProfile(result.profile1, sheet.profile1X2, sheet.profile1X2Verdict, sheet.profile1Caption);
    showProfile(result.profile2, sheet.profile2X2, sheet.profile2X2Verdict, sheet.profile2Caption);
    showProfile(result.profile3, sheet.profile3X2, sheet.profile3X2Verdict, sheet.profile3Caption);

    sheet.inclusionIndex = result.inclusion.text;
    sheet.inclusionIndexVerdict = result.inclusion.verdict;
    sheet.innovationIndex = result.innovation.text;
    sheet.innovationIndexVerdict = result.innovation.verdict;
}

void compareSheetWithNorm(NormKind kind, ResultSheet& sheet, AnalysisRecord& data) {
    const NormComparison result = computeNormComparison(normInputFrom(kind, sheet, data));
    applyNormComparison(result, sheet, data);
}

} // namespace ezr
