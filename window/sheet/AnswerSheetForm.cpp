#include "AnswerSheetForm.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "DoubleEntry.h"
#include "EntryReconcileDialog.h"
#include "FolderEntries.h"
#include "ItemAnswerBox.h"
#include "LatinKeys.h"
#include "Regional.h"
#include "ResponseWriter.h"
#include "SheetFiles.h"
#include "UserDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace ezr;

namespace {

const std::array<QString, StimulusCount> BlockCaptions = {
    QStringLiteral("Деньги"), QStringLiteral("Коллектив"), QStringLiteral("Труд")};

// "1–12, 15, 17–108"
QString itemRanges(const QList<int>& items) {
    QStringList parts;
    for (qsizetype i = 0; i < items.size();) {
        qsizetype j = i;
        while (j + 1 < items.size() && items[j + 1] == items[j] + 1)
            ++j;
        parts << (j == i ? QString::number(items[i])
                         : QStringLiteral("%1–%2").arg(items[i]).arg(items[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QLineEdit* headerEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QComboBox* choiceBox(const char* name, const QString& first, const QString& second,
                     QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems({QString(), first, second});
    return box;
}

} // namespace

AnswerSheetForm::AnswerSheetForm(UserDialogs* dialogs, const QString& dataDir, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), dataDir_(dataDir) {
    setObjectName(QStringLiteral("AnswerSheetForm"));
    setWindowTitle(QStringLiteral("Бланк ответов"));
    auto* layout = new QVBoxLayout(this);
    auto* header = new QGridLayout;
    createHeader(header);
    layout->addLayout(header);
    layout->addLayout(createCaptionRow());

    auto* blocks = new QHBoxLayout;
    createItems(blocks);
    layout->addLayout(blocks);

    createMessages(layout);
    const QList<QWidget*> buttons = createButtonRow(layout);
    createShortcuts();
    answerLatinLabelMnemonics(this);
    setKeyboardOrder(buttons);

    showSheet(base_);
    dirty_ = false;
    showEntryCaption();
}

QHBoxLayout* AnswerSheetForm::createCaptionRow() {
    entryCaption_ = new QLabel(this);
    entryCaption_->setTextFormat(Qt::PlainText);
    entryCaption_->setObjectName(QStringLiteral("laEntry"));
    QFont bold = entryCaption_->font();
    bold.setBold(true);
    entryCaption_->setFont(bold);
    auto* keys = new QLabel(
        QStringLiteral("Ответ — одна клавиша: 1 или Р — РО, 2 или П — ПО; курсор идёт дальше сам. "
                       "Стрелки — к другому пункту, Backspace — стереть, Ctrl+S — сохранить."),
        this);
    keys->setObjectName(QStringLiteral("laKeys"));
    keys->setWordWrap(true);
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(entryCaption_);
    captionRow->addWidget(keys, 1);
    return captionRow;
}

void AnswerSheetForm::createMessages(QVBoxLayout* layout) {
    problems_ = new QLabel(this);
    problems_->setTextFormat(Qt::PlainText);
    problems_->setObjectName(QStringLiteral("laProblems"));
    problems_->setWordWrap(true);
    problems_->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0);"));
    problems_->setMinimumHeight(problems_->fontMetrics().lineSpacing() * 4);
    problems_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(problems_);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setObjectName(QStringLiteral("laStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
}

QList<QWidget*> AnswerSheetForm::createButtonRow(QVBoxLayout* layout) {
    auto* buttons = new QHBoxLayout;
    doubleEntry_ = new QCheckBox(QStringLiteral("Двойной &ввод (бланк вводится дважды)"), this);
    doubleEntry_->setObjectName(QStringLiteral("cbDoubleEntry"));
    buttons->addWidget(doubleEntry_);
    buttons->addStretch(1);
    auto* fresh = new QPushButton(QStringLiteral("Новый &бланк"), this);
    fresh->setObjectName(QStringLiteral("btNew"));
    save_ = new QPushButton(QStringLiteral("&Сохранить (Ctrl+S)"), this);
    save_->setObjectName(QStringLiteral("btSave"));
    auto* close = new QPushButton(QStringLiteral("&Закрыть"), this);
    close->setObjectName(QStringLiteral("btClose"));
    for (QPushButton* button : {fresh, save_, close}) {
        button->setAutoDefault(false); // Enter moves between fields, it never saves
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    connect(save_, &QPushButton::clicked, this, &AnswerSheetForm::save);
    connect(fresh, &QPushButton::clicked, this, [this] {
        if (!dirty_ || dialogs_->askQuestion(this, QStringLiteral("Бланк не сохранён. Начать "
                                                                  "новый без сохранения?")))
            startNewSheet();
    });
    connect(close, &QPushButton::clicked, this, &AnswerSheetForm::reject);
    connect(doubleEntry_, &QCheckBox::toggled, this, &AnswerSheetForm::doubleEntryToggled);
    return {save_, doubleEntry_, fresh, close};
}

void AnswerSheetForm::createShortcuts() {
    auto* saveKey = new QShortcut(QKeySequence::Save, this);
    connect(saveKey, &QShortcut::activated, this, &AnswerSheetForm::save);
    // "Открыть бланк…" keeps its key while the sheet is in front.
    auto* openKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(openKey, &QShortcut::activated, this, &AnswerSheetForm::openRequested);
}

void AnswerSheetForm::setKeyboardOrder(const QList<QWidget*>& buttons) {
    // The order the keyboard goes: the header, the items in number order, "Сохранить".
    QList<QWidget*> chain = {testDate_, birthDate_, code_, name_, sex_, education_};
    for (ItemAnswerBox* box : items_)
        chain << box;
    chain << buttons;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

void AnswerSheetForm::createHeader(QGridLayout* layout) {
    testDate_ = headerEdit("ceTestDate", this);
    birthDate_ = headerEdit("ceBirthDate", this);
    code_ = headerEdit("ceCode", this);
    name_ = headerEdit("ceName", this);
    sex_ = choiceBox("cbSex", MaleSex, FemaleSex, this);
    education_ = choiceBox("cbEducation", HigherEducation, SecondaryEducation, this);
    // The order of day, month and year, plainly an empty field's hint, not a date typed in.
    for (QLineEdit* date : {testDate_, birthDate_}) {
        date->setPlaceholderText(QStringLiteral("дд.мм.гггг"));
        QPalette palette = date->palette();
        palette.setColor(QPalette::PlaceholderText, Qt::gray);
        date->setPalette(palette);
    }
    sex_->setToolTip(QStringLiteral("М или 1 — «Мужской», Ж или 2 — «Женский»"));
    education_->setToolTip(QStringLiteral("В или 1 — «Высшее», С или 2 — «Среднее»"));
    const auto add = [&](int row, int column, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        label->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0);"));
        layout->addWidget(label, row, column * 2);
        layout->addWidget(field, row, column * 2 + 1);
    };
    add(0, 0, QStringLiteral("&Дата обследования"), testDate_);
    add(0, 1, QStringLiteral("Дата &рождения"), birthDate_);
    add(0, 2, QStringLiteral("&Код"), code_);
    add(1, 0, QStringLiteral("&Ф.И.О."), name_);
    add(1, 1, QStringLiteral("&Пол"), sex_);
    add(1, 2, QStringLiteral("&Образование"), education_);
    layout->setColumnStretch(1, 2);
    layout->setColumnStretch(3, 1);
    layout->setColumnStretch(5, 1);

    for (QLineEdit* edit : {testDate_, birthDate_, code_, name_}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, &AnswerSheetForm::entryChanged);
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
    }
    for (QComboBox* box : {sex_, education_}) {
        box->installEventFilter(this);
        connect(box, &QComboBox::activated, this, &AnswerSheetForm::entryChanged);
    }
}

void AnswerSheetForm::createItems(QHBoxLayout* layout) {
    for (int stimulus = 0; stimulus < StimulusCount; ++stimulus) {
        auto* block = new QGroupBox(BlockCaptions[static_cast<std::size_t>(stimulus)], this);
        block->setObjectName(QStringLiteral("gbBlock%1").arg(stimulus + 1));
        auto* grid = new QGridLayout(block);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(2);
        for (int position = 0; position < ItemsPerStimulus; ++position) {
            const int item = stimulus * ItemsPerStimulus + position + 1;
            const int row = position % ItemAnswerBox::ItemsPerColumn;
            const int column = position / ItemAnswerBox::ItemsPerColumn;
            auto* number = new QLabel(QString::number(item), block);
            number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto* box = new ItemAnswerBox(item, block);
            items_[static_cast<std::size_t>(item - 1)] = box;
            grid->addWidget(number, row, column * 2);
            grid->addWidget(box, row, column * 2 + 1);
            connect(box, &ItemAnswerBox::answered, this, [this](int answered) {
                entryChanged();
                focusItem(answered + 1);
            });
            connect(box, &ItemAnswerBox::cleared, this, &AnswerSheetForm::entryChanged);
            connect(box, &ItemAnswerBox::moveRequested, this,
                    [this](int from, int step) { focusItem(std::clamp(from + step, 1, 108)); });
        }
        layout->addWidget(block);
    }
}

bool AnswerSheetForm::eventFilter(QObject* watched, QEvent* event) {
    // Under X11 a text field takes Ctrl+E for "end of line"; here it opens a sheet, as in the
    // main window's menu.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_E && key->modifiers() == Qt::ControlModifier) {
            event->ignore();
            return true;
        }
    }
    // The sex and education are chosen by one key as well, and the cursor moves on.
    if (event->type() == QEvent::KeyPress && (watched == sex_ || watched == education_)) {
        auto* box = static_cast<QComboBox*>(watched);
        const QString key = static_cast<QKeyEvent*>(event)->text().toUpper();
        // The letters and the Latin keys they lie on: М V, Ж ;, В D, С C.
        const QString first = watched == sex_ ? QStringLiteral("1МV") : QStringLiteral("1ВD");
        const QString second = watched == sex_ ? QStringLiteral("2Ж;") : QStringLiteral("2СC");
        if (key.size() == 1 && (first.contains(key) || second.contains(key))) {
            box->setCurrentIndex(first.contains(key) ? 1 : 2);
            entryChanged();
            focusNextChild();
            return true;
        }
        const int code = static_cast<QKeyEvent*>(event)->key();
        if (code == Qt::Key_Return || code == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AnswerSheetForm::loadSheet(const AnswerSheet& sheet, const QString& path) {
    openedPath_ = path;
    firstEntry_.reset();
    showSheet(sheet);
    dirty_ = false;
    status_->setText(QStringLiteral("Открыт файл %1").arg(QDir::toNativeSeparators(path)));
    showEntryCaption();
}

AnswerSheet AnswerSheetForm::sheet() const {
    AnswerSheet sheet = base_;
    sheet.testDate = testDate_->text();
    sheet.birthDate = birthDate_->text();
    sheet.code = code_->text();
    sheet.name = name_->text();
    sheet.sex = sex_->currentText();
    sheet.education = education_->currentText();
    for (std::size_t i = 0; i < ItemCount; ++i)
        sheet.marks[i] = items_[i]->marks();
    return sheet;
}

void AnswerSheetForm::showSheet(const AnswerSheet& sheet) {
    base_ = sheet;
    testDate_->setText(sheet.testDate);
    birthDate_->setText(sheet.birthDate);
    code_->setText(sheet.code);
    name_->setText(sheet.name);
    // A text the list does not have stays shown, so that it can be seen and corrected.
    for (QComboBox* box : {sex_, education_}) {
        const QString& text = box == sex_ ? sheet.sex : sheet.education;
        if (box->count() > 3)
            box->removeItem(3);
        if (box->findText(text) < 0)
            box->addItem(text);
        box->setCurrentIndex(box->findText(text));
    }
    for (std::size_t i = 0; i < ItemCount; ++i) {
        items_[i]->setMarks(sheet.marks[i]);
        items_[i]->setMismatch(false);
    }
    refreshProblems();
    testDate_->setFocus();
}

void AnswerSheetForm::startNewSheet() {
    AnswerSheet next;
    next.testDate = testDate_->text(); // one sitting: the next sheet has the same date
    openedPath_.clear();
    firstEntry_.reset();
    showSheet(next);
    dirty_ = false;
    showEntryCaption();
    (next.testDate.isEmpty() ? static_cast<QWidget*>(testDate_) : birthDate_)->setFocus();
}

void AnswerSheetForm::entryChanged() {
    dirty_ = true;
    refreshProblems();
}

QString AnswerSheetForm::codeInUseProblem(const QString& code) const {
    if (code.trimmed().isEmpty())
        return QString();
    const QString path = sheetFilePath(dataDir_, code);
    if (!QFileInfo::exists(path) || QFileInfo(path) == QFileInfo(openedPath_))
        return QString();
    return QStringLiteral("файл «%1» уже есть в папке данных").arg(responseFileNameFor(code));
}

QString AnswerSheetForm::problemsText() const {
    return problems_->text();
}

void AnswerSheetForm::refreshProblems() {
    const AnswerSheet current = sheet();
    QStringList lines;
    QList<int> unanswered;
    for (const SheetProblem& problem : checkSheet(current)) {
        if (problem.item != 0 &&
            itemAnswer(current.marks[static_cast<std::size_t>(problem.item - 1)]) ==
                ItemAnswer::None) {
            unanswered << problem.item;
            continue;
        }
        lines << QStringLiteral("%1: %2").arg(problem.column, problem.reason);
    }
    const QString inUse = codeInUseProblem(current.code);
    if (!inUse.isEmpty())
        lines << QStringLiteral("%1: %2").arg(CodeColumn, inUse);
    if (!unanswered.isEmpty())
        lines << QStringLiteral("Нет ответа: %1").arg(itemRanges(unanswered));
    problems_->setText(lines.join(QLatin1Char('\n')));
    // A field with a problem is marked where the user looks.
    const auto mark = [&](QWidget* field, const QString& column) {
        bool bad = false;
        for (const QString& line : lines)
            bad = bad || line.startsWith(column + QLatin1Char(':'));
        field->setStyleSheet(bad ? QStringLiteral("background: rgb(255, 228, 228);") : QString());
    };
    mark(testDate_, TestDateColumn);
    mark(birthDate_, BirthDateColumn);
    mark(code_, CodeColumn);
    mark(name_, NameColumn);
}

void AnswerSheetForm::focusItem(int item) {
    if (item > ItemCount) {
        save_->setFocus();
        return;
    }
    items_[static_cast<std::size_t>(item - 1)]->setFocus();
}

void AnswerSheetForm::focusColumn(const QString& column, int item) {
    if (item != 0)
        return focusItem(item);
    const std::pair<const QString&, QWidget*> fields[] = {
        {TestDateColumn, testDate_}, {BirthDateColumn, birthDate_},
        {CodeColumn, code_},         {NameColumn, name_},
        {SexColumn, sex_},           {EducationColumn, education_}};
    for (const auto& [name, field] : fields)
        if (name == column)
            field->setFocus();
}

void AnswerSheetForm::showEntryCaption() {
    if (!doubleEntry_->isChecked())
        entryCaption_->setText(openedPath_.isEmpty() ? QStringLiteral("Новый бланк")
                                                     : QStringLiteral("Исправление бланка"));
    else
        entryCaption_->setText(firstEntry_ ? QStringLiteral("Двойной ввод: второй ввод "
                                                            "(сверка с первым)")
                                           : QStringLiteral("Двойной ввод: первый ввод"));
}

bool AnswerSheetForm::save() {
    // A comparison left open is over: this save compares the entries as they are now.
    for (EntryReconcileDialog* open : findChildren<EntryReconcileDialog*>())
        open->close();
    refreshProblems();
    const AnswerSheet current = sheet();
    const QList<SheetProblem> problems = checkSheet(current);
    if (!problems.isEmpty()) {
        status_->setText(QStringLiteral("Не сохранено: исправьте отмеченное выше."));
        focusColumn(problems.front().column, problems.front().item);
        return false;
    }
    if (doubleEntry_->isChecked()) {
        if (!firstEntry_) {
            firstEntry_ = current;
            AnswerSheet second = base_;
            second.testDate.clear();
            second.birthDate.clear();
            second.code.clear();
            second.name.clear();
            second.sex.clear();
            second.education.clear();
            second.marks = {};
            showSheet(second);
            showEntryCaption();
            status_->setText(QStringLiteral("Первый ввод принят. Введите тот же бланк ещё раз."));
            return false;
        }
        const QList<EntryDifference> differences = compareEntries(*firstEntry_, current);
        if (!differences.isEmpty()) {
            showDifferences(differences);
            return false;
        }
    }
    return writeSheet(current);
}

bool AnswerSheetForm::writeSheet(const AnswerSheet& current) {
    const QString path = sheetFilePath(dataDir_, current.code);
    if (QFileInfo::exists(path) &&
        !dialogs_->askQuestion(this, QStringLiteral("Файл «%1» уже есть. Заменить его?")
                                         .arg(QDir::toNativeSeparators(path)))) {
        status_->setText(QStringLiteral("Не сохранено: файл не заменён."));
        return false;
    }
    try {
        makePrivateFolder(dataDir_);
        writeAnswerSheet(path, current);
    } catch (const AnalysisError& error) {
        dialogs_->showError(this, errorBoxText(error));
        return false;
    }
    emit saved(path);
    if (openedPath_.isEmpty()) {
        startNewSheet();
    } else {
        openedPath_ = path;
        firstEntry_.reset();
        showSheet(current);
        dirty_ = false;
        showEntryCaption();
    }
    status_->setText(QStringLiteral("Сохранено: %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void AnswerSheetForm::reject() {
    if (dirty_ && !dialogs_->askQuestion(this, QStringLiteral("Бланк не сохранён. Закрыть "
                                                              "без сохранения?")))
        return;
    QDialog::reject();
}
