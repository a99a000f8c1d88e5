#include "PdfReport.h"

#include "ChartDescription.h"
#include "ChartPainter.h"
#include "Domain.h"
#include "ExplanationTexts.h"
#include "PdfFonts.h"
#include "PdfPageFlow.h"
#include "PdfSections.h"
#include "Regional.h"
#include "ReportHeader.h"
#include "ResultSheet.h"
#include "StatisticsTable.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>
#include <functional>

namespace ezr {

namespace {

using namespace pdf;

Table motiveTable(const ResultSheet& sheet) {
    const TextGrid& band = sheet.motiveBand;
    const TextGrid& grid = sheet.motiveGrid;
    Table table;
    table.widths = {118, 42, 42, 42, 42, 42, 42, 42, 42, 48};
    table.rows.append({heading(band.cell(0, 0)), heading(band.cell(1, 0), 2),
                       heading(band.cell(2, 0), 2), heading(band.cell(3, 0), 2),
                       heading(band.cell(4, 0), 2), heading(band.cell(5, 0))});
    Row names{label(grid.cell(0, 0))};
    for (int column = 1; column <= 9; ++column)
        names.append(heading(grid.cell(column, 0)));
    table.rows.append(names);
    for (int row = 1; row <= MotiveCount; ++row) {
        Row cells{label(grid.cell(0, row))};
        for (int column = 1; column <= 8; ++column)
            cells.append(value(grid.cell(column, row)));
        cells.append(chiValue(grid.cell(9, row), sheet.motiveChiVerdicts[std::size_t(row - 1)]));
        table.rows.append(cells);
    }
    return table;
}

// Profile 2 and 3: a band of headings over groups of six motive columns, then the sums,
// percentages and chi-squares.
template <std::size_t N>
Table bandTable(const TextGrid& band, const TextGrid& grid, const std::array<Verdict, N>& verdicts,
                double labelWidth, double columnWidth) {
    const int columns = grid.columnCount() - 1;
    Table table;
    table.widths.append(labelWidth);
    for (int k = 0; k < columns; ++k)
        table.widths.append(columnWidth);
    Row top{heading(band.cell(0, 0))};
    for (int group = 1; group < band.columnCount(); ++group)
        top.append(heading(band.cell(group, 0), MotiveCount));
    table.rows.append(top);
    Row numbers{label(grid.cell(0, 0))};
    for (int k = 1; k <= columns; ++k)
        numbers.append(heading(grid.cell(k, 0)));
    table.rows.append(numbers);
    for (int row = 1; row <= 3; ++row) {
        Row cells{label(grid.cell(0, row))};
        for (int k = 1; k <= columns; ++k)
            cells.append(row == ProfileRow::Chi
                             ? chiValue(grid.cell(k, row), verdicts[std::size_t(k - 1)])
                             : value(grid.cell(k, row)));
        table.rows.append(cells);
    }
    return table;
}

QString motiveLegend() {
    QStringList names;
    for (int m = 0; m < MotiveCount; ++m)
        names << QStringLiteral("%1 — %2").arg(m + 1).arg(MotiveNames[std::size_t(m)].trimmed());
    return QStringLiteral("Мотивы: ") + names.join(QStringLiteral(", "));
}

// A chart's height on the page, and the least it may shrink to so as to stay on the page of
// its table rather than leave most of that page empty.
constexpr double ChartHeight = 190;
constexpr double SmallestChartHeight = 130;
constexpr double ChartWidth = 380;

// The raw scores of the profile against the norm the analysis was compared with, as the
// window shows them at the start: profile 1 with its value marks.
BarChartDescription reportChart(int profile, const AnalysisState& state) {
    ProfileChartOptions options;
    options.code = state.header.code;
    options.name = state.header.name;
    options.norm = state.comparison.norm;
    options.normShown = true;
    options.marksVisible = marksShownAtStart(profile);
    options.legendShown = true;
    // On paper the chart must read alone: the motives by name, the values as the tables
    // show them (a group's means with one decimal).
    options.motiveNamesShown = true;
    options.markDecimals = scoreDecimals(state.kind);
    BarChartDescription chart = profileChart(profile, ProfileValues::Raw, state.record.scores.raw,
                                             state.comparison.chi, options);
    chart.foot = reportOwner(state);
    return chart;
}

// A bar chart as the page shows it: the norm markers rimmed in white, visible on dark bars
// in grey print.
void paintReportBars(QPainter& painter, const QRectF& area, const BarChartDescription& chart,
                     const QFont& face) {
    BarChartStyle style;
    style.outlinedNorm = true;
    paintBarChart(painter, area, chart, face, style);
}

struct ProfileBlock {
    int number = 1;
    QString x2;
    Verdict verdict = Verdict::None;
    QString caption;
    Table table;
    bool withMotiveLegend = false;
};

// A profile's heading line, its table and its chart directly under it, on one page.
void printProfile(QPainter& painter, PageFlow& flow, const ProfileBlock& block,
                  const AnalysisState& state) {
    const QFont legendFont = pdfFont(7);
    const double headingHeight = 4 + LineHeight + 1;
    const double fixed =
        headingHeight + flow.tableHeight(block.table) +
        (block.withMotiveLegend ? flow.textHeight(motiveLegend(), legendFont) : 0) + 8;
    if (flow.room() < fixed + SmallestChartHeight)
        flow.newPage();
    const double chartHeight = std::min(ChartHeight, flow.room() - fixed);
    flow.advance(4);
    flow.runs({{QStringLiteral("Профиль %1.  X2 = ").arg(block.number), Qt::black},
               {block.x2, verdictColour(block.verdict)},
               {QStringLiteral("  ") + block.caption, Qt::black}},
              pdfFont(8), pdfFont(9, true));
    flow.table(block.table);
    if (block.withMotiveLegend)
        flow.text(motiveLegend(), legendFont, Qt::darkGray);
    paintScaled(painter,
                QRectF(flow.left() + (flow.contentWidth() - ChartWidth) / 2, flow.y(), ChartWidth,
                       chartHeight),
                reportChart(block.number, state), paintReportBars);
    flow.advance(chartHeight + 8);
}

// How to read the numbers and their colours.
void printReadingGuide(PageFlow& flow, const NormComparison& comparison) {
    const QFont small = pdfFont(8);
    const QFont smallBold = pdfFont(8, true);
    flow.advance(4);
    flow.text(QStringLiteral("Как читать отчёт"), pdfFont(9, true));
    flow.runs({{QStringLiteral("Цвет значений: "), Qt::black},
               {QStringLiteral("зелёный"), verdictColour(Verdict::WithinNorm)},
               {QStringLiteral(" — в пределах нормы;  "), Qt::black},
               {QStringLiteral("бордовый"), verdictColour(Verdict::BeyondNorm)},
               {QStringLiteral(" на розовом фоне — значимое отличие от нормы (для p = 0.05)."),
                Qt::black}},
              small, smallBold);
    QStringList criticals;
    for (int p = 0; p < 3; ++p)
        criticals << QStringLiteral("профиль %1 — %2")
                         .arg(p + 1)
                         .arg(formatFixed(comparison.profiles[std::size_t(p)].critical, 0, 2));
    const QStringList lines{
        QStringLiteral("Хм2 — хи-квадрат одной ячейки таблицы: насколько число ответов в ней "
                       "отличается от ожидаемого по норме. Критическое значение %1: больше него "
                       "— отличие значимо.")
            .arg(formatFixed(cellCritical(), 0, 2)),
        QStringLiteral("X2 — хи-квадрат профиля в целом, сумма отклонений всех его ячеек от "
                       "нормы. Критические значения: %1.")
            .arg(criticals.join(QStringLiteral(", "))),
        QStringLiteral("Индексы бордовые, когда ниже своей нормы. На графиках столбцы — сырые "
                       "баллы, чёрная черта в белой кайме — число ответов, ожидаемое по норме."),
    };
    for (const QString& line : lines)
        flow.text(line, small);
}

// An examinee among the members of a norm saved with their spread: every cell's T-score and
// percentile rank, in two columns.
void printStanding(PageFlow& flow, const StatisticsReport& report) {
    flow.text(report.method + QLatin1Char('.'), pdfFont(7.5), Qt::darkGray);
    QStringList lines;
    for (qsizetype r = 1; r < report.table.rows.size(); ++r) {
        const TableRow& row = report.table.rows[r];
        const QVariant t = row.value(5);
        lines << QStringLiteral("%1: T %2, процентиль %3")
                     .arg(row.value(0).toString(),
                          t.isValid() ? formatFixed(t.toDouble(), 0, 0) : QStringLiteral("—"),
                          formatFixed(row.value(6).toDouble(), 0, 0));
    }
    const qsizetype half = (lines.size() + 1) / 2;
    flow.twoColumns(lines.mid(0, half), lines.mid(half), pdfFont(8), Qt::black);
}

// A group's cells tested against the norm: those that differ after Holm's correction, in
// words, or that none does.
void printStatisticalCheck(PageFlow& flow, const AnalysisState& state) {
    const std::optional<StatisticsReport> group = groupStatisticsReport(state);
    const std::optional<StatisticsReport> examinee = examineeStandingReport(state);
    if (!group && !examinee)
        return;
    const StatisticsReport& report = group ? *group : *examinee;
    const QFont entryFont = pdfFont(9);
    flow.advance(6);
    flow.need(3 * LineHeight);
    flow.text(examinee ? QStringLiteral("Положение среди членов нормы")
                       : QStringLiteral("Статистическая проверка"),
              pdfFont(11, true));
    if (examinee) {
        printStanding(flow, *examinee);
        return;
    }
    flow.text(report.method +
                  QStringLiteral("; поправка Холма на 36 сравнений оставляет вероятность хотя бы "
                                 "одной ложной находки не выше 5 %. d и g — разность в стандартных "
                                 "отклонениях (0,2 малый, 0,5 средний, 0,8 большой эффект)."),
              pdfFont(7.5), Qt::darkGray);
    for (const QString& finding : report.findings)
        flow.text(QStringLiteral("• ") + finding, entryFont, verdictColour(Verdict::BeyondNorm), 6);
    if (report.findings.isEmpty())
        flow.text(QStringLiteral("После поправки Холма ни один показатель не отличается от "
                                 "нормы значимо (p < 0,05)."),
                  entryFont);
    for (const QString& note : report.notes)
        flow.text(note, pdfFont(7.5), Qt::darkGray);
}

// Lays the report out on `writer`; returns the number of pages. `pageCount` numbers the pages
// "of M"; 0 while it is not known yet.
int printReport(QPdfWriter& writer, const ReportSnapshot& snapshot, const ResultSheet& sheet,
                int pageCount) {
    const AnalysisState& state = snapshot.analysis;
    const bool individual = state.kind != AnalysisKind::Group;
    QPainter painter(&writer);
    PageFlow flow(writer, painter, reportOwner(state), pageCount);

    const QFont body = pdfFont(9);
    const QFont bold = pdfFont(9, true);
    flow.text(ApplicationTitle + QStringLiteral(" — результаты анализа"), pdfFont(13, true));
    flow.advance(4);
    QStringList fields;
    const QStringList hint = informationLines(state);
    if (individual) {
        for (const HeaderLine& line : reportHeader(state))
            fields << line.label + QStringLiteral(": ") + line.value;
        fields << normLineText(state.comparison.norm);
    } else {
        // A group is named by who it is made of; its header fields would show the norm's
        // traits and the day of the run as if they were the group's.
        fields = groupHeadingLines(state);
        flow.text(fields.takeFirst(), pdfFont(11, true));
    }
    // Beside the fields an examinee's timing lines; a group's member list can be long, it
    // follows the charts instead.
    flow.twoColumns(fields, individual ? hint : QStringList(), body, Qt::darkGray);
    flow.advance(6);
    flow.runs({{QStringLiteral("Включенность в коллектив: "), Qt::black},
               {sheet.inclusionIndex, verdictColour(sheet.inclusionIndexVerdict)},
               {QStringLiteral("      Инновационный потенциал: "), Qt::black},
               {sheet.innovationIndex, verdictColour(sheet.innovationIndexVerdict)}},
              body, bold);
    printQualityVerdict(flow, state);
    printReadingGuide(flow, state.comparison);
    printStandOuts(flow, state, sheet);
    // A group always; an examinee against a norm saved with its members' spread.
    printStatisticalCheck(flow, state);

    printProfile(painter, flow,
                 {1, sheet.profile1X2, sheet.profile1X2Verdict, sheet.profile1Caption,
                  motiveTable(sheet), false},
                 state);
    printProfile(painter, flow,
                 {2, sheet.profile2X2, sheet.profile2X2Verdict, sheet.profile2Caption,
                  bandTable(sheet.orientationBand, sheet.orientationGrid,
                            sheet.orientationChiVerdicts, 110, 33),
                  true},
                 state);
    printProfile(
        painter, flow,
        {3, sheet.profile3X2, sheet.profile3X2Verdict, sheet.profile3Caption,
         bandTable(sheet.stimulusBand, sheet.stimulusGrid, sheet.stimulusChiVerdicts, 100, 23),
         true},
        state);

    if (!individual) {
        flow.advance(6);
        // A list that fits on a page is kept on one, its count not left alone on the next.
        const double listHeight = double(hint.size()) * LineHeight;
        if (listHeight < 600)
            flow.need(listHeight);
        for (const QString& line : hint)
            flow.text(line, pdfFont(8));
    }
    // The comment only when there is one: an empty heading would end the report.
    const bool commented =
        std::any_of(snapshot.commentLines.begin(), snapshot.commentLines.end(),
                    [](const QString& line) { return !line.trimmed().isEmpty(); });
    if (commented) {
        flow.advance(4);
        flow.text(QStringLiteral("Комментарий к анализу"), bold);
        for (const QString& line : snapshot.commentLines)
            flow.text(line, body);
    }
    if (individual)
        printAnswerTimePage(painter, flow, state);
    return flow.page();
}

QByteArray renderReport(const ReportSnapshot& snapshot, const ResultSheet& sheet, int pageCount,
                        int* pagesPrinted) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72); // painter units are points
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        writer.setCreator(ApplicationTitle);
        writer.setTitle(reportOwner(snapshot.analysis));
        *pagesPrinted = printReport(writer, snapshot, sheet, pageCount);
    }
    return bytes;
}

} // namespace

QByteArray buildPdfReport(const ReportSnapshot& snapshot) {
    const ResultSheet sheet = formatSheet(snapshot.analysis);
    // The pages are counted on a first layout, so that every page can say "of M".
    int pages = 0;
    renderReport(snapshot, sheet, 0, &pages);
    int printed = 0;
    return renderReport(snapshot, sheet, pages, &printed);
}

} // namespace ezr
