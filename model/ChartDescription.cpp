#include "ChartDescription.h"

#include "AnswerTimeBand.h"
#include "ExplanationTexts.h"
#include "Regional.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ezr {

namespace {

constexpr Rgb Red{255, 0, 0};
constexpr Rgb Lime{0, 255, 0};
constexpr Rgb Yellow{255, 255, 0};
constexpr Rgb Black{0, 0, 0};
constexpr Rgb Blue{0, 0, 255};

// Room above the highest bar for its value mark.
constexpr double MarkHeadroom = 1.2;

// The smallest step of 1, 2 or 5 times a power of ten that is at least `wanted`.
double niceStep(double wanted) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(wanted)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= wanted)
            return factor * magnitude;
    }
    return 10.0 * magnitude;
}

int decimalsOf(double step) {
    return step >= 1.0 ? 0 : step >= 0.1 ? 1 : 2;
}

void fitValueAxis(BarChartDescription& chart) {
    double top = 0.0;
    for (const BarSeries& series : chart.series) {
        for (double value : series.values)
            top = std::max(top, value);
        if (chart.normShown) {
            for (double value : series.norm)
                top = std::max(top, value);
        }
    }
    chart.valueAxis = niceAxis(0.0, top > 0.0 ? top * MarkHeadroom : 1.0);
}

// The answer times and the band, with a little room; labels "#0.0#".
ChartAxis timeAxis(const QList<double>& times, const TimeBand& band) {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    const auto include = [&](double value) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    };
    include(band.lower);
    include(band.upper);
    for (double time : times)
        include(time);
    if (low > high) {
        low = 0.0;
        high = 1.0;
    }
    // A single value (a standard deviation of 0 and equal times) still needs a visible band.
    constexpr double SmallestSpan = 0.04;
    double span = high - low;
    if (span < SmallestSpan) {
        const double centre = (low + high) / 2.0;
        span = std::max(SmallestSpan, std::fabs(centre) * 0.2);
        low = centre - span / 2.0;
        high = centre + span / 2.0;
    }
    const double step = niceStep(span / 4.0);
    const double margin = span * 0.06;
    return {low - margin, high + margin, step, std::max(1, decimalsOf(step))};
}

// Statements 1..108 with a little room on both sides, a label every 10.
constexpr ChartAxis StatementAxis{0.0, ItemCount + 1.0, 10.0, 0};

} // namespace

ChartAxis niceAxis(double low, double high, int ticks) {
    if (!(high > low))
        high = low + 1.0;
    const double step = niceStep((high - low) / std::max(1, ticks));
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step, decimalsOf(step)};
}

QList<double> axisTicks(const ChartAxis& axis) {
    QList<double> ticks;
    if (!(axis.step > 0.0) || !(axis.max >= axis.min))
        return ticks;
    // Multiples of the step, counted as whole numbers so that no tick is lost to rounding.
    const auto first = static_cast<long long>(std::ceil(axis.min / axis.step - 1e-9));
    const auto last = static_cast<long long>(std::floor(axis.max / axis.step + 1e-9));
    for (long long k = first; k <= last; ++k)
        ticks.append(k == 0 ? 0.0 : double(k) * axis.step);
    return ticks;
}

QString BarChartDescription::footLine() const {
    if (normShown && !normFoot.isEmpty())
        return foot + QStringLiteral("    ") + normFoot;
    return foot;
}

QList<Rgb> profileColours(int profile) {
    if (profile == 1)
        return {Red};
    if (profile == 2)
        return {Red, Lime};
    return {Red, Lime, Yellow};
}

QStringList profileSeriesNames(int profile) {
    if (profile == 2)
        return {QStringLiteral("РО"), QStringLiteral("ПО")};
    if (profile == 3)
        return {QStringLiteral("Деньги"), QStringLiteral("Коллектив"), QStringLiteral("Труд")};
    return {QString()};
}

BarChartDescription blankProfileChart(int profile) {
    BarChartDescription chart;
    chart.title = QStringLiteral("График");
    chart.foot = QStringLiteral("Chart %1").arg(profile);
    chart.axisTitle = QStringLiteral("Основные конфликтные зоны");
    for (int motive = 1; motive <= MotiveCount; ++motive)
        chart.categories << QString::number(motive);
    const QList<Rgb> colours = profileColours(profile);
    const QStringList names = profileSeriesNames(profile);
    for (qsizetype s = 0; s < colours.size(); ++s)
        chart.series.append(BarSeries{names.value(s), colours[s], {}, {}, {}});
    chart.marksVisible = marksShownAtStart(profile);
    fitValueAxis(chart);
    return chart;
}

BarChartDescription profileChart(int profile, ProfileValues values, const Profiles& raw,
                                 const Profiles& chi, const ProfileChartOptions& options) {
    BarChartDescription chart = blankProfileChart(profile);
    chart.title = profileChartTitle(profile, values);
    chart.foot = options.code + QStringLiteral(". ") + options.name;
    chart.axisTitle = QStringLiteral("Смыслообразующие мотивы");
    chart.marksVisible = options.marksVisible;
    chart.normShown = options.normShown;
    chart.legendShown = options.legendShown;
    const QList<QList<double>> numbers = profileSeries(profile, values, raw, chi);
    const QList<QList<double>> norm =
        options.norm ? normSeries(profile, values, options.norm->percent) : QList<QList<double>>{};
    if (options.norm)
        chart.normFoot = normFootText(normGroupName(*options.norm));
    const int decimals = options.markDecimals >= 0 ? options.markDecimals : markDecimals(values);
    if (options.motiveNamesShown)
        chart.categories = motiveAxisNames();
    for (qsizetype s = 0; s < chart.series.size(); ++s) {
        BarSeries& series = chart.series[s];
        series.values = numbers.value(s);
        for (double value : series.values)
            series.marks << formatFixed(value, 0, decimals);
        series.norm = norm.value(s);
    }
    fitValueAxis(chart);
    return chart;
}

QStringList motiveAxisNames() {
    QStringList names;
    for (const QString& name : MotiveNames)
        names << name.trimmed();
    // The one name too long for its place under the bars.
    names[0] = QStringLiteral("Преобразов.");
    return names;
}

void showNorm(BarChartDescription& chart, bool shown) {
    chart.normShown = shown;
    fitValueAxis(chart);
}

TimeChartDescription blankAnswerTimeChart() {
    TimeChartDescription chart;
    chart.foot = QStringLiteral("Номер утверждения");
    chart.valueAxisTitle = QStringLiteral("Время ответа, сек.");
    chart.lineColour = OutsideBandRgb;
    chart.valueAxis = {0.0, 5.0, 1.0, 1};
    chart.statementAxis = StatementAxis;
    return chart;
}

TimeChartDescription answerTimeChart(const AnalysisRecord& data, const QString& code,
                                     const QString& name) {
    TimeChartDescription chart = blankAnswerTimeChart();
    const TimeBand band = timeBand(data.meanTime, data.sdTime);
    chart.title = code + QStringLiteral(". ") + name;
    chart.foot = answerTimeFoot(data.meanTime, data.sdTime);
    chart.valueAxisTitle = QStringLiteral("Время ответов - Mean+/-2SD");
    chart.times = QList<double>(data.answerTimes.begin(), data.answerTimes.end());
    for (double time : chart.times)
        chart.pointColours.append(withinTimeBand(time, band) ? InsideBandRgb : OutsideBandRgb);
    chart.levels = {{QStringLiteral("Series2Dp"), band.upper, Black, LineStyle::Dotted},
                    {QStringLiteral("Series2Dm"), band.lower, Black, LineStyle::Dotted},
                    {QStringLiteral("SeriesMean"), data.meanTime, Blue, LineStyle::Dashed}};
    chart.valueAxis = timeAxis(chart.times, band);
    return chart;
}

} // namespace ezr
