#include "NormDistribution.h"

#include "Analysis.h"
#include "AnalysisError.h"

#include <QJsonObject>

#include <cmath>

namespace ezr {

namespace {

[[noreturn]] void refuse(const QString& fileName, const QString& problem) {
    throw AnalysisError(QStringLiteral("Файл %1 не является файлом нормы: %2")
                            .arg(pathInMessage(fileName), problem));
}

std::array<double, NormCellCount> cellsOf(const Profiles& profiles) {
    std::array<double, NormCellCount> values{};
    auto out = std::copy(profiles.profile1.begin(), profiles.profile1.end(), values.begin());
    out = std::copy(profiles.profile2.begin(), profiles.profile2.end(), out);
    std::copy(profiles.profile3.begin(), profiles.profile3.end(), out);
    return values;
}

} // namespace

std::optional<NormDistribution> distributionOf(const GroupMoments& moments) {
    const int n = moments.members;
    if (n < 2)
        return std::nullopt;
    const auto sums = cellsOf(moments.sums), squares = cellsOf(moments.squares);
    NormDistribution distribution;
    for (std::size_t c = 0; c < distribution.cells.size(); ++c) {
        CellDistribution& cell = distribution.cells[c];
        cell.n = n;
        cell.mean = percentOfAnswers(sums[c] / n);
        const double deviations = squares[c] - sums[c] * sums[c] / n;
        cell.sd = deviations > 0.0 ? percentOfAnswers(std::sqrt(deviations / (n - 1))) : 0.0;
        cell.histogram = moments.histograms[c];
    }
    return distribution;
}

QJsonArray distributionJson(const NormDistribution& distribution) {
    QJsonArray cells;
    for (const CellDistribution& cell : distribution.cells) {
        QJsonArray histogram;
        for (int members : cell.histogram)
            histogram.append(members);
        cells.append(QJsonObject{{QStringLiteral("n"), cell.n},
                                 {QStringLiteral("mean"), cell.mean},
                                 {QStringLiteral("sd"), cell.sd},
                                 {QStringLiteral("histogram"), histogram}});
    }
    return cells;
}

NormDistribution readDistribution(const QJsonValue& value, int memberCount,
                                  const QString& fileName) {
    const QJsonArray cells = value.toArray();
    if (!value.isArray() || cells.size() != NormCellCount)
        refuse(fileName, QStringLiteral("в \"distribution\" нужно %1 ячеек").arg(NormCellCount));
    NormDistribution distribution;
    for (int c = 0; c < NormCellCount; ++c) {
        const QJsonObject object = cells.at(c).toObject();
        CellDistribution& cell = distribution.cells[std::size_t(c)];
        cell.n = object.value(QStringLiteral("n")).toInt(-1);
        cell.mean = object.value(QStringLiteral("mean")).toDouble(NAN);
        cell.sd = object.value(QStringLiteral("sd")).toDouble(NAN);
        qint64 members = 0;
        for (const QJsonValueRef bin : object.value(QStringLiteral("histogram")).toArray()) {
            const int count = bin.toInt(-1);
            if (count < 0)
                refuse(fileName, QStringLiteral("\"distribution\", ячейка %1: в гистограмме не "
                                                "число обследуемых")
                                     .arg(c + 1));
            cell.histogram.append(count);
            members += count;
        }
        // The chi-square and the t-test divide by these: nothing but a real spread passes.
        if (cell.n != memberCount || members != memberCount || !std::isfinite(cell.mean) ||
            !std::isfinite(cell.sd) || cell.mean < 0.0 || cell.sd < 0.0)
            refuse(fileName, QStringLiteral("\"distribution\", ячейка %1: N, среднее, SD и "
                                            "гистограмма не сходятся с числом обследуемых %2")
                                 .arg(c + 1)
                                 .arg(memberCount));
    }
    return distribution;
}

std::array<CellStanding, NormCellCount> standings(const std::array<double, NormCellCount>& counts,
                                                  const NormDistribution& distribution) {
    std::array<CellStanding, NormCellCount> result;
    for (std::size_t c = 0; c < result.size(); ++c) {
        const CellDistribution& cell = distribution.cells[c];
        CellStanding& standing = result[c];
        standing.percent = percentOfAnswers(counts[c]);
        if (cell.sd > 0.0)
            standing.tScore = 50.0 + 10.0 * (standing.percent - cell.mean) / cell.sd;
        const qsizetype count = qsizetype(std::lround(counts[c]));
        double below = 0.0, equal = 0.0, all = 0.0;
        for (qsizetype k = 0; k < cell.histogram.size(); ++k) {
            all += cell.histogram[k];
            if (k < count)
                below += cell.histogram[k];
            else if (k == count)
                equal += cell.histogram[k];
        }
        standing.percentile = all > 0.0 ? 100.0 * (below + 0.5 * equal) / all : 0.0;
    }
    return result;
}

} // namespace ezr
