#include "PdfReport.h"

#include "ChartDescription.h"
#include "ChartPainter.h"
#include "Domain.h"
#include "ExplanationTexts.h"
#include "PdfFonts.h"
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

const QColor Maroon(MaroonRgb.red, MaroonRgb.green, MaroonRgb.blue);
const QColor HeadingFill(236, 233, 216);
constexpr double Margin = 40.0; // points
constexpr double RowHeight = 12.0;
constexpr double LineHeight = 12.5;
constexpr double CellPadding = 2.0;

QColor verdictColour(Verdict verdict) {
    const Rgb rgb = verdictRgb(verdict);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

struct Cell {
    QString text;
    int span = 1;
    bool heading = false;
    Verdict verdict = Verdict::None; // coloured and bold when judged
    Qt::Alignment align = Qt::AlignCenter;
};
using Row = QList<Cell>;

struct Table {
    QList<double> widths;
    QList<Row> rows;
    double width() const {
        double sum = 0;
        for (double w : widths)
            sum += w;
        return sum;
    }
};

Cell heading(const QString& text, int span = 1) {
    return Cell{text.trimmed(), span, true, Verdict::None, Qt::AlignCenter};
}

Cell label(const QString& text) {
    return Cell{text.trimmed(), 1, true, Verdict::None, Qt::AlignLeft | Qt::AlignVCenter};
}

Cell value(const QString& text) {
    return Cell{text.trimmed(), 1, false, Verdict::None, Qt::AlignRight | Qt::AlignVCenter};
}

// A cell chi-square, coloured as the grid colours it.
Cell chiValue(const QString& text, Verdict verdict) {
    Cell cell = value(text);
    cell.verdict = verdict;
    return cell;
}

// Pages in reading order: a cursor moves down and a new page begins where the next block
// does not fit. Every page is headed with whose report it is and its number of all.
class PageFlow {
public:
    PageFlow(QPdfWriter& writer, QPainter& painter, QString owner, int pageCount)
        : writer_(writer), painter_(painter), owner_(std::move(owner)), pageCount_(pageCount) {
        const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();
        width_ = page.width();
        height_ = page.height();
        pageHead();
    }

    double left() const { return Margin; }
    double contentWidth() const { return width_ - 2 * Margin; }
    double y() const { return y_; }
    double room() const { return height_ - Margin - y_; }
    int page() const { return page_; }
    void advance(double height) { y_ += height; }

    void need(double height) {
        if (height > room())
            newPage();
    }

    void newPage() {
        writer_.newPage();
        ++page_;
        pageHead();
    }

    double textHeight(const QString& line, const QFont& font, double indent = 0) const {
        const QRectF box = metrics(font).boundingRect(QRectF(0, 0, contentWidth() - indent, 10000),
                                                      Qt::TextWordWrap,
                                                      line.isEmpty() ? QStringLiteral(" ") : line);
        return std::max(box.height(), LineHeight);
    }

    // Plain text, wrapped at the content width.
    void text(const QString& line, const QFont& font, const QColor& colour = Qt::black,
              double indent = 0) {
        const double height = textHeight(line, font, indent);
        need(height);
        painter_.setFont(font);
        painter_.setPen(colour);
        painter_.drawText(QRectF(left() + indent, y_, contentWidth() - indent, height),
                          Qt::TextWordWrap, line);
        y_ += height;
    }

    // Two lists of single lines side by side, each in half of the width.
    void twoColumns(const QStringList& first, const QStringList& second, const QFont& font,
                    const QColor& rightColour) {
        const qsizetype rows = std::max(first.size(), second.size());
        need(rows * LineHeight);
        painter_.setFont(font);
        const double half = contentWidth() / 2;
        for (qsizetype r = 0; r < rows; ++r) {
            const double y = y_ + r * LineHeight;
            painter_.setPen(Qt::black);
            painter_.drawText(QRectF(left(), y, half - 6, LineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              metrics(font).elidedText(first.value(r), Qt::ElideRight, half - 6));
            painter_.setPen(rightColour);
            painter_.drawText(QRectF(left() + half, y, half, LineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              metrics(font).elidedText(second.value(r), Qt::ElideRight, half));
        }
        y_ += rows * LineHeight;
    }

    // Pieces of text one after another on one line, each in its own colour; every second
    // piece in `valueFont`.
    void runs(const QList<std::pair<QString, QColor>>& pieces, const QFont& font,
              const QFont& valueFont) {
        need(LineHeight);
        double x = left();
        bool isValue = false;
        for (const auto& [piece, colour] : pieces) {
            const QFont& f = isValue ? valueFont : font;
            painter_.setFont(f);
            painter_.setPen(colour);
            const double width = metrics(f).horizontalAdvance(piece);
            painter_.drawText(QRectF(x, y_, width + 1, LineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter, piece);
            x += width;
            isValue = !isValue;
        }
        y_ += LineHeight + 1;
    }

    // The columns of `table` fitted to the page: the first (the row headings) as wide as its
    // widest text, the others shrunk alike when the whole would not fit.
    QList<double> fittedWidths(const Table& table) const {
        QList<double> widths = table.widths;
        if (widths.isEmpty())
            return widths;
        const QFontMetricsF cellMetrics = metrics(cellFont(false));
        double widest = 0;
        for (const Row& row : table.rows) {
            if (!row.isEmpty() && row.first().span == 1)
                widest = std::max(widest, cellMetrics.horizontalAdvance(row.first().text));
        }
        widths[0] = std::max(widths[0], std::ceil(widest) + 2 * CellPadding + 1);
        double rest = 0;
        for (qsizetype k = 1; k < widths.size(); ++k)
            rest += widths[k];
        const double free = contentWidth() - widths[0];
        if (rest > free && rest > 0) {
            for (qsizetype k = 1; k < widths.size(); ++k)
                widths[k] *= free / rest;
        }
        return widths;
    }

    // Each row as high as its highest cell, a text too wide for its cell wrapped.
    QList<double> rowHeights(const Table& table, const QList<double>& widths) const {
        QList<double> heights;
        for (const Row& row : table.rows) {
            double height = RowHeight;
            int column = 0;
            for (const Cell& cell : row) {
                const double w = spanWidth(widths, column, cell.span);
                const QRectF box = metrics(cellFont(cell.verdict != Verdict::None))
                                       .boundingRect(QRectF(0, 0, w - 2 * CellPadding, 1000),
                                                     Qt::TextWordWrap | cell.align, cell.text);
                height = std::max(height, std::ceil(box.height()) + 2);
                column += cell.span;
            }
            heights.append(height);
        }
        return heights;
    }

    double tableHeight(const Table& table) const {
        double sum = 4;
        for (double h : rowHeights(table, fittedWidths(table)))
            sum += h;
        return sum;
    }

    void table(const Table& table) {
        need(tableHeight(table));
        const QList<double> widths = fittedWidths(table);
        const QList<double> heights = rowHeights(table, widths);
        double total = 0;
        for (double w : widths)
            total += w;
        const double x0 = left() + (contentWidth() - total) / 2;
        painter_.save();
        for (qsizetype r = 0; r < table.rows.size(); ++r) {
            double x = x0;
            int column = 0;
            for (const Cell& cell : table.rows[r]) {
                const double w = spanWidth(widths, column, cell.span);
                const QRectF box(x, y_, w, heights[r]);
                painter_.setPen(QPen(QColor(128, 128, 128), 0.4));
                painter_.setBrush(cell.heading ? HeadingFill : QColor(Qt::white));
                painter_.drawRect(box);
                painter_.setFont(cellFont(cell.verdict != Verdict::None));
                painter_.setPen(cell.verdict != Verdict::None ? verdictColour(cell.verdict)
                                : cell.heading                ? QColor(Qt::black)
                                                              : Maroon);
                painter_.drawText(box.adjusted(CellPadding, 0, -CellPadding, 0),
                                  Qt::TextWordWrap | cell.align, cell.text);
                x += w;
                column += cell.span;
            }
            y_ += heights[r];
        }
        painter_.restore();
        y_ += 4;
    }

private:
    static QFont cellFont(bool bold) { return pdfFont(7, bold); }

    // Measured on the page itself: a point there is one unit, unlike on the screen.
    QFontMetricsF metrics(const QFont& font) const {
        return QFontMetricsF(font, painter_.device());
    }

    static double spanWidth(const QList<double>& widths, int column, int span) {
        double w = 0;
        for (int k = 0; k < span && column + k < widths.size(); ++k)
            w += widths[column + k];
        return w;
    }

    // Whose report, and "стр. N из M", over a thin rule.
    void pageHead() {
        painter_.save();
        const QFont font = pdfFont(8);
        painter_.setFont(font);
        painter_.setPen(Qt::darkGray);
        const QRectF line(Margin, Margin - 22, width_ - 2 * Margin, 12);
        const QString number = pageCount_ > 0
                                   ? QStringLiteral("стр. %1 из %2").arg(page_).arg(pageCount_)
                                   : QStringLiteral("стр. %1").arg(page_);
        const double numberWidth = metrics(font).horizontalAdvance(number) + 12;
        painter_.drawText(
            line.adjusted(0, 0, -numberWidth, 0),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            metrics(font).elidedText(owner_, Qt::ElideRight, line.width() - numberWidth));
        painter_.drawText(line, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, number);
        painter_.setPen(QPen(QColor(160, 160, 160), 0.5));
        painter_.drawLine(QPointF(line.left(), line.bottom() + 3),
                          QPointF(line.right(), line.bottom() + 3));
        painter_.restore();
        y_ = Margin;
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    QString owner_;
    int pageCount_ = 0;
    double width_ = 0;
    double height_ = 0;
    double y_ = 0;
    int page_ = 1;
};

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

// The window's charts drawn smaller: a chart unit is this many points, so that their texts
// come out at the size of the report's small print.
constexpr double ChartUnit = 0.6;
// A chart's height on the page, and the least it may shrink to so as to stay on the page of
// its table rather than leave most of that page empty.
constexpr double ChartHeight = 190;
constexpr double SmallestChartHeight = 130;
constexpr double ChartWidth = 380;

// Paints a chart in `area` (points) at the report's scale, in a thin frame.
template <typename Description, typename Paint>
void paintScaled(QPainter& painter, const QRectF& area, const Description& chart, Paint paint) {
    painter.save();
    painter.setPen(QPen(QColor(160, 160, 160), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.translate(area.topLeft());
    painter.scale(ChartUnit, ChartUnit);
    paint(painter, QRectF(QPointF(0, 0), area.size() / ChartUnit), chart, pdfFont(8));
    painter.restore();
}

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
    return profileChart(profile, ProfileValues::Raw, state.record.scores.raw, state.comparison.chi,
                        options);
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
                reportChart(block.number, state), paintBarChart);
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
               {QStringLiteral(" — значимое отличие от нормы (для p = 0.05)."), Qt::black}},
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
                       "баллы, чёрная черта — число ответов, ожидаемое по норме."),
    };
    for (const QString& line : lines)
        flow.text(line, small);
}

// One cell whose chi-square lies beyond the critical value.
struct StandOut {
    QString label;
    bool above = false;
    double percent = 0;
    double norm = 0;
    QString chi;
    QString explanation; // what the window shows for the cell
};

QString normPercentText(double norm) {
    // The norm tables hold a few values with two decimals.
    const bool tenths = std::abs(norm * 10 - std::round(norm * 10)) < 1e-9;
    return formatFixed(norm, 0, tenths ? 1 : 2);
}

template <std::size_t N>
QList<StandOut> standOuts(const std::array<double, N>& raw, const std::array<double, N>& norm,
                          const std::array<Verdict, N>& verdicts, const TextGrid& grid, int chiRow,
                          const std::function<QString(int)>& label,
                          const std::function<QString(int)>& explanation) {
    QList<StandOut> found;
    for (int i = 0; i < int(N); ++i) {
        if (verdicts[std::size_t(i)] != Verdict::BeyondNorm)
            continue;
        const double percent = percentOfAnswers(raw[std::size_t(i)]);
        const double expected = norm[std::size_t(i)];
        // The motive grid holds a profile's cells in rows, the others in columns.
        const QString chi = chiRow < 0 ? grid.cell(9, i + 1) : grid.cell(i + 1, chiRow);
        found.append(StandOut{label(i), percent > expected, percent, expected, chi.trimmed(),
                              explanation(i)});
    }
    return found;
}

// "Что выделяется": the motives, orientations and stimuli whose values differ significantly
// from the norm, each with the explanation the window gives for it.
void printStandOuts(PageFlow& flow, const AnalysisState& state, const ResultSheet& sheet) {
    const Profiles& norm = state.comparison.norm.percent;
    const Profiles& raw = state.record.scores.raw;
    const auto motive = [](int m) { return MotiveNames[std::size_t(m)].trimmed(); };
    const QStringList orientations{QStringLiteral("РО"), QStringLiteral("ПО")};
    const QStringList stimuli = profileSeriesNames(3);
    const QList<std::pair<QString, QList<StandOut>>> groups{
        {QStringLiteral("Мотивы (профиль 1)"),
         standOuts(raw.profile1, norm.profile1, sheet.motiveChiVerdicts, sheet.motiveGrid, -1,
                   motive, [](int m) { return joinPieces(MotiveTexts[std::size_t(m)]); })},
        {QStringLiteral("Ориентации (профиль 2)"),
         standOuts(
             raw.profile2, norm.profile2, sheet.orientationChiVerdicts, sheet.orientationGrid,
             ProfileRow::Chi,
             [&](int k) {
                 return orientations[k / MotiveCount] + QStringLiteral(", ") +
                        motive(k % MotiveCount);
             },
             [](int k) { return joinPieces(OrientationTexts[std::size_t(k / MotiveCount)]); })},
        {QStringLiteral("Стимулы (профиль 3)"),
         standOuts(
             raw.profile3, norm.profile3, sheet.stimulusChiVerdicts, sheet.stimulusGrid,
             ProfileRow::Chi,
             [&](int k) {
                 return stimuli[k / MotiveCount] + QStringLiteral(", ") + motive(k % MotiveCount);
             },
             [](int) { return joinPieces(StimulusText); })},
    };

    const QFont entryFont = pdfFont(9);
    const QFont explanationFont = pdfFont(7.5);
    flow.advance(6);
    flow.need(3 * LineHeight);
    flow.text(QStringLiteral("Что выделяется"), pdfFont(11, true));
    bool any = false;
    for (const auto& [title, entries] : groups) {
        if (entries.isEmpty())
            continue;
        any = true;
        flow.need(3 * LineHeight);
        flow.advance(2);
        flow.text(title, pdfFont(9, true));
        for (qsizetype e = 0; e < entries.size(); ++e) {
            const StandOut& entry = entries[e];
            flow.text(
                QStringLiteral("• %1: %2 нормы — %3 % при норме %4 %, Хм2 = %5")
                    .arg(entry.label, entry.above ? QStringLiteral("выше") : QStringLiteral("ниже"),
                         formatFixed(entry.percent, 0, 1), normPercentText(entry.norm), entry.chi),
                entryFont, verdictColour(Verdict::BeyondNorm), 6);
            // Cells that share an explanation (the orientations, the stimuli) give it once.
            if (e + 1 == entries.size() || entries[e + 1].explanation != entry.explanation)
                flow.text(entry.explanation, explanationFont, Qt::darkGray, 14);
        }
    }
    if (!any)
        flow.text(QStringLiteral("Ни одно значение не отличается от нормы значимо: все Хм2 не "
                                 "больше %1.")
                      .arg(formatFixed(cellCritical(), 0, 2)),
                  entryFont);
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
    if (!individual)
        flow.text(groupTitle(groupMemberCount(state)), pdfFont(11, true));
    QStringList fields;
    for (const HeaderLine& line : reportHeader(state)) {
        // A group's code field holds its member count and its name field "Группа": the title
        // above says both.
        if (!individual &&
            (line.field == HeaderLine::Field::Code || line.field == HeaderLine::Field::Name))
            continue;
        fields << line.label + QStringLiteral(": ") + line.value;
    }
    fields << QStringLiteral("Норма: ") + normGroupName(state.comparison.norm);
    const QStringList hint = informationLines(state);
    // Beside the fields an examinee's timing lines; a group's member list can be long, it
    // follows the charts instead.
    flow.twoColumns(fields, individual ? hint : QStringList(), body, Qt::darkGray);
    flow.advance(6);
    flow.runs({{QStringLiteral("Включенность в коллектив: "), Qt::black},
               {sheet.inclusionIndex, verdictColour(sheet.inclusionIndexVerdict)},
               {QStringLiteral("      Инновационный потенциал: "), Qt::black},
               {sheet.innovationIndex, verdictColour(sheet.innovationIndexVerdict)}},
              body, bold);
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

    if (individual) {
        const double height = 210;
        flow.need(height + 6);
        paintScaled(painter, QRectF(flow.left(), flow.y(), flow.contentWidth(), height),
                    answerTimeChart(state.record, state.header.code, state.header.name),
                    paintAnswerTimeChart);
        flow.advance(height + 8);
    }

    if (!individual) {
        for (const QString& line : hint)
            flow.text(line, pdfFont(8));
    }
    flow.advance(4);
    flow.text(QStringLiteral("Комментарий к анализу"), bold);
    for (const QString& line : snapshot.commentLines)
        flow.text(line, body);
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
