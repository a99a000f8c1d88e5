#include "ProfileSeries.h"

#include "NormTables.h"

#include <span>

namespace ezr {

namespace {

// A norm percentage as an expected number of the 108 answers.
constexpr double PercentToCount = 1.08;

QList<QList<double>> bySixes(std::span<const double> cells) {
    QList<QList<double>> series;
    constexpr auto six = std::size_t(MotiveCount);
    for (std::size_t first = 0; first + six <= cells.size(); first += six) {
        const auto motives = cells.subspan(first, six);
        series.append(QList<double>(motives.begin(), motives.end()));
    }
    return series;
}

template <std::size_t N>
QList<QList<double>> valuesOf(ProfileValues values, const std::array<double, N>& raw,
                              const std::array<double, N>& chi) {
    switch (values) {
    case ProfileValues::Raw:
        return bySixes(raw);
    case ProfileValues::Percent: {
        std::array<double, N> percent{};
        for (std::size_t i = 0; i < N; ++i)
            percent[i] = percentOfAnswers(raw[i]);
        return bySixes(percent);
    }
    case ProfileValues::Chi:
        break;
    }
    return bySixes(chi);
}

template <std::size_t N>
QList<QList<double>> normOf(ProfileValues values, const std::array<double, N>& norm) {
    if (values == ProfileValues::Chi)
        return {};
    std::array<double, N> shown = norm;
    if (values == ProfileValues::Raw) {
        for (double& value : shown)
            value *= PercentToCount;
    }
    return bySixes(shown);
}

} // namespace

QString profileChartTitle(int profile, ProfileValues values) {
    static const QString heads[3] = {
        QStringLiteral("1. График смыслообразующих мотивов - "),
        QStringLiteral("2. Результирующая и Процессуальная Ориентации - "),
        QStringLiteral("3. Стимулы: Деньги, Коллектив и Труд - "),
    };
    // The chi-square title of profile 2 has always been written with the Latin X.
    QString tail;
    switch (values) {
    case ProfileValues::Raw:
        tail = QStringLiteral("Сырые баллы");
        break;
    case ProfileValues::Percent:
        tail = QStringLiteral("%Баллы");
        break;
    case ProfileValues::Chi:
        tail = profile == 2 ? QStringLiteral("Xм2") : QStringLiteral("Хм2");
        break;
    }
    return heads[profile - 1] + tail;
}

QList<QList<double>> profileSeries(int profile, ProfileValues values, const Profiles& raw,
                                   const Profiles& chi) {
    if (profile == 1)
        return valuesOf(values, raw.profile1, chi.profile1);
    if (profile == 2)
        return valuesOf(values, raw.profile2, chi.profile2);
    return valuesOf(values, raw.profile3, chi.profile3);
}

QList<QList<double>> normSeries(int profile, ProfileValues values, const Profiles& percent) {
    if (profile == 1)
        return normOf(values, percent.profile1);
    if (profile == 2)
        return normOf(values, percent.profile2);
    return normOf(values, percent.profile3);
}

QString normFootText(const QString& normName) {
    return QStringLiteral("Норма: ") + normName;
}

} // namespace ezr
