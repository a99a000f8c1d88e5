// Double entry in the answer sheet: where the two entries differ, the paper decides.

#include "AnswerSheetForm.h"
#include "DoubleEntry.h"
#include "EntryReconcileDialog.h"
#include "ItemAnswerBox.h"
#include "UserDialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QSet>
#include <QSignalBlocker>

using namespace ezr;

void AnswerSheetForm::showDifferences(const QList<EntryDifference>& differences) {
    QStringList lines;
    QSet<int> items;
    for (const EntryDifference& d : differences) {
        const bool isItem = d.item != 0;
        if (isItem)
            items.insert(d.item);
        lines << QStringLiteral("%1%2: первый ввод «%3», второй «%4»")
                     .arg(isItem ? QStringLiteral("пункт ") : QString(), d.column, d.first,
                          d.second);
    }
    for (ItemAnswerBox* box : items_)
        box->setMismatch(items.contains(box->item()));
    // Neither entry is taken for the truth: the paper decides, item by item.
    status_->setText(QStringLiteral("Не сохранено: вводы расходятся (%1). Сверьте с бланком: "
                                    "выберите записанное на нём или исправьте второй ввод.\n%2")
                         .arg(differences.size())
                         .arg(lines.join(QStringLiteral("; "))));
    auto* reconcile = new EntryReconcileDialog(differences, this);
    reconcile->setAttribute(Qt::WA_DeleteOnClose);
    const AnswerSheet second = sheet();
    connect(reconcile, &QDialog::accepted, this, [this, reconcile, second] {
        const AnswerSheet decided =
            decidedSheet(second, reconcile->differences(), reconcile->decided());
        if (!checkSheet(decided).isEmpty()) {
            // A header text typed in the comparison may itself be wrong: shown to correct,
            // and taken as both entries.
            firstEntry_ = decided;
            showSheet(decided);
            status_->setText(QStringLiteral("Не сохранено: исправьте отмеченное выше."));
            return;
        }
        writeSheet(decided);
    });
    connect(reconcile, &QDialog::rejected, this,
            [this, differences] { focusColumn(differences.front().column, differences.front().item); });
    reconcile->open();
}

void AnswerSheetForm::doubleEntryToggled(bool on) {
    // Unticked after the first entry was taken: the check of the second would be lost.
    if (!on && firstEntry_ &&
        !dialogs_->askQuestion(this, QStringLiteral("Первый ввод принят, второй ещё не сверен. "
                                                    "Отключить двойной ввод и сохранять без "
                                                    "сверки?"))) {
        const QSignalBlocker quiet(doubleEntry_);
        doubleEntry_->setChecked(true);
        return;
    }
    // Switching double entry on or off starts the comparison over.
    firstEntry_.reset();
    for (ItemAnswerBox* box : items_)
        box->setMismatch(false);
    showEntryCaption();
}
