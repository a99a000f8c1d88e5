#include "ArchiveListWindow.h"

#include "AnalysisError.h"
#include "ArchiveCounter.h"
#include "ArchiveGroups.h"
#include "ArchiveListModel.h"
#include "ArchiveSchema.h"
#include "DisabledWhile.h"
#include "Domain.h"
#include "GroupProgressDialog.h"
#include "GroupRun.h"
#include "NormFile.h"
#include "PgConnection.h"
#include "UserDialogs.h"
#include "WaitCursor.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace ezr;

namespace {

// The norms "Анализ выбранных" offers first: the stored rows, by the group menu's criteria.
struct StoredChoice {
    QString title;
    NormKind kind;
    QString criterion;
};

QList<StoredChoice> storedChoices() {
    return {
        {QStringLiteral("Пол: ") + MaleSex, NormKind::Sex, MaleSex},
        {QStringLiteral("Пол: ") + FemaleSex, NormKind::Sex, FemaleSex},
        {QStringLiteral("Образование: ") + HigherEducation, NormKind::Education, HigherEducation},
        {QStringLiteral("Образование: ") + SecondaryEducation, NormKind::Education,
         SecondaryEducation},
        {QStringLiteral("Удовлетворенность"), NormKind::Satisfaction, QString()}};
}

// As the main window's group commands wait before showing their progress.
constexpr int ProgressDelayMs = 500;

} // namespace

ArchiveListWindow::ArchiveListWindow(const QString& conninfo, UserDialogs* dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), conninfo_(conninfo),
      archive_(std::make_shared<PgConnection>(conninfo)) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<StandardDialogs>();
        dialogs_ = ownDialogs_.get();
    }
    checkArchiveVersion(*archive_);
    setWindowTitle(QStringLiteral("Обследуемые — архив"));
    table_ = new ArchiveListModel(archive_, this);
    counter_ = new ArchiveCounter(conninfo, this);
    createControls();
    connect(table_, &ArchiveListModel::failed, this, &ArchiveListWindow::showProblem,
            Qt::QueuedConnection);
    connect(counter_, &ArchiveCounter::counted, this, [this](qint64 count) {
        count_->setText(QStringLiteral("Обследований: %1").arg(QLocale::system().toString(count)));
    });
    connect(counter_, &ArchiveCounter::failed, count_, &QLabel::setText);
    loadNorms();
    applyFilter();
    resize(900, 600);
}

ArchiveListWindow::~ArchiveListWindow() = default;

void ArchiveListWindow::createControls() {
    QHBoxLayout* filters = createFilterLine();
    createTable();
    QHBoxLayout* actions = createActionLine();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(view_, 1);
    layout->addLayout(actions);

    connectFilters();
}

QHBoxLayout* ArchiveListWindow::createFilterLine() {
    text_ = new QLineEdit(this);
    text_->setPlaceholderText(QStringLiteral("Код или Ф.И.О."));
    text_->setClearButtonEnabled(true);
    unit_ = new QLineEdit(this);
    unit_->setPlaceholderText(QStringLiteral("Подразделение"));
    sex_ = new QComboBox(this);
    sex_->addItems({QStringLiteral("Пол: все"), MaleSex, FemaleSex});
    education_ = new QComboBox(this);
    education_->addItems({QStringLiteral("Образование: все"), HigherEducation, SecondaryEducation});
    minAge_ = new QSpinBox(this);
    maxAge_ = new QSpinBox(this);
    for (QSpinBox* age : {minAge_, maxAge_}) {
        age->setRange(0, 120);
        age->setSpecialValueText(QStringLiteral("—"));
    }
    minAge_->setPrefix(QStringLiteral("возраст от "));
    maxAge_->setPrefix(QStringLiteral("до "));
    auto* filters = new QHBoxLayout;
    for (QWidget* field : {static_cast<QWidget*>(text_), static_cast<QWidget*>(unit_),
                           static_cast<QWidget*>(sex_), static_cast<QWidget*>(education_),
                           static_cast<QWidget*>(minAge_), static_cast<QWidget*>(maxAge_)})
        filters->addWidget(field);
    return filters;
}

void ArchiveListWindow::createTable() {
    view_ = new QTableView(this);
    view_->setModel(table_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSortingEnabled(true);
    view_->horizontalHeader()->setSortIndicator(ArchiveListModel::Code, Qt::AscendingOrder);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->verticalHeader()->hide();
    // Widths from the headings and the known texts, never from the rows: a million rows are
    // not measured.
    for (int column = 0; column < ArchiveListModel::ColumnCount; ++column) {
        QString widest = table_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        if (column == ArchiveListModel::Sex)
            widest =
                std::max({widest, MaleSex, FemaleSex}, [this](const QString& a, const QString& b) {
                    return view_->fontMetrics().horizontalAdvance(a) <
                           view_->fontMetrics().horizontalAdvance(b);
                });
        view_->horizontalHeader()->resizeSection(
            column, view_->fontMetrics().horizontalAdvance(widest) + 32);
    }
    view_->horizontalHeader()->setSectionResizeMode(ArchiveListModel::Name, QHeaderView::Stretch);
    connect(view_, &QTableView::activated, this, &ArchiveListWindow::openRow);
}

QHBoxLayout* ArchiveListWindow::createActionLine() {
    count_ = new QLabel(this);
    norm_ = new QComboBox(this);
    auto* analyse = new QPushButton(QStringLiteral("Анализ выбранных"), this);
    auto* save = new QPushButton(QStringLiteral("Сохранить норму в архиве…"), this);
    auto* import = new QPushButton(QStringLiteral("Импорт папки…"), this);
    auto* actions = new QHBoxLayout;
    actions->addWidget(count_, 1);
    actions->addWidget(norm_);
    actions->addWidget(analyse);
    actions->addWidget(save);
    actions->addWidget(import);
    connect(analyse, &QPushButton::clicked, this, &ArchiveListWindow::analyseChosen);
    connect(save, &QPushButton::clicked, this, &ArchiveListWindow::saveNorm);
    connect(import, &QPushButton::clicked, this, &ArchiveListWindow::importFolder);
    return actions;
}

void ArchiveListWindow::connectFilters() {
    // The server is asked once the typing pauses.
    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(300);
    connect(typing_, &QTimer::timeout, this, &ArchiveListWindow::applyFilter);
    for (QLineEdit* field : {text_, unit_})
        connect(field, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
    for (QComboBox* box : {sex_, education_})
        connect(box, &QComboBox::currentIndexChanged, this, &ArchiveListWindow::applyFilter);
    for (QSpinBox* age : {minAge_, maxAge_})
        connect(age, &QSpinBox::valueChanged, typing_, qOverload<>(&QTimer::start));
}

ArchiveSelection ArchiveListWindow::selectionOfFields() const {
    ArchiveSelection selection;
    selection.filter.text = text_->text().trimmed();
    selection.unit = unit_->text().trimmed();
    if (sex_->currentIndex() > 0)
        selection.filter.sex = sex_->currentText();
    if (education_->currentIndex() > 0)
        selection.filter.education = education_->currentText();
    if (minAge_->value() > 0)
        selection.filter.minAge = minAge_->value();
    if (maxAge_->value() > 0)
        selection.filter.maxAge = maxAge_->value();
    return selection;
}

void ArchiveListWindow::applyFilter() {
    typing_->stop();
    try {
        table_->choose(selectionOfFields());
    } catch (const AnalysisError& error) {
        showProblem(error.message());
        return;
    }
    // The first rows are on screen while the server counts them all.
    count_->setText(QStringLiteral("Обследований: …"));
    counter_->count(table_->selection());
}

void ArchiveListWindow::loadNorms() {
    norm_->clear();
    for (const StoredChoice& choice : storedChoices())
        norm_->addItem(choice.title);
    try {
        teamNorms_ = archiveNorms(*archive_);
    } catch (const AnalysisError& error) {
        showProblem(error.message());
    }
    for (const Norm& norm : teamNorms_)
        norm_->addItem(QStringLiteral("Норма: ") + norm.name);
}

void ArchiveListWindow::openRow(const QModelIndex& index) {
    try {
        const WaitCursor wait;
        const ArchiveEntry& entry = table_->entry(index.row());
        const QList<StoredTest> tests = readTests(*archive_, {entry.id}, ArchiveRead::Open);
        if (tests.isEmpty())
            throw AnalysisError(QStringLiteral("Обследование больше не доступно"));
        emit analysisReady(
            individualAnalysisFromBytes(tests.first().bytes, tests.first().fileName));
    } catch (const AnalysisError& error) {
        showProblem(error.message());
    }
}

void ArchiveListWindow::analyseChosen() {
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    const int chosen = norm_->currentIndex();
    const QList<StoredChoice> stored = storedChoices();
    const StoredChoice base = chosen < stored.size() ? stored.at(chosen) : stored.last();
    ArchiveGroupNorm norm{base.kind, base.criterion};
    if (chosen >= stored.size())
        norm.own = teamNorms_.at(chosen - stored.size());
    // Nothing selected: all the filter finds, and the group says how they were chosen.
    const ArchiveSelection selection = table_->selection();
    GroupChoice choice;
    QList<ArchiveEntry> entries;
    if (rows.isEmpty())
        choice.filter = selection.filter;
    for (const QModelIndex& row : rows)
        entries.append(table_->entry(row.row()));
    // Read off the window, with progress and "Отмена", on a connection of its own: the list
    // goes on paging on its own meanwhile. Its buttons wait for the group.
    const DisabledWhile<QPushButton> off(findChildren<QPushButton*>());
    ArchiveGroup group;
    try {
        GroupProgressDialog progress(this, ProgressDelayMs);
        runOffTheWindow(this, progress, [&](const GroupProgress& report) {
            const auto archive = std::make_shared<PgConnection>(conninfo_);
            group = rows.isEmpty() ? analyseArchiveGroup(archive, selection, norm, choice, report)
                                   : analyseArchiveGroup(archive, entries, norm, {}, report);
        });
    } catch (const GroupCancelled&) {
        return;
    } catch (const AnalysisError& error) {
        showProblem(error.message());
        return;
    }
    group_ = std::move(group);
    emit groupReady(group_);
}

void ArchiveListWindow::saveNorm() {
    if (group_.state.kind != AnalysisKind::Group) {
        showProblem(QStringLiteral("Сначала проведите «Анализ выбранных»"));
        return;
    }
    const QStringList texts =
        dialogs_->askTexts(this, QStringLiteral("Норма для всего отдела"),
                           {{QStringLiteral("Название нормы"), QString()},
                            {QStringLiteral("Описание"), group_.state.choiceDescription, true}});
    if (texts.size() < 2 || texts[0].simplified().isEmpty())
        return;
    try {
        saveGroupNormInArchive(*archive_, group_.state, texts[0].simplified(), texts[1],
                               group_.members);
        loadNorms();
        emit normsChanged();
    } catch (const AnalysisError& error) {
        showProblem(error.message());
    }
}

void ArchiveListWindow::importFolder() {
    const QString title = QStringLiteral("Импорт папки в архив");
    const QString dir = dialogs_->getExistingDirectory(this, title, QString());
    if (dir.isEmpty())
        return;
    const QStringList unit =
        dialogs_->askTexts(this, title, {{QStringLiteral("Подразделение"), unit_->text()}});
    if (unit.isEmpty())
        return;
    if (unit[0].simplified().isEmpty()) {
        showProblem(QStringLiteral("Укажите подразделение, в которое импортируются обследования"));
        return;
    }
    try {
        ImportSummary summary;
        {
            const WaitCursor wait;
            summary = ezr::importFolder(*archive_, dir, unit[0].simplified());
        }
        QString told = QStringLiteral("Сохранено в архиве: %1\nУже были в архиве: %2")
                           .arg(summary.stored)
                           .arg(summary.alreadyStored);
        if (!summary.refused.isEmpty())
            told +=
                QStringLiteral("\nНе прочитаны как файлы ответов: %1").arg(summary.refused.size());
        for (const SkippedEntry& refused :
             summary.refused.first(std::min<qsizetype>(summary.refused.size(), 10)))
            told += QStringLiteral("\n%1: %2").arg(refused.fileName, refused.reason);
        dialogs_->showInformation(this, told);
        applyFilter();
    } catch (const AnalysisError& error) {
        showProblem(error.message());
    }
}

void ArchiveListWindow::showProblem(const QString& message) {
    dialogs_->showError(this, message);
}
