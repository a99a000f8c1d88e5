#include "NormComparison.h"

#include "Domain.h"
#include "Regional.h"
#include "UnitResorce.h"

#include <cmath>

namespace ezr {

namespace {

constexpr long double PercentToCount = 1.08L; // 108 answers / 100 per cent
constexpr long double Answers = 108.0L;
constexpr double InnovationNorm = 17.2;
constexpr double InclusionThreshold = 0.0;

// Cell chi-squares of one profile against one norm row; returns the profile chi-square,
// the sum of the first terms alone.
template <std::size_t N>
double chiSquares(const std::array<double, N>& observed, const std::array<double, N>& norm,
                  std::array<double, N>& cells) {
    long double profile = 0.0L;
    for (std::size_t i = 0; i < N; ++i) {
        const long double o = observed[i];
        const long double e = norm[i] * PercentToCount;
        const long double inCell = (o - e) * (o - e) / e;
        const long double rest =
            ((Answers - o) - (Answers - e)) * ((Answers - o) - (Answers - e)) / (Answers - e);
        cells[i] = static_cast<double>(inCell + rest);
        profile += inCell;
    }
    return static_cast<double>(profile);
}

QString profileCaption(double critical) {
    return QStringLiteral("[X2(профиль)кр. = %1 для p = 0.05] ").arg(formatFixed(critical, 5, 2));
}

ProfileVerdict profileVerdict(double x2, double critical, QString caption) {
    ProfileVerdict v;
    v.x2 = x2;
    v.critical = critical;
    v.verdict = profileSignificance(x2, critical);
    v.text = formatSignificant5(x2);
    v.caption = std::move(caption);
    return v;
}

// The indices are judged as shown, with one decimal, so that a sum of two displayed
// percentages that reads 17.2 is 17.2 and not a binary neighbour of it.
double asShown(double value) {
    return std::round(value * 10.0) / 10.0;
}

IndexVerdict indexVerdict(double value, Verdict verdict) {
    IndexVerdict v;
    v.value = value;
    v.verdict = verdict;
    v.text = formatFixed(value, 0, 1);
    return v;
}

} // namespace

Verdict profileSignificance(double x2, double critical) {
    return x2 > critical ? Verdict::BeyondNorm : Verdict::WithinNorm;
}

Verdict cellSignificance(double chi) {
    return chi <= ChiCritical[3][0] ? Verdict::WithinNorm : Verdict::BeyondNorm;
}

Verdict inclusionVerdict(double index) {
    return asShown(index) >= InclusionThreshold ? Verdict::WithinNorm : Verdict::BeyondNorm;
}

Verdict innovationVerdict(double index) {
    return asShown(index) >= InnovationNorm ? Verdict::WithinNorm : Verdict::BeyondNorm;
}

int normGroup(NormKind kind, const QString& sex, const QString& education) {
    int subgroup = 0;
    if (kind == NormKind::Sex && sex == FemaleSex)
        subgroup = 1;
    if (kind == NormKind::Education && education == SecondaryEducation)
        subgroup = 1;
    return 2 * (static_cast<int>(kind) - 1) + subgroup;
}

NormComparison compareWithNorms(const NormComparisonInput& input) {
    const int kind = static_cast<int>(input.kind);
    const auto row = static_cast<std::size_t>(kind - 1);
    NormComparison result;
    result.normName = NormKindNames[row];
    result.normGroup = normGroup(input.kind, input.sex, input.education);
    const auto group = static_cast<std::size_t>(result.normGroup);

    const double x21 = chiSquares(input.profile1, Norms1[group], result.chi1);
    const double x22 = chiSquares(input.profile2, Norms2[group], result.chi2);
    const double x23 = chiSquares(input.profile3, Norms3[group], result.chi3);

    result.profile1 = profileVerdict(x21, ChiCritical[row][0], profileCaption(ChiCritical[row][0]));
    result.profile2 = profileVerdict(x22, ChiCritical[row][1], profileCaption(ChiCritical[row][1]));
    result.profile3 = profileVerdict(
        x23, ChiCritical[row][2],
        QStringLiteral("[X2(профиль)кр. = %1 для p = 0.05]    [X2(мотив)кр. = %2 для p = 0.05]")
            .arg(formatFixed(ChiCritical[row][2], 5, 2), formatFixed(ChiCritical[3][0], 5, 2)));

    const double inclusion =
        parseFloat(input.cooperationScore) - parseFloat(input.utilitarianScore);
    result.inclusion = indexVerdict(inclusion, inclusionVerdict(inclusion));
    const double innovation =
        parseFloat(input.roTransformationPct) + parseFloat(input.roAchievementPct);
    result.innovation = indexVerdict(innovation, innovationVerdict(innovation));
    return result;
}

NormComparisonInput normInputFrom(NormKind kind, const ResultSheet& sheet,
                                  const TAnalysisData& data) {
    NormComparisonInput input;
    input.kind = kind;
    input.sex = sheet.sex;
    input.education = sheet.education;
    input.profile1 = data.Profile1Raw;
    input.profile2 = data.Profile2Raw;
    input.profile3 = data.Profile3Raw;
    input.cooperationScore = sheet.motiveGrid.cell(7, 1 + static_cast<int>(Motive::Cooperation));
    input.utilitarianScore = sheet.motiveGrid.cell(7, 1 + static_cast<int>(Motive::Utilitarian));
    input.roTransformationPct = sheet.orientationGrid.cell(1, 2);
    input.roAchievementPct = sheet.orientationGrid.cell(6, 2);
    return input;
}

void applyNormComparison(const NormComparison& result, ResultSheet& sheet, TAnalysisData& data) {
    sheet.norm = result.normName;
    data.Profile1Chi = result.chi1;
    data.Profile2Chi = result.chi2;
    data.Profile3Chi = result.chi3;

    for (int row = 1; row <= 6; ++row)
        sheet.motiveGrid.cell(9, row) =
            motiveChiText(result.chi1[static_cast<std::size_t>(row - 1)]);
    for (int k = 1; k <= 12; ++k)
        sheet.orientationGrid.cell(k, 3) =
            decimalText(result.chi2[static_cast<std::size_t>(k - 1)]);
    for (int k = 1; k <= 18; ++k)
        sheet.stimulusGrid.cell(k, 3) = decimalText(result.chi3[static_cast<std::size_t>(k - 1)]);

    const auto showProfile = [](const ProfileVerdict& profile, QString& text, Verdict& verdict,
                                QString& caption) {
        text = profile.text;
        verdict = profile.verdict;
        caption = profile.caption;
    };
    showProfile(result.profile1, sheet.x21, sheet.x21Verdict, sheet.profile1Caption);
    showProfile(result.profile2, sheet.x22, sheet.x22Verdict, sheet.profile2Caption);
    showProfile(result.profile3, sheet.x23, sheet.x23Verdict, sheet.profile3Caption);

    sheet.index1 = result.inclusion.text;
    sheet.index1Verdict = result.inclusion.verdict;
    sheet.index2 = result.innovation.text;
    sheet.index2Verdict = result.innovation.verdict;
}

void CompareWithNorms(NormKind kind, ResultSheet& sheet, TAnalysisData& data) {
    const NormComparison result = compareWithNorms(normInputFrom(kind, sheet, data));
    applyNormComparison(result, sheet, data);
}

} // namespace ezr
