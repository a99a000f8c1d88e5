#pragma once

#include "AnswerSheet.h"
#include "DoubleEntry.h"

#include <QDialog>

#include <array>
#include <optional>

class ItemAnswerBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UserDialogs;

// "Новый бланк" and "Открыть бланк": the answer sheet laid out as on paper, the header fields
// above the three blocks of 36 items, typed from the keyboard with the cursor moving on by
// itself. What keeps the sheet from being saved is listed as it is typed. With double entry
// the sheet is typed twice and saved only when both entries agree. Saving writes CODE.cry
// into the data folder and asks before replacing a file.
class AnswerSheetForm : public QDialog {
    Q_OBJECT
public:
    // `dialogs` must outlive the form.
    AnswerSheetForm(UserDialogs* dialogs, const QString& dataDir, QWidget* parent);

    // A response file to correct: its answers, times and timing lines are kept.
    void loadSheet(const ezr::AnswerSheet& sheet, const QString& path);
    // The sheet as the fields show it now.
    ezr::AnswerSheet sheet() const;
    // The list of what is wrong, as shown under the header.
    QString problemsText() const;

public slots:
    // "Сохранить": true when a file was written.
    bool save();
    // Empties the form for the next sheet; the test date stays.
    void startNewSheet();

signals:
    void saved(const QString& path);
    // Ctrl+E in the sheet: another response file to correct.
    void openRequested();

protected:
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createHeader(class QGridLayout* layout);
    void createItems(class QHBoxLayout* layout);
    QHBoxLayout* createCaptionRow();
    void createMessages(class QVBoxLayout* layout);
    // Returns the buttons in the order the keyboard reaches them.
    QList<QWidget*> createButtonRow(QVBoxLayout* layout);
    void createShortcuts();
    void setKeyboardOrder(const QList<QWidget*>& buttons);
    void showSheet(const ezr::AnswerSheet& sheet);
    void refreshProblems();
    void focusItem(int item);
    // The field of `column`, or the answer of `item` when it is not 0.
    void focusColumn(const QString& column, int item = 0);
    void entryChanged();
    void showEntryCaption();
    QString codeInUseProblem(const QString& code) const;
    // The two entries differ: marked in the grid, listed, and offered for the paper's word.
    void showDifferences(const QList<ezr::EntryDifference>& differences);
    void doubleEntryToggled(bool on);
    // Writes CODE.cry (asking before replacing a file) and starts the next sheet.
    bool writeSheet(const ezr::AnswerSheet& current);

    UserDialogs* dialogs_;
    QString dataDir_;
    ezr::AnswerSheet base_; // what the fields do not show: timing lines, times, line 10
    QString openedPath_;    // the file being corrected; empty for a new sheet
    std::optional<ezr::AnswerSheet> firstEntry_;
    bool dirty_ = false;
    QLineEdit* testDate_ = nullptr;
    QLineEdit* birthDate_ = nullptr;
    QLineEdit* code_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* sex_ = nullptr;
    QComboBox* education_ = nullptr;
    std::array<ItemAnswerBox*, ezr::ItemCount> items_{};
    QCheckBox* doubleEntry_ = nullptr;
    QLabel* entryCaption_ = nullptr;
    QLabel* problems_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* save_ = nullptr;
};
