#pragma once

#include "Domain.h"
#include "PdfFonts.h"
#include "ShownValues.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

// The printed report's page flow and tables: what every section of the PDF lays itself out
// with. Only the PDF's own files include this.
namespace ezr::pdf {

inline const QColor Maroon(MaroonRgb.red, MaroonRgb.green, MaroonRgb.blue);
inline const QColor HeadingFill(236, 233, 216);
// Behind a value beyond its norm: in grey print the maroon and the green look alike, the
// light ground does not.
inline const QColor BeyondNormFill(250, 226, 226);
inline constexpr double Margin = 40.0; // points
inline constexpr double RowHeight = 12.0;
inline constexpr double LineHeight = 12.5;
inline constexpr double CellPadding = 2.0;

inline QColor verdictColour(Verdict verdict) {
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

inline Cell heading(const QString& text, int span = 1) {
    return Cell{text.trimmed(), span, true, Verdict::None, Qt::AlignCenter};
}

inline Cell label(const QString& text) {
    return Cell{text.trimmed(), 1, true, Verdict::None, Qt::AlignLeft | Qt::AlignVCenter};
}

inline Cell value(const QString& text) {
    return Cell{text.trimmed(), 1, false, Verdict::None, Qt::AlignRight | Qt::AlignVCenter};
}

// A cell chi-square, coloured as the grid colours it.
inline Cell chiValue(const QString& text, Verdict verdict) {
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
        const double rows = double(std::max(first.size(), second.size()));
        need(rows * LineHeight);
        painter_.setFont(font);
        const double half = contentWidth() / 2;
        for (int r = 0; r < rows; ++r) {
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
                                                     int(Qt::TextWordWrap | cell.align), cell.text);
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
                painter_.setBrush(cell.heading                          ? HeadingFill
                                  : cell.verdict == Verdict::BeyondNorm ? BeyondNormFill
                                                                        : QColor(Qt::white));
                painter_.drawRect(box);
                painter_.setFont(cellFont(cell.verdict != Verdict::None));
                painter_.setPen(cell.verdict != Verdict::None ? verdictColour(cell.verdict)
                                : cell.heading                ? QColor(Qt::black)
                                                              : Maroon);
                painter_.drawText(box.adjusted(CellPadding, 0, -CellPadding, 0),
                                  int(Qt::TextWordWrap | cell.align), cell.text);
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

// The window's charts drawn smaller: a chart unit is this many points, so that their texts
// come out at the size of the report's small print.
inline constexpr double ChartUnit = 0.6;

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

} // namespace ezr::pdf
