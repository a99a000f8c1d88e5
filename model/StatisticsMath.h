#pragma once

#include <QList>

#include <optional>
#include <span>

// The tests a psychometrician reads beside the norm chi-squares: the one-sample and Welch
// t-tests, Holm's correction and the chi-square test of homogeneity. The distributions come
// from Boost.Math; nothing here approximates a special function of its own.
namespace ezr {

// A sample's size, mean and standard deviation (n - 1 in the divisor; 0 for fewer than two).
struct SampleSummary {
    int n = 0;
    double mean = 0.0;
    double sd = 0.0;
};

SampleSummary summarize(std::span<const double> values);

// The two-sided p of Student's t with `df` degrees of freedom.
double twoSidedTP(double t, double df);
// The quantile of Student's t: the value below which lies `probability`.
double studentQuantile(double probability, double df);
// The upper tail of the chi-square distribution.
double chiSquareUpperP(double x2, double df);

// The one-sample t-test of the mean against `mu`, with the 95 % interval of the mean and
// Cohen's d (the difference over the sample's SD). Nothing when it cannot be computed: fewer
// than two values or no variance (every member gave the same answer count).
struct OneSampleTest {
    double low = 0.0, high = 0.0; // the 95 % interval of the mean
    double difference = 0.0;      // mean - mu
    double d = 0.0;
    double t = 0.0;
    double df = 0.0;
    double p = 0.0;
};
std::optional<OneSampleTest> oneSampleTTest(const SampleSummary& sample, double mu);

// Welch's t-test of two independent samples (first minus second), the 95 % interval of the
// difference with the Welch–Satterthwaite df, and Hedges' g (the difference over the pooled
// SD, corrected for small samples). Nothing when either sample has fewer than two values or
// neither varies.
struct WelchTest {
    double difference = 0.0;
    double low = 0.0, high = 0.0;
    double g = 0.0;
    double t = 0.0;
    double df = 0.0;
    double p = 0.0;
};
std::optional<WelchTest> welchTTest(const SampleSummary& first, const SampleSummary& second);

// Holm's step-down adjustment over the p values given; a missing p is no test and stays
// missing, and does not count among the tests.
QList<std::optional<double>> holmAdjusted(const QList<std::optional<double>>& p);

// Pearson's chi-square test of homogeneity of a table of (possibly fractional) counts, rows
// the groups; columns empty in every row take no part. Cramér's V measures its size.
struct HomogeneityTest {
    double x2 = 0.0;
    int df = 0;
    double p = 0.0;
    double cramersV = 0.0;
    double smallestExpected = 0.0;
    int expectedBelowFive = 0; // cells whose expected count is under 5
};
std::optional<HomogeneityTest> homogeneityTest(const QList<QList<double>>& counts);

// The size of an effect in words: "пренебрежимо малый" under 0.2, "малый" from 0.2,
// "средний" from 0.5, "большой" from 0.8 (of the absolute value).
const char* effectSizeName(double effect);

} // namespace ezr
