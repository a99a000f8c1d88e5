#include "PdfReport.h"

#include "ChartDescription.h"
#include "ChartPainter.h"
#include "Domain.h"
#include "ExplanationTexts.h"
#include "PdfFonts.h"
#include "ReportHeader.h"
#include "ResultSheet.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace ezr {

namespace {

const QColor Maroon(MaroonRgb.red, MaroonRgb.green, MaroonRgb.blue);
const QColor HeadingFill(236, 233, 216);
constexpr double Margin = 40.0; // points
constexpr double RowHeight = 12.0;
constexpr double LineHeight = 12.5;

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
// does not fit.
class PageFlow {
public:
    PageFlow(QPdfWriter& writer, QPainter& painter) : writer_(writer), painter_(painter) {
        const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();
        width_ = page.width();
        height_ = page.height();
        y_ = Margin;
        footer();
    }

    double left() const { return Margin; }
    double contentWidth() const { return width_ - 2 * Margin; }
    double y() const { return y_; }
    void advance(double height) { y_ += height; }

    void need(double height) {
        if (y_ + height > height_ - Margin)
            newPage();
    }

    void newPage() {
        writer_.newPage();
        ++page_;
        y_ = Margin;
        footer();
    }

    // Plain text, wrapped at the content width.
    void text(const QString& line, const QFont& font, const QColor& colour = Qt::black) {
        painter_.setFont(font);
        const QRectF box = painter_.boundingRect(QRectF(left(), 0, contentWidth(), 10000),
                                                 Qt::TextWordWrap, line.isEmpty() ? " " : line);
        need(box.height());
        painter_.setPen(colour);
        painter_.drawText(QRectF(left(), y_, contentWidth(), box.height()), Qt::TextWordWrap, line);
        y_ += std::max(box.height(), LineHeight);
    }

    // Pieces of text one after another on one line, each in its own colour.
    void runs(const QList<std::pair<QString, QColor>>& pieces, const QFont& font,
              const QFont& valueFont) {
        need(LineHeight);
        double x = left();
        bool isValue = false;
        for (const auto& [piece, colour] : pieces) {
            const QFont& f = isValue ? valueFont : font;
            painter_.setFont(f);
            painter_.setPen(colour);
            const double width = QFontMetricsF(f).horizontalAdvance(piece);
            painter_.drawText(QRectF(x, y_, width + 1, LineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter, piece);
            x += width;
            isValue = !isValue;
        }
        y_ += LineHeight + 1;
    }

    void table(const Table& table) {
        need(RowHeight * table.rows.size());
        const double x0 = left() + (contentWidth() - table.width()) / 2;
        painter_.save();
        for (const Row& row : table.rows) {
            double x = x0;
            int column = 0;
            for (const Cell& cell : row) {
                double w = 0;
                for (int k = 0; k < cell.span && column + k < table.widths.size(); ++k)
                    w += table.widths[column + k];
                const QRectF box(x, y_, w, RowHeight);
                painter_.setPen(QPen(QColor(128, 128, 128), 0.4));
                painter_.setBrush(cell.heading ? HeadingFill : QColor(Qt::white));
                painter_.drawRect(box);
                QFont font = pdfFont(7, cell.verdict != Verdict::None);
                painter_.setFont(font);
                painter_.setPen(cell.verdict != Verdict::None ? verdictColour(cell.verdict)
                                : cell.heading                ? QColor(Qt::black)
                                                              : Maroon);
                painter_.drawText(box.adjusted(2, 0, -2, 0), cell.align, cell.text);
                x += w;
                column += cell.span;
            }
            y_ += RowHeight;
        }
        painter_.restore();
        y_ += 4;
    }

private:
    void footer() {
        painter_.save();
        painter_.setFont(pdfFont(7));
        painter_.setPen(Qt::gray);
        painter_.drawText(QRectF(Margin, height_ - Margin + 10, width_ - 2 * Margin, 10),
                          Qt::AlignRight | Qt::AlignVCenter,
                          QStringLiteral("%1 — стр. %2").arg(ApplicationTitle).arg(page_));
        painter_.restore();
    }

    QPdfWriter& writer_;
    QPainter& painter_;
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

// The heading line of a profile stays on the page of its table.
void profileHeading(PageFlow& flow, int number, const QString& x2, Verdict verdict,
                    const QString& caption, const Table& table) {
    flow.need(4 + LineHeight + 1 + RowHeight * table.rows.size());
    flow.advance(4);
    flow.runs({{QStringLiteral("Профиль %1.  X2 = ").arg(number), Qt::black},
               {x2, verdictColour(verdict)},
               {QStringLiteral("  ") + caption, Qt::black}},
              pdfFont(8), pdfFont(9, true));
    flow.table(table);
}

// The window's charts drawn smaller: a chart unit is this many points, so that their texts
// come out at the size of the report's small print.
constexpr double ChartUnit = 0.6;

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
void printProfileChart(QPainter& painter, PageFlow& flow, int profile, const AnalysisState& state) {
    const double height = 190;
    flow.need(height + 6);
    ProfileChartOptions options;
    options.code = state.header.code;
    options.name = state.header.name;
    options.norm = state.comparison.norm;
    options.normShown = true;
    options.marksVisible = marksShownAtStart(profile);
    options.legendShown = true;
    const BarChartDescription chart = profileChart(profile, ProfileValues::Raw, state.record.scores.raw,
                                                   state.comparison.chi, options);
    const double width = 380;
    paintScaled(painter,
                QRectF(flow.left() + (flow.contentWidth() - width) / 2, flow.y(), width, height),
                chart, paintBarChart);
    flow.advance(height + 8);
}

} // namespace

QByteArray buildPdfReport(const ReportSnapshot& snapshot) {
    const AnalysisState& state = snapshot.analysis;
    const bool individual = state.kind != AnalysisKind::Group;
    const ResultSheet sheet = formatSheet(state);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72); // painter units are points
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        writer.setCreator(ApplicationTitle);
        writer.setTitle(sheet.code + QStringLiteral(". ") + sheet.name);
        QPainter painter(&writer);
        PageFlow flow(writer, painter);

        const QFont body = pdfFont(9);
        const QFont bold = pdfFont(9, true);
        flow.text(ApplicationTitle + QStringLiteral(" — результаты анализа"), pdfFont(13, true));
        flow.advance(4);
        for (const HeaderLine& line : reportHeader(state))
            flow.text(line.label + QStringLiteral(": ") + line.value, body);
        const QStringList hint = informationLines(state);
        // A group's member list can be long: it follows the charts instead.
        if (individual) {
            for (const QString& line : hint)
                flow.text(line, pdfFont(8), Qt::darkGray);
        }
        flow.advance(6);
        flow.runs({{QStringLiteral("Включенность в коллектив: "), Qt::black},
                   {sheet.inclusionIndex, verdictColour(sheet.inclusionIndexVerdict)},
                   {QStringLiteral("      Инновационный потенциал: "), Qt::black},
                   {sheet.innovationIndex, verdictColour(sheet.innovationIndexVerdict)}},
                  body, bold);

        profileHeading(flow, 1, sheet.profile1X2, sheet.profile1X2Verdict, sheet.profile1Caption,
                       motiveTable(sheet));
        printProfileChart(painter, flow, 1, state);

        profileHeading(flow, 2, sheet.profile2X2, sheet.profile2X2Verdict, sheet.profile2Caption,
                       bandTable(sheet.orientationBand, sheet.orientationGrid,
                                 sheet.orientationChiVerdicts, 110, 33));
        flow.text(motiveLegend(), pdfFont(7), Qt::darkGray);
        printProfileChart(painter, flow, 2, state);

        profileHeading(
            flow, 3, sheet.profile3X2, sheet.profile3X2Verdict, sheet.profile3Caption,
            bandTable(sheet.stimulusBand, sheet.stimulusGrid, sheet.stimulusChiVerdicts, 100, 23));
        flow.text(motiveLegend(), pdfFont(7), Qt::darkGray);
        printProfileChart(painter, flow, 3, state);

        if (individual) {
            const double height = 210;
            flow.need(height + 6);
            paintScaled(painter, QRectF(flow.left(), flow.y(), flow.contentWidth(), height),
                        answerTimeChart(state.record, state.header.code, state.header.name), paintAnswerTimeChart);
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
    }
    return bytes;
}

} // namespace ezr
