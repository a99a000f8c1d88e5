#include "NormComparison.h"

#include "Domain.h"
#include "NormTables.h"

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

// The indices are judged as shown, with one decimal, so that a sum of two displayed
// percentages that reads 17.2 is 17.2 and not a binary neighbour of it.
double asShown(double value) {
    return std::round(value * 10.0) / 10.0;
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

double inclusionNormValue() {
    return InclusionThreshold;
}

double innovationNormValue() {
    return InnovationNorm;
}

double cellCritical() {
    return ChiCritical[3][0];
}

int normRow(NormKind kind, const QString& sex, const QString& education) {
    int subgroup = 0;
    if (kind == NormKind::Sex && sex == FemaleSex)
        subgroup = 1;
    if (kind == NormKind::Education && education == SecondaryEducation)
        subgroup = 1;
    return 2 * (static_cast<int>(kind) - 1) + subgroup;
}

Norm storedNorm(int row) {
    const auto group = static_cast<std::size_t>(row);
    Norm norm;
    norm.kind = static_cast<NormKind>(row / 2 + 1);
    norm.row = row;
    norm.percent.profile1 = Norms1[group];
    norm.percent.profile2 = Norms2[group];
    norm.percent.profile3 = Norms3[group];
    return norm;
}

Norm storedNorm(NormKind kind, const QString& sex, const QString& education) {
    return storedNorm(normRow(kind, sex, education));
}

QString normGroupName(const Norm& norm) {
    if (norm.kind == NormKind::Own)
        return QStringLiteral("%1 (N = %2)").arg(norm.name).arg(norm.memberCount);
    static const std::array<QString, 6> rowNames = {QStringLiteral("мужчины"),
                                                    QStringLiteral("женщины"),
                                                    QStringLiteral("высшее образование"),
                                                    QStringLiteral("среднее образование"),
                                                    QStringLiteral("удовлетворенность"),
                                                    QStringLiteral("удовлетворенность")};
    return rowNames[static_cast<std::size_t>(norm.row)];
}

QString normTitle(const Norm& norm) {
    if (norm.kind == NormKind::Own)
        return normGroupName(norm);
    return NormKindNames[static_cast<std::size_t>(static_cast<int>(norm.kind) - 1)];
}

NormComparison compareWithNorm(const Norm& norm, const Profiles& raw, AnalysisKind shown) {
    NormComparison result;
    result.norm = norm;
    const double x2[3] = {chiSquares(raw.profile1, norm.percent.profile1, result.chi.profile1),
                          chiSquares(raw.profile2, norm.percent.profile2, result.chi.profile2),
                          chiSquares(raw.profile3, norm.percent.profile3, result.chi.profile3)};
    // The critical values are the same for every kind: they depend on the cells alone.
    for (std::size_t p = 0; p < 3; ++p) {
        const double critical = ChiCritical[0][p];
        result.profiles[p] = ProfileVerdict{x2[p], critical, profileSignificance(x2[p], critical)};
    }

    const auto motive = [&](Motive m) {
        return shownScore(raw.profile1[static_cast<std::size_t>(m)], shown);
    };
    const double inclusion = motive(Motive::Cooperation) - motive(Motive::Utilitarian);
    result.inclusion = IndexVerdict{inclusion, inclusionVerdict(inclusion)};
    const auto resultativePercent = [&](Motive m) {
        return shownOneDecimal(percentOfAnswers(
            raw.profile2[static_cast<std::size_t>(profile2Index(Orientation::Resultative, m))]));
    };
    const double innovation =
        resultativePercent(Motive::Transformation) + resultativePercent(Motive::Achievement);
    result.innovation = IndexVerdict{innovation, innovationVerdict(innovation)};
    return result;
}

} // namespace ezr
