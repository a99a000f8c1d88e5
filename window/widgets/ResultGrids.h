#pragma once

#include "ResultSheet.h"

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>

// The six string grids of the result panel: per profile a header band that carries the
// group headings and, 21 pixels lower, the data grid that covers all of the band but its
// first row. Fixed cells look like fixed cells, data cells are white, every text is drawn
// as it stands (the headings are aligned with blanks) at the cell's left edge.
namespace ezr {

enum class GridKind {
    StimulusBand,    // sgResult3
    StimulusGrid,    // sgResult3a
    MotiveBand,      // sgResult
    MotiveGrid,      // sgResulta
    OrientationBand, // sgResult2
    OrientationGrid, // sgResult2a
};

struct GridGeometry {
    QString objectName;
    QRect rect;              // position on the result panel, outer size
    QList<int> columnWidths; // inner cell widths, without the grid line
    int rowCount = 0;
    int fixedRows = 1;
    int fixedColumns = 1;
    int tallRow = -1;   // the one row that is 21 pixels high instead of 20
    int chiColumn = -1; // chi-square cells: this column below the fixed rows ...
    int chiRow = -1;    // ... or this row right of the fixed columns
};

GridGeometry gridGeometry(GridKind kind);

// How one cell is drawn.
struct CellLook {
    QColor text;
    QColor background;
    bool bold = false;
    bool fixed = false;
    // The grid's current cell: framed, and tinted while the grid has the keyboard. The tint
    // is light enough that the verdict colours of the text read on it.
    bool current = false;
    bool focused = false;
};

// The frame and tint of the current cell.
QColor currentCellFrame();
QColor currentCellTint();

class ResultGrid;

// Draws every cell of a grid. The significance colouring of the chi-square cells is part
// of it but stays detached until an analysis has filled those cells, and even then acts
// only while the chart panel is visible (the cells are empty before the first comparison).
class ResultGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ResultGridDelegate(ResultGrid* grid);

    void attach(const QWidget* chartPanel);
    void detach();
    bool isAttached() const { return attached_; }

    CellLook look(int column, int row) const;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Within the norm green, beyond it maroon.
    static QColor significanceColour(Verdict verdict);

private:
    bool colouring(int column, int row) const;

    ResultGrid* grid_;
    QPointer<const QWidget> chartPanel_;
    bool attached_ = false;
};

class ResultGrid : public QTableWidget {
    Q_OBJECT
public:
    ResultGrid(GridKind kind, QWidget* parent);

    const GridGeometry& geometryOfGrid() const { return geometry_; }
    bool isFixedCell(int column, int row) const;
    bool isChiCell(int column, int row) const;

    void setTexts(const TextGrid& texts);
    // The verdicts of the chi-square cells, in cell order (down the chi-square column or
    // along the chi-square row).
    template <std::size_t N> void setChiVerdicts(const std::array<Verdict, N>& verdicts) {
        chiVerdicts_ = QList<Verdict>(verdicts.begin(), verdicts.end());
        viewport()->update();
    }
    Verdict chiVerdict(int column, int row) const;
    TextGrid texts() const;
    QString text(int column, int row) const;

    ResultGridDelegate* cellDrawing() const { return delegate_; }

signals:
    // A data cell has been selected, by the mouse (also again) or by the keyboard.
    void cellSelected(int column, int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    GridGeometry geometry_;
    ResultGridDelegate* delegate_;
    QList<Verdict> chiVerdicts_;
};

} // namespace ezr
