#pragma once

#include "DoubleEntry.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QPushButton;
class QTableWidget;

// "Сверка вводов": the two entries of a sheet typed twice, side by side for every field and
// item where they differ. The clerk looks at the paper once more and takes, row by row, the
// value it holds: the first entry's, the second's, or (for an item) another answer. The
// sheet is written only when every row is decided; "Вернуться к вводу" goes back to the
// second entry, to correct it by hand.
class EntryReconcileDialog : public QDialog {
    Q_OBJECT
public:
    EntryReconcileDialog(const QList<ezr::EntryDifference>& differences, QWidget* parent);

    const QList<ezr::EntryDifference>& differences() const { return differences_; }
    // The value decided for each difference, or an empty string for one not decided yet.
    QStringList decided() const;
    // Chooses the first (1) or second (2) entry's value for row `row`.
    void takeEntry(int row, int entry);

private:
    void createTable();
    // The chooser of what the paper holds, in the last column of row `row`.
    void addChoice(int row);
    QDialogButtonBox* createButtons();
    void updateButton();

    QList<ezr::EntryDifference> differences_;
    QTableWidget* table_ = nullptr;
    QList<QComboBox*> choices_;
    QPushButton* write_ = nullptr;
};
