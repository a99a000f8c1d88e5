#include "EntryReconcileDialog.h"

#include "LatinKeys.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace ezr;

namespace {

const QString Undecided = QStringLiteral("— не выбрано —");

QString rowCaption(const EntryDifference& difference) {
    return difference.item != 0 ? QStringLiteral("Пункт %1").arg(difference.item)
                                : difference.column;
}

// In the table, 1 and 2 take the first or the second entry's value for the current row.
class EntryKeys : public QObject {
public:
    explicit EntryKeys(EntryReconcileDialog* dialog, QTableWidget* table)
        : QObject(dialog), dialog_(dialog), table_(table) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || table_->currentRow() < 0)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text != QLatin1String("1") && text != QLatin1String("2"))
            return false;
        dialog_->takeEntry(table_->currentRow(), text.toInt());
        table_->setCurrentCell(std::min(table_->currentRow() + 1, table_->rowCount() - 1), 0);
        return true;
    }

private:
    EntryReconcileDialog* dialog_;
    QTableWidget* table_;
};

} // namespace

EntryReconcileDialog::EntryReconcileDialog(const QList<EntryDifference>& differences,
                                           QWidget* parent)
    : QDialog(parent), differences_(differences) {
    setObjectName(QStringLiteral("EntryReconcileDialog"));
    setWindowTitle(QStringLiteral("Сверка вводов"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QStringLiteral("Вводы расходятся: %1. Посмотрите на бланк и выберите в каждой строке, "
                       "что на нём записано (клавиши 1 и 2 — первый или второй ввод).")
            .arg(differences.size()),
        this);
    hint->setObjectName(QStringLiteral("laReconcileHint"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    createTable();
    layout->addWidget(table_, 1);
    layout->addWidget(createButtons());
    answerLatinLabelMnemonics(this);
    resize(640, 420);
    table_->setCurrentCell(0, 0);
    table_->setFocus();
    updateButton();
}

void EntryReconcileDialog::createTable() {
    table_ = new QTableWidget(int(differences_.size()), 4, this);
    table_->setObjectName(QStringLiteral("sgDifferences"));
    table_->setAccessibleName(QStringLiteral("Расхождения вводов"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Поле"), QStringLiteral("Первый ввод"),
                                       QStringLiteral("Второй ввод"), QStringLiteral("На бланке")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setTabKeyNavigation(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < table_->rowCount(); ++row) {
        const EntryDifference& d = differences_[row];
        table_->setItem(row, 0, new QTableWidgetItem(rowCaption(d)));
        table_->setItem(row, 1, new QTableWidgetItem(d.first));
        table_->setItem(row, 2, new QTableWidgetItem(d.second));
        addChoice(row);
    }
    table_->installEventFilter(new EntryKeys(this, table_));
}

void EntryReconcileDialog::addChoice(int row) {
    const EntryDifference& d = differences_[row];
    auto* choice = new QComboBox(table_);
    choice->setObjectName(QStringLiteral("cbDecided%1").arg(row + 1));
    choice->setAccessibleName(QStringLiteral("На бланке: %1").arg(rowCaption(d)));
    choice->addItem(Undecided);
    QStringList values = {d.first, d.second};
    if (d.item != 0) {
        for (const QString& answer : itemAnswerTexts())
            if (!values.contains(answer))
                values << answer;
    } else {
        // A header field may be wrong in both entries: the paper's text is typed here.
        choice->setEditable(true);
    }
    for (const QString& value : values)
        choice->addItem(value);
    table_->setCellWidget(row, 3, choice);
    choices_ << choice;
    connect(choice, &QComboBox::currentTextChanged, this, &EntryReconcileDialog::updateButton);
}

QDialogButtonBox* EntryReconcileDialog::createButtons() {
    auto* buttons = new QDialogButtonBox(this);
    write_ =
        buttons->addButton(QStringLiteral("&Записать по бланку"), QDialogButtonBox::AcceptRole);
    write_->setObjectName(QStringLiteral("btWriteDecided"));
    QPushButton* back =
        buttons->addButton(QStringLiteral("&Вернуться к вводу"), QDialogButtonBox::RejectRole);
    back->setObjectName(QStringLiteral("btBackToEntry"));
    for (QPushButton* button : {write_, back})
        button->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

QStringList EntryReconcileDialog::decided() const {
    QStringList values;
    for (const QComboBox* choice : choices_) {
        const QString text = choice->currentText();
        values << (choice->currentIndex() == 0 && text == Undecided ? QString() : text);
    }
    return values;
}

void EntryReconcileDialog::takeEntry(int row, int entry) {
    if (row < 0 || row >= choices_.size() || (entry != 1 && entry != 2))
        return;
    choices_[row]->setCurrentIndex(entry);
}

void EntryReconcileDialog::updateButton() {
    // A field decided to an empty text counts as decided only when an entry had it empty.
    bool all = true;
    const QStringList values = decided();
    for (qsizetype row = 0; row < values.size(); ++row) {
        const bool emptyChosen = choices_[row]->currentIndex() > 0;
        all = all && (!values[row].isEmpty() || emptyChosen);
    }
    write_->setEnabled(all);
}
