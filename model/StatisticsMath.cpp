#include "StatisticsMath.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ezr {

namespace {
constexpr double Confidence = 0.95;
} // namespace

SampleSummary summarize(std::span<const double> values) {
    SampleSummary summary;
    summary.n = int(values.size());
    if (values.empty())
        return summary;
    summary.mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    if (values.size() < 2)
        return summary;
    double squares = 0.0;
    for (double v : values)
        squares += (v - summary.mean) * (v - summary.mean);
    summary.sd = std::sqrt(squares / double(values.size() - 1));
    return summary;
}

double twoSidedTP(double t, double df) {
    const boost::math::students_t distribution(df);
    return std::min(1.0,
                    2.0 * boost::math::cdf(boost::math::complement(distribution, std::abs(t))));
}

double studentQuantile(double probability, double df) {
    return boost::math::quantile(boost::math::students_t(df), probability);
}

double chiSquareUpperP(double x2, double df) {
    return boost::math::cdf(boost::math::complement(boost::math::chi_squared(df), x2));
}

std::optional<OneSampleTest> oneSampleTTest(const SampleSummary& sample, double mu) {
    // A constant sample has no standard error: its t and d would divide by zero.
    if (sample.n < 2 || !(sample.sd > 0.0))
        return std::nullopt;
    OneSampleTest test;
    test.df = sample.n - 1;
    const double se = sample.sd / std::sqrt(double(sample.n));
    const double margin = studentQuantile(0.5 + Confidence / 2, test.df) * se;
    test.low = sample.mean - margin;
    test.high = sample.mean + margin;
    test.difference = sample.mean - mu;
    test.d = test.difference / sample.sd;
    test.t = test.difference / se;
    test.p = twoSidedTP(test.t, test.df);
    return test;
}

std::optional<WelchTest> welchTTest(const SampleSummary& first, const SampleSummary& second) {
    if (first.n < 2 || second.n < 2 || !(first.sd > 0.0 || second.sd > 0.0))
        return std::nullopt;
    const double v1 = first.sd * first.sd / first.n;
    const double v2 = second.sd * second.sd / second.n;
    const double se = std::sqrt(v1 + v2);
    WelchTest test;
    test.difference = first.mean - second.mean;
    // Welch–Satterthwaite; a term of a constant sample is zero and drops out.
    const double d1 = v1 > 0.0 ? v1 * v1 / (first.n - 1) : 0.0;
    const double d2 = v2 > 0.0 ? v2 * v2 / (second.n - 1) : 0.0;
    test.df = (v1 + v2) * (v1 + v2) / (d1 + d2);
    const double margin = studentQuantile(0.5 + Confidence / 2, test.df) * se;
    test.low = test.difference - margin;
    test.high = test.difference + margin;
    test.t = test.difference / se;
    test.p = twoSidedTP(test.t, test.df);
    const int pooledDf = first.n + second.n - 2;
    const double pooledSd = std::sqrt(
        ((first.n - 1) * first.sd * first.sd + (second.n - 1) * second.sd * second.sd) / pooledDf);
    const double correction = 1.0 - 3.0 / (4.0 * (first.n + second.n) - 9.0);
    test.g = test.difference / pooledSd * correction;
    return test;
}

QList<std::optional<double>> holmAdjusted(const QList<std::optional<double>>& p) {
    QList<qsizetype> order;
    for (qsizetype i = 0; i < p.size(); ++i)
        if (p[i])
            order.append(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return *p[a] < *p[b]; });
    QList<std::optional<double>> adjusted(p.size());
    const qsizetype m = order.size();
    double running = 0.0; // the adjusted values never fall along the order
    for (qsizetype k = 0; k < m; ++k) {
        running = std::max(running, std::min(1.0, double(m - k) * *p[order[k]]));
        adjusted[order[k]] = running;
    }
    return adjusted;
}

std::optional<HomogeneityTest> homogeneityTest(const QList<QList<double>>& counts) {
    if (counts.size() < 2)
        return std::nullopt;
    const qsizetype columns = counts.front().size();
    QList<double> columnTotals(columns, 0.0), rowTotals;
    double total = 0.0;
    for (const QList<double>& row : counts) {
        double sum = 0.0;
        for (qsizetype c = 0; c < columns; ++c) {
            columnTotals[c] += row.value(c);
            sum += row.value(c);
        }
        rowTotals.append(sum);
        total += sum;
    }
    const auto used =
        std::count_if(columnTotals.begin(), columnTotals.end(), [](double t) { return t > 0.0; });
    const auto rows =
        std::count_if(rowTotals.begin(), rowTotals.end(), [](double t) { return t > 0.0; });
    if (used < 2 || rows < 2)
        return std::nullopt;
    HomogeneityTest test;
    test.smallestExpected = total;
    for (qsizetype r = 0; r < counts.size(); ++r) {
        if (!(rowTotals[r] > 0.0))
            continue;
        for (qsizetype c = 0; c < columns; ++c) {
            if (!(columnTotals[c] > 0.0))
                continue;
            const double expected = rowTotals[r] * columnTotals[c] / total;
            const double deviation = counts[r].value(c) - expected;
            test.x2 += deviation * deviation / expected;
            test.smallestExpected = std::min(test.smallestExpected, expected);
            if (expected < 5.0)
                ++test.expectedBelowFive;
        }
    }
    test.df = int((rows - 1) * (used - 1));
    test.p = chiSquareUpperP(test.x2, test.df);
    test.cramersV = std::sqrt(test.x2 / (total * double(std::min(rows, used) - 1)));
    return test;
}

const char* effectSizeName(double effect) {
    const double size = std::abs(effect);
    if (size >= 0.8)
        return "большой";
    if (size >= 0.5)
        return "средний";
    if (size >= 0.2)
        return "малый";
    return "пренебрежимо малый";
}

} // namespace ezr
