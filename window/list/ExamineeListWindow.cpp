#include "ExamineeListWindow.h"

#include "Contrast.h"
#include "Domain.h"
#include "ExamineeListModel.h"
#include "ExamineeListing.h"
#include "LatinKeys.h"
#include "ScreenFit.h"
#include "WindowFonts.h"
#include "WindowRole.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace ezr;

namespace {

// The norm chooser's stored choices, before the saved norms.
constexpr int StoredNormChoices = 5;

// The first day a date field offers stands for "no bound".
const QDate NoDateBound(1900, 1, 1);

QLabel* maroonLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    // Dark red on the usual light window; lighter where the desktop's theme is dark.
    palette.setColor(QPalette::WindowText, readableColour(Maroon, palette.color(QPalette::Window)));
    label->setPalette(palette);
    return label;
}

// Each field is named by its label, for the keyboard (the underlined letter) and for a
// screen reader (the label is the field's buddy).
QLabel* labelFor(const QString& caption, QWidget* field, QWidget* parent) {
    QLabel* label = maroonLabel(caption, parent);
    label->setBuddy(field);
    // A chooser would be read by its value ("все"), not by what it chooses.
    field->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return label;
}

// Tab leaves the field as it leaves every other one: the day, month and year are reached
// with the arrow keys, not with Tab, which would keep the keyboard in the field.
class BoundDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    // QDateEdit's own would step between the date's sections; the widget's moves on.
    bool focusNextPrevChild(bool next) override {
        return QWidget::focusNextPrevChild(next); // NOLINT(bugprone-parent-virtual-call)
    }
};

QDateEdit* dateBound(const char* name, QWidget* parent) {
    auto* edit = new BoundDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setMinimumDate(NoDateBound);
    edit->setSpecialValueText(QStringLiteral("—"));
    edit->setDate(NoDateBound);
    edit->setMinimumWidth(110);
    return edit;
}

QSpinBox* ageBound(const char* name, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(0, 120); // 0: no bound
    spin->setSpecialValueText(QStringLiteral("—"));
    spin->setMinimumWidth(64);
    return spin;
}

QComboBox* choice(const char* name, const QStringList& texts, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItem(QStringLiteral("все"), QString());
    for (const QString& text : texts)
        box->addItem(text, text);
    return box;
}

} // namespace

ExamineeListWindow::ExamineeListWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ExamineeList"));
    setWindowTitle(QStringLiteral("Обследуемые"));
    announceAsWindow(this);
    setFont(sansSerifFont(13));
    resizeWithinScreen(this, QSize(1140, 680));

    table_ = new ExamineeListModel(this);
    rows_ = new ExamineeFilterModel(this);
    rows_->setSourceModel(table_);
    listing_ = new ExamineeListing(this);
    connect(listing_, &ExamineeListing::entriesRead, this, [this](const QList<ExamineeEntry>& e) {
        table_->append(e);
        selectMarked();
        showCounts();
    });
    connect(listing_, &ExamineeListing::finished, this, [this](const QString& problem) {
        problem_ = problem;
        sortAfterListing();
        showCounts();
        updateRetest();
    });
    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(200);
    connect(typing_, &QTimer::timeout, this, &ExamineeListWindow::applyFilter);
    createControls();
    // A new filter or order over a large folder is shown when it has been computed.
    connect(rows_, &ExamineeFilterModel::arranged, this, [this] {
        selectMarked();
        showCounts();
        updateRetest();
    });
    // Esc closes the list, as it closes the main window; the listing goes on meanwhile.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    answerLatinLabelMnemonics(this);
}

ExamineeListWindow::~ExamineeListWindow() {
    listing_->stop();
}

void ExamineeListWindow::createControls() {
    createFilterFields();
    QHBoxLayout* firstLine = createPersonLine();
    QHBoxLayout* secondLine = createAgeAndDateLine();
    addSortChooser(firstLine);
    createTable();
    createRetestAction();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(firstLine);
    layout->addLayout(secondLine);
    layout->addWidget(view_, 1);
    layout->addLayout(createBottomLine());

    connectFilters();
    text_->installEventFilter(this);
    createSortChoice();
    showCounts();
    updateRetest();
}

void ExamineeListWindow::createFilterFields() {
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("ceFilterText"));
    text_->setPlaceholderText(QStringLiteral("часть кода или Ф.И.О."));
    text_->setClearButtonEnabled(true);
    sex_ = choice("cbSex", {MaleSex, FemaleSex}, this);
    education_ = choice("cbEducation", {HigherEducation, SecondaryEducation}, this);
    minAge_ = ageBound("seAgeFrom", this);
    maxAge_ = ageBound("seAgeTo", this);
    fromDate_ = dateBound("deDateFrom", this);
    toDate_ = dateBound("deDateTo", this);
}

QHBoxLayout* ExamineeListWindow::createPersonLine() {
    auto* line = new QHBoxLayout;
    line->addWidget(labelFor(QStringLiteral("По&иск"), text_, this));
    line->addWidget(text_, 1);
    line->addSpacing(12);
    line->addWidget(labelFor(QStringLiteral("&Пол"), sex_, this));
    line->addWidget(sex_);
    line->addSpacing(12);
    line->addWidget(labelFor(QStringLiteral("О&бразование"), education_, this));
    line->addWidget(education_);
    return line;
}

QHBoxLayout* ExamineeListWindow::createAgeAndDateLine() {
    auto* line = new QHBoxLayout;
    line->addWidget(labelFor(QStringLiteral("&Возраст от"), minAge_, this));
    line->addWidget(minAge_);
    line->addWidget(labelFor(QStringLiteral("до"), maxAge_, this));
    line->addWidget(maxAge_);
    line->addSpacing(24);
    line->addWidget(labelFor(QStringLiteral("&Дата теста с"), fromDate_, this));
    line->addWidget(fromDate_);
    line->addWidget(labelFor(QStringLiteral("по"), toDate_, this));
    line->addWidget(toDate_);
    line->addSpacing(24);
    doubtful_ = new QCheckBox(QStringLiteral("Только ответы, требующие проверки"), this);
    doubtful_->setObjectName(QStringLiteral("cbDoubtful"));
    line->addWidget(doubtful_);
    line->addStretch(1);
    return line;
}

void ExamineeListWindow::addSortChooser(QHBoxLayout* line) {
    sort_ = new QComboBox(this);
    sort_->setObjectName(QStringLiteral("cbSort"));
    // As narrow as a small screen needs; the open list shows the whole texts.
    sort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    sort_->setMinimumContentsLength(16);
    line->addSpacing(12);
    line->addWidget(labelFor(QStringLiteral("&Сортировать"), sort_, this));
    line->addWidget(sort_);
}

QHBoxLayout* ExamineeListWindow::createBottomLine() {
    counts_ = maroonLabel(QString(), this);
    counts_->setWordWrap(true); // on a narrow screen the counts take two lines
    counts_->setObjectName(QStringLiteral("stCounts"));
    norm_ = new QComboBox(this);
    norm_->setObjectName(QStringLiteral("cbGroupNorm"));
    norm_->addItem(QStringLiteral("Пол мужской"));
    norm_->addItem(QStringLiteral("Пол женский"));
    norm_->addItem(QStringLiteral("Образование высшее"));
    norm_->addItem(QStringLiteral("Образование среднее"));
    norm_->addItem(QStringLiteral("Удовлетворенность"));
    analyse_ = new QPushButton(QStringLiteral("&Анализ выбранных"), this);
    analyse_->setObjectName(QStringLiteral("btAnalyseChosen"));
    analyse_->setToolTip(QStringLiteral("Группа из выбранных строк, а если ничего не выбрано, "
                                        "из всех показанных"));
    connect(analyse_, &QPushButton::clicked, this, &ExamineeListWindow::analyseChosen);
    retest_ = new QPushButton(QStringLiteral("Сравнить с прежним &обследованием"), this);
    retest_->setObjectName(QStringLiteral("btCompareEarlier"));
    retest_->setToolTip(QStringLiteral("Обследование в текущей строке против прежнего "
                                       "обследования с тем же кодом (Ctrl+R)"));
    connect(retest_, &QPushButton::clicked, this, &ExamineeListWindow::compareWithEarlier);
    auto* normLabel = maroonLabel(QStringLiteral("&Нормирование"), this);
    normLabel->setBuddy(norm_);
    norm_->setAccessibleName(QStringLiteral("Нормирование"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(counts_, 1);
    bottom->addWidget(retest_);
    bottom->addSpacing(12);
    bottom->addWidget(normLabel);
    bottom->addWidget(norm_);
    bottom->addWidget(analyse_);
    return bottom;
}

void ExamineeListWindow::connectFilters() {
    connect(text_, &QLineEdit::textEdited, typing_, qOverload<>(&QTimer::start));
    connect(text_, &QLineEdit::returnPressed, this, &ExamineeListWindow::applyFilter);
    for (QComboBox* box : {sex_, education_})
        connect(box, &QComboBox::currentIndexChanged, this, &ExamineeListWindow::applyFilter);
    connect(doubtful_, &QCheckBox::toggled, this, &ExamineeListWindow::applyFilter);
    for (QSpinBox* spin : {minAge_, maxAge_})
        connect(spin, &QSpinBox::valueChanged, this, &ExamineeListWindow::applyFilter);
    for (QDateEdit* edit : {fromDate_, toDate_})
        connect(edit, &QDateEdit::dateChanged, this, &ExamineeListWindow::applyFilter);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ExamineeListWindow::updateRetest);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ExamineeListWindow::showCounts);
    keepSelectionThroughOrder();
}

void ExamineeListWindow::listFolder(const QString& folder) {
    folder_ = folder;
    problem_.clear();
    setWindowTitle(QStringLiteral("Обследуемые — %1").arg(QDir::toNativeSeparators(folder)));
    // While the entries arrive they are added in listing order, at the end: a sorted list
    // would take each batch in at scattered places, which costs the view as much as the
    // whole list each time. The order the user chose is applied once the folder is read.
    if (view_->isSortingEnabled()) {
        sortColumn_ = view_->horizontalHeader()->sortIndicatorSection();
        sortOrder_ = view_->horizontalHeader()->sortIndicatorOrder();
    }
    view_->setSortingEnabled(false);
    table_->clear();
    rows_->sort(-1);
    updateRetest();
    listing_->start(folder);
    showCounts();
}

bool ExamineeListWindow::listing() const {
    return listing_->running();
}

void ExamineeListWindow::sortAfterListing() {
    view_->setSortingEnabled(true);
    view_->sortByColumn(sortColumn_, sortOrder_);
    selectMarked();
}

void ExamineeListWindow::markFile(const QString& fileName) {
    table_->setMarkedFile(fileName);
    selectMarked();
}

void ExamineeListWindow::selectMarked() {
    if (table_->markedFile().isEmpty() || view_->selectionModel()->hasSelection())
        return;
    const int row = table_->rowOf(table_->markedFile());
    if (row < 0)
        return;
    const QModelIndex shown = rows_->mapFromSource(table_->index(row, 0));
    if (!shown.isValid())
        return;
    view_->selectRow(shown.row());
    view_->scrollTo(shown, QAbstractItemView::PositionAtCenter);
}

void ExamineeListWindow::applyFilter() {
    typing_->stop();
    MemberFilter filter;
    filter.text = text_->text().trimmed();
    if (!sex_->currentData().toString().isEmpty())
        filter.sex = sex_->currentData().toString();
    if (!education_->currentData().toString().isEmpty())
        filter.education = education_->currentData().toString();
    if (minAge_->value() > 0)
        filter.minAge = minAge_->value();
    if (maxAge_->value() > 0)
        filter.maxAge = maxAge_->value();
    if (fromDate_->date() != NoDateBound)
        filter.fromDate = fromDate_->date();
    if (toDate_->date() != NoDateBound)
        filter.toDate = toDate_->date();
    rows_->setMemberFilter(filter, doubtful_->isChecked());
    selectMarked();
    showCounts();
}

void ExamineeListWindow::showCounts() {
    QString text = QStringLiteral("Показано: %1 из %2    Выбрано: %3")
                       .arg(rows_->rowCount())
                       .arg(table_->rowCount())
                       .arg(selectedShownRows().size());
    if (table_->unreadableCount() > 0)
        text += QStringLiteral(", не читаются: %1").arg(table_->unreadableCount());
    if (listing())
        text += QStringLiteral(" — чтение папки…");
    if (!problem_.isEmpty())
        text += QStringLiteral(" — ") + problem_;
    counts_->setText(text);
}

QSet<QString> ExamineeListWindow::chosenFileNames() const {
    QSet<QString> names;
    const auto take = [&](const QModelIndex& shown) {
        const ExamineeEntry& e = table_->entry(rows_->mapToSource(shown).row());
        if (e.readable())
            names.insert(e.fileName);
    };
    const std::vector<int> selected = selectedShownRows();
    if (!selected.empty()) {
        for (const int row : selected)
            take(rows_->index(row, 0));
        return names;
    }
    for (int row = 0; row < rows_->rowCount(); ++row)
        take(rows_->index(row, 0));
    return names;
}

void ExamineeListWindow::openRow(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const ExamineeEntry& e = table_->entry(rows_->mapToSource(index).row());
    emit openRequested(folder_ + QLatin1Char('/') + e.fileName);
}

void ExamineeListWindow::setOwnNorms(const QList<Norm>& norms) {
    while (norm_->count() > StoredNormChoices)
        norm_->removeItem(norm_->count() - 1);
    ownNorms_ = norms;
    for (const Norm& norm : norms)
        norm_->addItem(normGroupName(norm));
}

int ExamineeListWindow::earlierOfCurrent() const {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid() || listing())
        return -1;
    return table_->earlierTestOf(rows_->mapToSource(current).row());
}

void ExamineeListWindow::updateRetest() {
    const bool possible = earlierOfCurrent() >= 0;
    retest_->setEnabled(possible);
    retestAction_->setEnabled(possible);
}

void ExamineeListWindow::compareWithEarlier() {
    const int earlier = earlierOfCurrent();
    if (earlier < 0)
        return;
    const ExamineeEntry& later = table_->entry(rows_->mapToSource(view_->currentIndex()).row());
    emit retestRequested(folder_ + QLatin1Char('/') + later.fileName,
                         folder_ + QLatin1Char('/') + table_->entry(earlier).fileName);
}

void ExamineeListWindow::analyseChosen() {
    static const GroupNormChoice choices[] = {
        {NormKind::Sex, MaleSex},
        {NormKind::Sex, FemaleSex},
        {NormKind::Education, HigherEducation},
        {NormKind::Education, SecondaryEducation},
        {NormKind::Satisfaction, QString()},
    };
    GroupChoice members;
    members.fileNames = chosenFileNames();
    if (selectedShownRows().empty())
        members.filter = rows_->memberFilter();
    const int chosen = norm_->currentIndex();
    if (chosen < StoredNormChoices) {
        emit groupRequested(folder_, members, choices[chosen]);
        return;
    }
    GroupNormChoice own{NormKind::Satisfaction, QString(),
                        ownNorms_.value(chosen - StoredNormChoices)};
    emit groupRequested(folder_, members, own);
}

bool ExamineeListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    const int key = press->key();
    if (watched == text_ && key == Qt::Key_Down && rows_->rowCount() > 0) {
        // From the search straight into the found rows.
        view_->setFocus(Qt::TabFocusReason);
        if (!view_->currentIndex().isValid())
            goToRow(0);
        return true;
    }
    if (watched != view_)
        return QWidget::eventFilter(watched, event);
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        openRow(view_->currentIndex());
        return true;
    }
    // Home and End (with Ctrl or without) go to the first and last row, the file column
    // kept in view: the rows are chosen whole, a last column of reasons tells nothing alone.
    if ((key == Qt::Key_Home || key == Qt::Key_End) && !(press->modifiers() & Qt::ShiftModifier) &&
        rows_->rowCount() > 0) {
        goToRow(key == Qt::Key_Home ? 0 : rows_->rowCount() - 1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ExamineeListWindow::goToRow(int row) {
    const QModelIndex target = rows_->index(row, ExamineeListModel::FileColumn);
    view_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    view_->scrollTo(target);
}

void ExamineeListWindow::createSortChoice() {
    // The order of the rows from the keyboard: every column, rising or falling.
    for (int column = 0; column < table_->columnCount(QModelIndex()); ++column) {
        const QString heading =
            table_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        sort_->addItem(QStringLiteral("%1, по возрастанию").arg(heading));
        sort_->addItem(QStringLiteral("%1, по убыванию").arg(heading));
    }
    connect(sort_, &QComboBox::activated, this, [this](int index) {
        const int column = index / 2;
        const Qt::SortOrder order = index % 2 == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
        if (!view_->isSortingEnabled()) { // applied once the folder is read
            sortColumn_ = column;
            sortOrder_ = order;
            return;
        }
        view_->sortByColumn(column, order);
    });
    // A click on a heading shows in the chooser too.
    connect(view_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                if (column >= 0)
                    sort_->setCurrentIndex(column * 2 + (order == Qt::AscendingOrder ? 0 : 1));
            });
    sort_->setCurrentIndex(view_->horizontalHeader()->sortIndicatorSection() * 2);
}
