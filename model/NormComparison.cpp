#include "NormComparison.h"

#include "Domain.h"
#include "NormTables.h"
#include "Regional.h"

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

NormComparison computeNormComparison(const NormComparisonInput& input) {
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

} // namespace ezr
