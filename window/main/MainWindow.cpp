#include "MainWindow.h"

#include "AboutDialog.h"
#include "AnalysisError.h"
#include "AnswerSheet.h"
#include "CellChoice.h"
#include "DoubtfulExclusion.h"
#include "ExplanationTexts.h"
#include "ExportCommands.h"
#include "Folders.h"
#include "GroupCommands.h"
#include "GroupRun.h"
#include "MenuBarKeyboard.h"
#include "NormFile.h"
#include "OutputError.h"
#include "OutputSettings.h"
#include "SheetCommands.h"
#include "StartHint.h"
#include "StatisticsCommands.h"
#include "WaitCursor.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

#include <new>

using namespace ezr;

namespace {
const QString InclusionCaption = QStringLiteral(": Включенность в коллектив");
const QString InnovationCaption = QStringLiteral(": Инновационный потенциал");
} // namespace

MainWindow::MainWindow(FolderConfig folders, UserDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), folders_(std::move(folders)) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<StandardDialogs>();
        dialogs_ = ownDialogs_.get();
    }
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZOLT - Опросник персонала"));
    // The designed size, but never beyond the screen: a smaller screen gets scroll bars in
    // the result panel rather than a window whose edges cannot be reached.
    const QSize designed(1032, 780);
    resize(screen() ? designed.boundedTo(screen()->availableGeometry().size()) : designed);

    menu_ = new MainMenu(this, [this](Command command) { run(command); });
    menuState_.anonymous = anonymousOutputs();
    doubtfulExclusion_ = new DoubtfulExclusion(this);
    groups_ = new GroupCommands(*this, *doubtfulExclusion_, this);
    exports_ = new ExportCommands(*this, *groups_, this);
    sheets_ = new SheetCommands(*this, this);
    archive_ = new ArchiveCommands(*this, this);
    groups_->setArchive(archive_);
    connect(archive_, &ArchiveCommands::archiveChanged, groups_, &GroupCommands::loadOwnNorms);
    connect(archive_, &ArchiveCommands::archiveChanged, this, [this] {
        if (archive_->connected())
            menu_->showArchive(archive_->conninfo());
        else
            showDataFolder();
    });
    connect(menu_, &MainMenu::ownNormChosen, groups_, &GroupCommands::chooseOwnNorm);
    connect(menu_, &MainMenu::groupOwnNormChosen, groups_, &GroupCommands::runGroupWithOwnNorm);
    createWindowMenu();
    createShortcuts();
    createResultPanel();
    panel_->showSheet(formatSheet(analysis_));
    statistics_ = new StatisticsCommands(
        this, [this]() -> const AnalysisState& { return analysis_; }, progressDelay_);
    connect(groups_, &GroupCommands::examineeListCreated, statistics_,
            &StatisticsCommands::attachTo);
}

MainWindow::~MainWindow() = default;

void MainWindow::setAboutDialog(AboutDialog* dialog) {
    aboutDialog_ = dialog;
    connect(aboutDialog_, &AboutDialog::confirmed, this, &MainWindow::openMainMenu);
}

QStringList MainWindow::commentLines() const {
    return panel_->commentLines(comment_);
}

ExamineeListWindow* MainWindow::examineeList() const {
    return groups_->examineeList();
}

void MainWindow::updateMenu() {
    menu_->update(menuState_);
}

void MainWindow::showOwnNorms(const QStringList& titles) {
    menu_->showOwnNorms(titles);
}

// ---------------------------------------------------------------------------------------
// Construction

void MainWindow::createWindowMenu() {
    // The platform gives the window no menu of its own to extend, so the window's context
    // menu stands in for it: the usual window commands, a separator, "О программе".
    windowMenu_ = new QMenu(this);
    windowMenu_->setObjectName(QStringLiteral("systemMenu"));
    windowMenu_->addAction(QStringLiteral("&Восстановить"), this, &QWidget::showNormal);
    windowMenu_->addAction(QStringLiteral("&Свернуть"), this, &QWidget::showMinimized);
    windowMenu_->addAction(QStringLiteral("&Развернуть"), this, &QWidget::showMaximized);
    windowMenu_->addAction(QStringLiteral("&Закрыть"), this, &QWidget::close);
    windowMenu_->addSeparator();
    QAction* about =
        windowMenu_->addAction(QStringLiteral("&О программе"), this, &MainWindow::showAboutDialog);
    about->setObjectName(QStringLiteral("mmAbout"));
    about->setShortcut(QKeySequence(Qt::Key_F1));
}

void MainWindow::createShortcuts() {
    // Esc ends the program from any control of the window, but not from the About dialog,
    // where it only closes the dialog; F1 stands for "О программе" everywhere.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        // A window shortcut still reaches the window from dialogs it owns.
        if (QApplication::activeWindow() == this)
            close();
    });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, &MainWindow::showAboutDialog);
    // F10 goes to the menu bar as Alt does, once the menu is there.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menuKey->setContext(Qt::WindowShortcut);
    connect(menuKey, &QShortcut::activated, this, &MainWindow::enterMenuBar);
    installMenuBarKeyboard(menuBar());
}

void MainWindow::enterMenuBar() {
    if (!menuState_.opened)
        return;
    giveMenuBarTheKeyboard(menuBar());
}

bool MainWindow::commentUnsaved() const {
    return !comment_.trimmed().isEmpty() && comment_ != savedComment_;
}

bool MainWindow::mayDropComment(const QString& question) {
    if (!commentUnsaved())
        return true;
    return dialogs_->askQuestion(
        this, QStringLiteral("Комментарий не сохранён в отчёте. %1").arg(question));
}

void MainWindow::createResultPanel() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bevel = new QFrame(client);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel->setFixedHeight(2);
    layout->addWidget(bevel);

    // Below the size the panel was laid out for, it scrolls; above it, it grows.
    panel_ = new ResultPanel(client);
    resultScroll_ = new QScrollArea(client);
    resultScroll_->setObjectName(QStringLiteral("paResultScroll"));
    resultScroll_->setAccessibleName(QStringLiteral("Результаты анализа"));
    resultScroll_->setFrameShape(QFrame::NoFrame);
    resultScroll_->setWidgetResizable(true);
    resultScroll_->setWidget(panel_);
    resultScroll_->hide();
    layout->addWidget(resultScroll_, 1);
    startHint_ = createStartHint(client);
    layout->addWidget(startHint_, 1);
    layout->addStretch(0); // keeps the bevel at the top while the panel is hidden
    setCentralWidget(client);
    panel_->hide();

    connect(panel_, &ResultPanel::headerEdited, this, &MainWindow::editHeader);
    connect(panel_, &ResultPanel::chartClicked, this, &MainWindow::switchChartMarks);
    connect(panel_, &ResultPanel::commentEdited, this,
            [this](const QString& text) { comment_ = text; });
    connect(panel_, &ResultPanel::cellSelected, this, &MainWindow::selectCell);
    connect(panel_, &ResultPanel::indexClicked, this, &MainWindow::explainIndex);
}

// ---------------------------------------------------------------------------------------
// Commands

void MainWindow::run(Command command) {
    if (groups_->run(command) || exports_->run(command) || sheets_->run(command))
        return;
    switch (command) {
    case Command::OpenIndividual:
        return openIndividual();
    case Command::ChooseDataFolder:
        return chooseDataFolder();
    case Command::Archive:
        return archive_->chooseArchive();
    case Command::ShowNorm:
        return toggleNorm();
    case Command::NormSex:
        return changeNorm(NormKind::Sex);
    case Command::NormEducation:
        return changeNorm(NormKind::Education);
    case Command::NormSatisfaction:
        return changeNorm(NormKind::Satisfaction);
    case Command::AnswerTimeChart:
        return toggleAnswerTimeChart();
    case Command::Comment:
        return toggleComment();
    case Command::Profile1Raw:
        return showProfile(1, ProfileValues::Raw);
    case Command::Profile1Percent:
        return showProfile(1, ProfileValues::Percent);
    case Command::Profile1Chi:
        return showProfile(1, ProfileValues::Chi);
    case Command::Profile2Raw:
        return showProfile(2, ProfileValues::Raw);
    case Command::Profile2Percent:
        return showProfile(2, ProfileValues::Percent);
    case Command::Profile2Chi:
        return showProfile(2, ProfileValues::Chi);
    case Command::Profile3Raw:
        return showProfile(3, ProfileValues::Raw);
    case Command::Profile3Percent:
        return showProfile(3, ProfileValues::Percent);
    case Command::Profile3Chi:
        return showProfile(3, ProfileValues::Chi);
    case Command::Statistics:
        return statistics_->showGroupStatistics();
    default:
        break;
    }
}

void MainWindow::runCommand(const std::function<void()>& body) {
    try {
        body();
    } catch (const GroupCancelled&) {
        // The user stopped it: the window stays as it was, nothing to report.
    } catch (const OutputError& error) {
        // The window's own message, in Russian; the batch command's English one is the base.
        dialogs_->showError(this, errorBoxText(error.windowText()));
    } catch (const AnalysisError& error) {
        dialogs_->showError(this, errorBoxText(error));
    } catch (const std::bad_alloc&) {
        dialogs_->showError(this, errorBoxText(QStringLiteral("Недостаточно памяти для команды")));
    } catch (const std::exception& error) {
        // Not one of the program's own failures: said in Russian, the library's words after.
        dialogs_->showError(this, errorBoxText(QStringLiteral("Внутренняя ошибка программы: %1")
                                                   .arg(QString::fromLocal8Bit(error.what()))));
    }
}

void MainWindow::showAnalysis(AnalysisState next, const ResultSheet* shown) {
    AnalysisState previous = std::exchange(analysis_, std::move(next));
    panel_->showSheet(shown ? *shown : formatSheet(analysis_));
    showProfile(1, ProfileValues::Raw);
    panel_->showProfileCharts();
    // A group's roster can be large enough to take a while to free; unshared, it goes off the
    // window. Small states are freed here.
    if (previous.kind == AnalysisKind::Group && previous.roster.lines.size() > 1000)
        discardOffTheWindow(std::move(previous));
}

void MainWindow::showNewAnalysis(AnalysisState next, const ResultSheet* shown) {
    const bool individual = next.kind == AnalysisKind::Individual;
    // The previous examinee's answer-time chart goes behind and out of sight; its toggle
    // stays, so the next "Время ответа" hides it.
    panel_->showAnswerTimeChart(false);
    panel_->showTimesNotMeasured(false);
    showAnalysis(std::move(next), shown);
    menuState_.analysisShown = true;
    menuState_.individualShown = individual;
    menuState_.individualEverShown = menuState_.individualEverShown || individual;
    menu_->update(menuState_);
    // A new analysis starts without a comment.
    comment_.clear();
    savedComment_.clear();
    panel_->showCommentText(comment_);
    panel_->attachCellDrawing();
    // The panel first: the scroll area then knows its size and shows scroll bars at once
    // where the window is smaller.
    panel_->show();
    resultScroll_->show();
}

QString MainWindow::dataFolder() {
    const QString missing = folders_.inputs().missingRememberedData;
    QString folder = folders_.dataFolder();
    if (!missing.isEmpty() && missing != missingDataFolderNamed_) {
        missingDataFolderNamed_ = missing; // told once, not before every command
        dialogs_->showInformation(
            this, QStringLiteral("Папка данных «%1» не найдена. Используется папка «%2».")
                      .arg(QDir::toNativeSeparators(missing), QDir::toNativeSeparators(folder)));
        showDataFolder();
    }
    return folder;
}

void MainWindow::openIndividual() {
    const QString path =
        dialogs_->getOpenFileName(this, {QStringLiteral("Ввод данных Опросника - Мелира"),
                                         dataFolder(), QStringLiteral("Data files (*.cry)")});
    if (!path.isEmpty())
        openResponseFile(path);
}

void MainWindow::openResponseFile(const QString& path) {
    if (!mayDropComment(NewAnalysisQuestion))
        return;
    runCommand([&] {
        const WaitCursor wait;
        showNewAnalysis(individualAnalysis(path));
    });
}

void MainWindow::chooseDataFolder() {
    const QString chosen = dialogs_->getExistingDirectory(
        this, QStringLiteral("Папка данных для группы и для «Индивид»"), dataFolder());
    if (chosen.isEmpty())
        return;
    folders_.rememberDataFolder(chosen);
    showDataFolder();
}

void MainWindow::showDataFolder() {
    menu_->showDataFolder(QDir::toNativeSeparators(decideFolders(folders_.inputs()).data.path));
}

void MainWindow::changeNorm(NormKind kind) {
    runCommand([&] { showAnalysis(withNorm(analysis_, kind)); });
}

void MainWindow::showProfile(int profile, ProfileValues values) {
    ProfileChartOptions options;
    options.code = analysis_.header.code;
    options.name = analysis_.header.name;
    options.norm = analysis_.comparison.norm;
    options.normShown = menuState_.normShown;
    options.marksVisible = chartMarksVisible(profile);
    panel_->drawProfileChart(profile, profileChart(profile, values, analysis_.record.scores.raw,
                                                   analysis_.comparison.chi, options));
}

bool MainWindow::chartMarksVisible(int profile) const {
    const int clicks = chartClicks_[std::size_t(profile - 1)];
    return profile == 1 || (clicks > 0 && clicks % 2 == 0);
}

void MainWindow::switchChartMarks(int profile) {
    ++chartClicks_[std::size_t(profile - 1)];
    panel_->setChartMarksVisible(profile, chartMarksVisible(profile));
}

void MainWindow::hideAnswerTimeChart() {
    menuState_.answerTimeChartOn = false;
    panel_->showAnswerTimeChart(false);
    panel_->showTimesNotMeasured(false);
    menu_->update(menuState_);
}

void MainWindow::toggleAnswerTimeChart() {
    if (menuState_.answerTimeChartOn)
        return hideAnswerTimeChart();
    if (answerTimesMeasured(analysis_.record.answerTimes)) {
        panel_->plotAnswerTimes(analysis_.record, analysis_.header.code, analysis_.header.name);
        panel_->showAnswerTimeChart(true);
    } else {
        panel_->showTimesNotMeasured(true); // a flat line at zero would tell nothing
    }
    menuState_.answerTimeChartOn = true;
    menu_->update(menuState_);
}

void MainWindow::toggleComment() {
    commentShown_ = !commentShown_;
    panel_->showComment(commentShown_);
    if (!commentShown_) {
        // The explanation below is the one chosen last: its heading comes back with it.
        panel_->setInformationCaption(informationCaption_);
        return;
    }
    hideAnswerTimeChart();
    panel_->setInformationCaption(QStringLiteral("Комментарий"));
    // What is typed next goes into the comment, in sight also in a small window.
    panel_->focusComment();
    if (QWidget* comment = panel_->focusWidget())
        resultScroll_->ensureWidgetVisible(comment);
}

void MainWindow::toggleNorm() {
    menuState_.normShown = !menuState_.normShown;
    menu_->update(menuState_);
    panel_->setNormShown(menuState_.normShown);
}

// ---------------------------------------------------------------------------------------
// The user's edits and selections

void MainWindow::editHeader(HeaderField field, const QString& text) {
    AnalysisHeader& header = analysis_.header;
    switch (field) {
    case HeaderField::Code:
        header.code = text;
        break;
    case HeaderField::Name:
        header.name = text;
        break;
    case HeaderField::TestDate:
        header.testDate = text;
        break;
    case HeaderField::Age:
        header.age = text;
        break;
    }
}

void MainWindow::selectCell(ProfileGrid grid, int column, int row) {
    const CellChoice choice = cellChoice(grid, column, row);
    // The charts show from the first analysis on.
    if (choice.chart && menuState_.analysisShown)
        showProfile(choice.profile, *choice.chart);
    if (choice.explanation)
        panel_->setInformation(*choice.explanation);
    showInformationCaption(choice.caption);
}

void MainWindow::explainIndex(int index) {
    panel_->setInformation(index == 1 ? joinPieces(InclusionText) : joinPieces(InnovationText));
    showInformationCaption(InformationCaption +
                           (index == 1 ? InclusionCaption : InnovationCaption));
}

void MainWindow::showInformationCaption(const QString& caption) {
    informationCaption_ = caption;
    // While the comment lies over the explanation, the heading stays the comment's.
    if (!commentShown_)
        panel_->setInformationCaption(caption);
}

// ---------------------------------------------------------------------------------------
// Start-up route and window

void MainWindow::showAboutDialog() {
    if (!aboutDialog_)
        return;
    aboutDialog_->show();
    aboutDialog_->raise();
    aboutDialog_->activateWindow();
}

void MainWindow::openMainMenu() {
    menuState_.opened = true;
    menu_->update(menuState_);
    startHint_->hide();
    showDataFolder();
    groups_->loadOwnNorms();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    windowMenu_->popup(event->globalPos());
    event->accept();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Esc and the title bar end the program at once, unless a typed comment would go with it.
    if (!mayDropComment(QStringLiteral("Закрыть программу без него?"))) {
        event->ignore();
        return;
    }
    // The About dialog must not keep the program alive once the main window is gone.
    if (aboutDialog_)
        aboutDialog_->hide();
    QMainWindow::closeEvent(event);
}
