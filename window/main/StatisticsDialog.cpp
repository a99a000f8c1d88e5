#include "StatisticsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace ezr;

namespace {

// Sorts by the value kept beside the shown text; an empty cell after every number.
class NumberItem : public QTableWidgetItem {
public:
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(Qt::UserRole), theirs = other.data(Qt::UserRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toDouble() < theirs.toDouble();
        if (mine.isValid() != theirs.isValid())
            return mine.isValid();
        return text() < other.text();
    }
};

// A number cell shows its value in the user's notation to six digits and sorts by it; a text
// cell shows as it is.
QTableWidgetItem* sortableItem(const QVariant& cell) {
    auto* item = new NumberItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (cell.typeId() == QMetaType::Double) {
        item->setText(QLocale::system().toString(cell.toDouble(), 'g', 6));
        item->setData(Qt::UserRole, cell.toDouble());
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    } else {
        item->setText(cell.toString());
    }
    return item;
}

} // namespace

StatisticsDialog::StatisticsDialog(const StatisticsReport& report, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("statisticsDialog"));
    setWindowTitle(QStringLiteral("Статистика: ") + report.title);
    auto* layout = new QVBoxLayout(this);
    auto* title =
        new QLabel(report.title + QStringLiteral(". Отмечены показатели, которые отличаются после "
                                                 "поправки Холма (p < 0,05)."),
                   this);
    title->setWordWrap(true);
    layout->addWidget(title);

    const QList<TableRow>& rows = report.table.rows;
    const TableRow& headings = rows.front();
    table_ = new QTableWidget(int(rows.size() - 1), int(headings.size()), this);
    table_->setObjectName(QStringLiteral("statisticsTable"));
    QStringList labels;
    for (const QVariant& heading : headings)
        labels << heading.toString();
    table_->setHorizontalHeaderLabels(labels);
    const QColor marked(255, 228, 196);
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const bool differs = report.differs.value(r - 1);
        for (qsizetype c = 0; c < headings.size(); ++c) {
            QTableWidgetItem* item = sortableItem(rows[r].value(c));
            if (differs) {
                item->setBackground(marked);
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                if (c == 0)
                    item->setText(item->text() + QStringLiteral(" — отличается"));
            }
            table_->setItem(int(r - 1), int(c), item);
        }
    }
    // The cells start in the order of the profiles; a click on a heading sorts.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->resizeColumnsToContents();
    layout->addWidget(table_, 1);

    if (!report.notes.isEmpty()) {
        auto* notes = new QLabel(report.notes.join(u'\n'), this);
        notes->setObjectName(QStringLiteral("statisticsNotes"));
        notes->setWordWrap(true);
        layout->addWidget(notes);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // Wide enough for every column where the screen allows.
    const int tableWidth = table_->horizontalHeader()->length() + 2 * table_->frameWidth() +
                           table_->verticalScrollBar()->sizeHint().width();
    const QScreen* shown = parent ? parent->screen() : screen();
    const int widest = shown ? shown->availableGeometry().width() - 40 : tableWidth;
    resize(std::min(tableWidth + 2 * layout->contentsMargins().left(), widest), 720);
}
