#include "StatisticsTable.h"

#include "Analysis.h"
#include "Regional.h"
#include "StatisticsFile.h"

#include <cmath>

namespace ezr {

namespace {

QVariant number(double value) {
    return std::isfinite(value) ? QVariant(tableValue(value)) : QVariant();
}

QString decimal(double value, int decimals = 1) {
    return formatFixed(value, 0, decimals);
}

// A p value in words: "p < 0,001" or "p = 0,012".
QString pText(const QString& name, double p) {
    if (p < 0.001)
        return name + QStringLiteral(" < ") + decimal(0.001, 3);
    return name + QStringLiteral(" = ") + decimal(p, 3);
}

TableRow headingRow(const QStringList& headings) {
    TableRow row;
    for (const QString& heading : headings)
        row.append(heading);
    return row;
}

SheetTable tableWith(const QStringList& headings) {
    SheetTable table;
    table.name = QStringLiteral("Статистика");
    table.frozenHeading = true;
    table.boldRows = {0};
    table.rows.append(headingRow(headings));
    return table;
}

QStringList untested(const auto& cells) {
    const QStringList headings = statisticsCellHeadings();
    QStringList names;
    for (std::size_t c = 0; c < cells.size(); ++c)
        if (!cells[c].test)
            names << headings[qsizetype(c)];
    return names;
}

QString effectWords(double effect) {
    return QStringLiteral("эффект ") + QString::fromUtf8(effectSizeName(effect));
}

} // namespace

QStringList statisticsCellHeadings() {
    QStringList headings;
    for (const ExamineeColumn& column : examineeColumns())
        if (column.variable.startsWith("p1_") || column.variable.startsWith("p2_") ||
            column.variable.startsWith("p3_"))
            headings << column.heading;
    return headings;
}

QStringList normStatisticsHeadings() {
    return QStringLiteral("Показатель;N;Среднее, %;ДИ 95% от;ДИ 95% до;Норма, %;Разность;d;t;"
                          "df;p;p (Холм)")
        .split(u';');
}

QStringList groupsStatisticsHeadings() {
    return QStringLiteral("Показатель;N 1;Среднее 1, %;N 2;Среднее 2, %;Разность;ДИ 95% от;"
                          "ДИ 95% до;g;t;df;p;p (Холм)")
        .split(u';');
}

StatisticsReport statisticsReport(const NormStatistics& statistics, const QString& normName) {
    StatisticsReport report;
    report.title =
        QStringLiteral("Группа (N = %1) и норма «%2»").arg(statistics.members).arg(normName);
    report.method = QStringLiteral("Средний процент каждого показателя сравнён с процентом нормы "
                                   "по t-критерию для одной выборки");
    report.table = tableWith(normStatisticsHeadings());
    const QStringList headings = statisticsCellHeadings();
    for (std::size_t c = 0; c < statistics.cells.size(); ++c) {
        const NormCellStatistics& cell = statistics.cells[c];
        TableRow row{headings[qsizetype(c)], double(cell.sample.n)};
        row << (cell.sample.n > 0 ? number(cell.sample.mean) : QVariant());
        if (const auto& t = cell.test)
            row << number(t->low) << number(t->high);
        else
            row << QVariant() << QVariant();
        row << number(cell.norm);
        if (const auto& t = cell.test)
            row << number(t->difference) << number(t->d) << number(t->t) << number(t->df)
                << number(t->p) << number(*cell.adjustedP);
        else
            row << (cell.sample.n > 0 ? number(cell.sample.mean - cell.norm) : QVariant())
                << QVariant() << QVariant() << QVariant() << QVariant() << QVariant();
        report.table.rows.append(row);
        report.differs.append(cell.differs());
        if (!cell.differs())
            continue;
        const OneSampleTest& t = *cell.test;
        report.findings
            << QStringLiteral(
                   "%1 отличается от нормы: в группе в среднем %2 %, в норме %3 %, %4 на %5 "
                   "(95 % ДИ среднего: %6–%7 %); d = %8, %9; %10.")
                   .arg(headings[qsizetype(c)], decimal(cell.sample.mean), decimal(cell.norm),
                        t.difference > 0 ? QStringLiteral("выше") : QStringLiteral("ниже"),
                        decimal(std::abs(t.difference)), decimal(t.low), decimal(t.high),
                        decimal(t.d, 2), effectWords(t.d))
                   .arg(pText(QStringLiteral("p (Холм)"), *cell.adjustedP));
    }
    if (statistics.members < 2)
        report.notes << QStringLiteral("В группе меньше двух человек (N = %1): доверительные "
                                       "интервалы и проверки не вычисляются.")
                            .arg(statistics.members);
    else if (const QStringList cells = untested(statistics.cells); !cells.isEmpty())
        report.notes << QStringLiteral("У всех членов группы одно и то же значение, проверка не "
                                       "вычисляется: %1.")
                            .arg(cells.join(QStringLiteral(", ")));
    return report;
}

namespace {

void leadingMotiveNotes(const LeadingMotives& leading, StatisticsReport& report) {
    const std::optional<HomogeneityTest>& test = leading.test;
    if (!test) {
        report.notes << QStringLiteral("Ведущий мотив: проверка однородности не вычисляется "
                                       "(во всех группах ведёт один и тот же мотив или группа "
                                       "пуста).");
        return;
    }
    report.notes << QStringLiteral("Ведущий мотив (наибольшая ячейка П1, равные делят члена "
                                   "группы поровну): χ² = %1, df = %2, %3, V Крамера = %4 (%5).")
                        .arg(decimal(test->x2, 2))
                        .arg(test->df)
                        .arg(pText(QStringLiteral("p"), test->p), decimal(test->cramersV, 2),
                             test->p < SignificanceLevel
                                 ? QStringLiteral("распределения различаются")
                                 : QStringLiteral("различие не доказано"));
    if (test->expectedBelowFive > 0)
        report.notes << QStringLiteral("Ведущий мотив: ожидаемая частота меньше 5 в %1 "
                                       "ячейках (наименьшая %2); χ² здесь приблизителен.")
                            .arg(test->expectedBelowFive)
                            .arg(decimal(test->smallestExpected, 2));
}

} // namespace

StatisticsReport statisticsReport(const GroupsStatistics& statistics, const QString& firstName,
                                  const QString& secondName) {
    StatisticsReport report;
    report.title = QStringLiteral("«%1» (N = %2) и «%3» (N = %4)")
                       .arg(firstName)
                       .arg(statistics.firstMembers)
                       .arg(secondName)
                       .arg(statistics.secondMembers);
    report.method = QStringLiteral("Средние проценты каждого показателя сравнены по t-критерию "
                                   "Уэлча");
    report.table = tableWith(groupsStatisticsHeadings());
    const QStringList headings = statisticsCellHeadings();
    for (std::size_t c = 0; c < statistics.cells.size(); ++c) {
        const GroupsCellStatistics& cell = statistics.cells[c];
        TableRow row{headings[qsizetype(c)], double(cell.first.n)};
        row << (cell.first.n > 0 ? number(cell.first.mean) : QVariant()) << double(cell.second.n)
            << (cell.second.n > 0 ? number(cell.second.mean) : QVariant());
        if (const auto& t = cell.test)
            row << number(t->difference) << number(t->low) << number(t->high) << number(t->g)
                << number(t->t) << number(t->df) << number(t->p) << number(*cell.adjustedP);
        else
            row << QVariant() << QVariant() << QVariant() << QVariant() << QVariant() << QVariant()
                << QVariant() << QVariant();
        report.table.rows.append(row);
        report.differs.append(cell.differs());
        if (!cell.differs())
            continue;
        const WelchTest& t = *cell.test;
        report.findings << QStringLiteral(
                               "%1 отличается: «%2» в среднем %3 %, «%4» %5 %, разность %6 "
                               "(95 % ДИ %7 … %8); g = %9, %10; %11.")
                               .arg(headings[qsizetype(c)], firstName, decimal(cell.first.mean),
                                    secondName, decimal(cell.second.mean), decimal(t.difference),
                                    decimal(t.low), decimal(t.high), decimal(t.g, 2))
                               .arg(effectWords(t.g),
                                    pText(QStringLiteral("p (Холм)"), *cell.adjustedP));
    }
    if (statistics.firstMembers < 2 || statistics.secondMembers < 2)
        report.notes << QStringLiteral("В группе меньше двух человек: проверки не вычисляются.");
    else if (const QStringList cells = untested(statistics.cells); !cells.isEmpty())
        report.notes << QStringLiteral("В обеих группах у всех одно и то же значение, проверка "
                                       "не вычисляется: %1.")
                            .arg(cells.join(QStringLiteral(", ")));
    if (statistics.leading)
        leadingMotiveNotes(*statistics.leading, report);
    return report;
}

std::optional<StatisticsReport> groupStatisticsReport(const AnalysisState& state) {
    const Norm& norm = state.comparison.norm;
    const QString name = normGroupName(norm);
    if (state.kind != AnalysisKind::Group)
        return std::nullopt;
    if (!norm.distribution)
        return statisticsReport(*groupNormStatistics(state), name);
    std::array<SampleSummary, StatisticsCellCount> normCells;
    for (std::size_t c = 0; c < normCells.size(); ++c) {
        const CellDistribution& cell = norm.distribution->cells[c];
        normCells[c] = {cell.n, cell.mean, cell.sd};
    }
    return statisticsReport(compareSummaries(cellSummaries(state.moments), normCells),
                            QStringLiteral("группа"), name);
}

QStringList standingHeadings() {
    return QStringLiteral("Показатель;Балл, %;Норма: N;Норма: среднее, %;Норма: SD;T;Процентиль")
        .split(u';');
}

std::optional<StatisticsReport> examineeStandingReport(const AnalysisState& state) {
    const Norm& norm = state.comparison.norm;
    if (state.kind != AnalysisKind::Individual || !norm.distribution)
        return std::nullopt;
    StatisticsReport report;
    report.title = QStringLiteral("Обследуемый среди нормы «%1»").arg(normGroupName(norm));
    report.method = QStringLiteral("T = 50 + 10·z по среднему и SD нормы; процентиль — доля "
                                   "членов нормы ниже (и половина равных)");
    report.table = tableWith(standingHeadings());
    const QStringList headings = statisticsCellHeadings();
    const auto cells = standings(cellValues(state.record.scores.raw), *norm.distribution);
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const CellDistribution& spread = norm.distribution->cells[c];
        const CellStanding& standing = cells[c];
        report.table.rows.append(TableRow{headings[qsizetype(c)], number(standing.percent),
                                          double(spread.n), number(spread.mean), number(spread.sd),
                                          standing.tScore ? number(*standing.tScore) : QVariant(),
                                          number(standing.percentile)});
        // Outside the middle 95 % of a normal spread.
        const bool far = standing.tScore && std::abs(*standing.tScore - 50.0) >= 19.6;
        report.differs.append(far);
        if (far)
            report.findings << QStringLiteral("%1: %2 %, T = %3, процентиль %4.")
                                   .arg(headings[qsizetype(c)], decimal(standing.percent),
                                        decimal(*standing.tScore, 0),
                                        decimal(standing.percentile, 0));
    }
    return report;
}

QByteArray statisticsCsv(const StatisticsReport& report) {
    return buildCsv(report.table, QLatin1Char(';'), decimalSeparator());
}

QByteArray statisticsDataFile(const StatisticsReport& report, ReportFormat format) {
    // The variables by heading, as a statistics program names them.
    static const QHash<QString, QByteArray> names = {
        {QStringLiteral("Показатель"), "cell"},
        {QStringLiteral("N"), "n"},
        {QStringLiteral("Среднее, %"), "mean"},
        {QStringLiteral("ДИ 95% от"), "ci_low"},
        {QStringLiteral("ДИ 95% до"), "ci_high"},
        {QStringLiteral("Норма, %"), "norm"},
        {QStringLiteral("Разность"), "difference"},
        {QStringLiteral("d"), "d"},
        {QStringLiteral("t"), "t"},
        {QStringLiteral("df"), "df"},
        {QStringLiteral("p"), "p"},
        {QStringLiteral("p (Холм)"), "p_holm"},
        {QStringLiteral("N 1"), "n1"},
        {QStringLiteral("Среднее 1, %"), "mean1"},
        {QStringLiteral("N 2"), "n2"},
        {QStringLiteral("Среднее 2, %"), "mean2"},
        {QStringLiteral("g"), "g"},
        {QStringLiteral("Балл, %"), "percent"},
        {QStringLiteral("Норма: N"), "norm_n"},
        {QStringLiteral("Норма: среднее, %"), "norm_mean"},
        {QStringLiteral("Норма: SD"), "norm_sd"},
        {QStringLiteral("T"), "t_score"},
        {QStringLiteral("Процентиль"), "percentile"}};
    QList<ExamineeColumn> columns;
    for (const QVariant& heading : report.table.rows.front()) {
        const QString text = heading.toString();
        columns.append(
            {text, names.value(text, "value"), text == QStringLiteral("Показатель") ? -1 : 4});
    }
    return buildTableFile(columns, report.table.rows.mid(1), report.title,
                          format == ReportFormat::Sav ? StatisticsFormat::Spss
                                                      : StatisticsFormat::Stata);
}

SheetTable statisticsSheet(const StatisticsReport& report) {
    SheetTable sheet = report.table;
    sheet.rows.append(TableRow{});
    sheet.rows.append(TableRow{report.title});
    for (const QString& note : report.notes)
        sheet.rows.append(TableRow{note});
    return sheet;
}

} // namespace ezr
