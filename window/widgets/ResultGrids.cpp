#include "ResultGrids.h"

#include "NormComparison.h"
#include "Regional.h"
#include "WindowFonts.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

namespace ezr {
namespace {

// Cell sizes are those of the form: the grid line of one pixel comes on top of each.
constexpr int GridLine = 1;
constexpr int DefaultRowHeight = 20;
constexpr int TallRowHeight = 21;

QList<int> widths(std::initializer_list<int> leading, int repeated, int times,
                  std::initializer_list<int> trailing = {}) {
    QList<int> list(leading);
    for (int i = 0; i < times; ++i)
        list.append(repeated);
    list.append(QList<int>(trailing));
    return list;
}

} // namespace

GridGeometry gridGeometry(GridKind kind) {
    GridGeometry g;
    switch (kind) {
    case GridKind::StimulusBand:
        g.objectName = QStringLiteral("sgResult3");
        g.rect = QRect(8, 66, 817, 46);
        g.columnWidths = {200, 203, 203, 203};
        g.rowCount = 3;
        g.fixedRows = 2;
        break;
    case GridKind::StimulusGrid:
        g.objectName = QStringLiteral("sgResult3a");
        g.rect = QRect(8, 87, 817, 88);
        g.columnWidths = widths({200}, 33, 18);
        g.rowCount = 4;
        g.chiRow = ProfileRow::Chi;
        break;
    case GridKind::MotiveBand:
        g.objectName = QStringLiteral("sgResult");
        g.rect = QRect(8, 206, 613, 45);
        g.columnWidths = {200, 89, 89, 89, 89, 47};
        g.rowCount = 2;
        break;
    case GridKind::MotiveGrid:
        g.objectName = QStringLiteral("sgResulta");
        g.rect = QRect(8, 227, 613, 152);
        g.columnWidths = widths({200}, 44, 8, {47});
        g.rowCount = 7;
        g.tallRow = 3;
        g.chiColumn = MotiveColumn::Chi;
        break;
    case GridKind::OrientationBand:
        g.objectName = QStringLiteral("sgResult2");
        g.rect = QRect(8, 414, 613, 45);
        g.columnWidths = {200, 203, 203};
        g.rowCount = 2;
        break;
    case GridKind::OrientationGrid:
        g.objectName = QStringLiteral("sgResult2a");
        g.rect = QRect(8, 435, 613, 88);
        g.columnWidths = widths({200}, 33, 12);
        g.rowCount = 4;
        g.chiRow = ProfileRow::Chi;
        break;
    }
    return g;
}

QColor currentCellFrame() {
    return QColor(0, 84, 166);
}

QColor currentCellTint() {
    return QColor(220, 234, 250);
}

ResultGridDelegate::ResultGridDelegate(ResultGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void ResultGridDelegate::attach(const QWidget* chartPanel) {
    chartPanel_ = chartPanel;
    attached_ = true;
    grid_->viewport()->update();
}

void ResultGridDelegate::detach() {
    attached_ = false;
    grid_->viewport()->update();
}

QColor ResultGridDelegate::significanceColour(Verdict verdict) {
    return verdict == Verdict::WithinNorm ? SignificantGreen : Maroon;
}

bool ResultGridDelegate::colouring(int column, int row) const {
    return attached_ && chartPanel_ && !chartPanel_->isHidden() && grid_->isChiCell(column, row);
}

CellLook ResultGridDelegate::look(int column, int row) const {
    CellLook cell;
    cell.fixed = grid_->isFixedCell(column, row);
    cell.background = cell.fixed ? grid_->palette().color(QPalette::Button) : QColor(Qt::white);
    cell.text = Maroon;
    const QModelIndex current = grid_->currentIndex();
    cell.current =
        !cell.fixed && current.isValid() && current.column() == column && current.row() == row;
    cell.focused = cell.current && grid_->hasFocus();
    if (cell.focused)
        cell.background = currentCellTint();
    if (!cell.fixed && colouring(column, row)) {
        // A cell not judged yet (never after a comparison) stays plain.
        const Verdict verdict = grid_->chiVerdict(column, row);
        if (verdict != Verdict::None) {
            cell.text = significanceColour(verdict);
            cell.bold = true;
        }
    }
    return cell;
}

void ResultGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const CellLook cell = look(index.column(), index.row());
    const QRect r = option.rect;
    painter->save();
    painter->setClipRect(r);
    painter->fillRect(r, cell.background);
    if (cell.fixed) {
        // The raised inner edge of a fixed cell.
        painter->setPen(grid_->palette().color(QPalette::Light));
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.topLeft(), r.bottomLeft());
        painter->setPen(grid_->palette().color(QPalette::Mid));
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
    }
    QFont font = grid_->font();
    font.setBold(cell.bold);
    painter->setFont(font);
    painter->setPen(cell.text);
    painter->drawText(r.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    if (cell.current) {
        // Two pixels while the grid has the keyboard, one otherwise: still seen after the
        // keyboard went elsewhere, as the cell whose chart and text are shown.
        const int width = cell.focused ? 2 : 1;
        QPen pen(currentCellFrame(), width);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        if (cell.focused)
            painter->drawRect(QRectF(r).adjusted(1, 1, -1, -1));
        else
            painter->drawRect(r.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

ResultGrid::ResultGrid(GridKind kind, QWidget* parent)
    : QTableWidget(parent), geometry_(gridGeometry(kind)) {
    setObjectName(geometry_.objectName);
    setColumnCount(int(geometry_.columnWidths.size()));
    setRowCount(geometry_.rowCount);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(0);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, geometry_.columnWidths[c] + GridLine);
    for (int r = 0; r < rowCount(); ++r)
        setRowHeight(r, (r == geometry_.tallRow ? TallRowHeight : DefaultRowHeight) + GridLine);

    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoScroll(false);
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setFont(gridFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    setGeometry(geometry_.rect);

    // The header bands only carry headings: nothing in them can be selected.
    const bool band = kind == GridKind::StimulusBand || kind == GridKind::MotiveBand ||
                      kind == GridKind::OrientationBand;
    setFocusPolicy(band ? Qt::NoFocus : Qt::StrongFocus);
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            auto* item = new QTableWidgetItem;
            const bool selectable = !band && !isFixedCell(c, r);
            item->setFlags(selectable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
            setItem(r, c, item);
        }
    }

    delegate_ = new ResultGridDelegate(this);
    delegate_->setObjectName(geometry_.objectName + QStringLiteral("DrawCell"));
    setItemDelegate(delegate_);

    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            emit cellSelected(column, row);
    });
}

bool ResultGrid::isFixedCell(int column, int row) const {
    return row < geometry_.fixedRows || column < geometry_.fixedColumns;
}

Verdict ResultGrid::chiVerdict(int column, int row) const {
    if (!isChiCell(column, row))
        return Verdict::None;
    const int index =
        geometry_.chiColumn >= 0 ? row - geometry_.fixedRows : column - geometry_.fixedColumns;
    return chiVerdicts_.value(index, Verdict::None);
}

bool ResultGrid::isChiCell(int column, int row) const {
    if (isFixedCell(column, row))
        return false;
    return column == geometry_.chiColumn || row == geometry_.chiRow;
}

void ResultGrid::setTexts(const TextGrid& texts) {
    Q_ASSERT(texts.columnCount() == columnCount() && texts.rowCount() == rowCount());
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            QTableWidgetItem* cell = item(r, c);
            const QString& value = texts.cell(c, r);
            if (cell->text() != value)
                cell->setText(value);
        }
    }
}

TextGrid ResultGrid::texts() const {
    TextGrid grid(columnCount(), rowCount());
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c)
            grid.cell(c, r) = item(r, c)->text();
    }
    return grid;
}

QString ResultGrid::text(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void ResultGrid::mousePressEvent(QMouseEvent* event) {
    // Clicking the selected cell again selects it again, as the grid of the form did; a
    // click on a new cell is reported through the change of the current cell.
    const QModelIndex before = currentIndex();
    QTableWidget::mousePressEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid() && hit == before && hit == currentIndex() &&
        (hit.flags() & Qt::ItemIsEnabled))
        emit cellSelected(hit.column(), hit.row());
}

} // namespace ezr
