#pragma once

#include "Analysis.h"
#include "AnalysisError.h"
#include "ArchiveCommands.h"
#include "ChartDescription.h"
#include "CommandHost.h"
#include "ExamineeListWindow.h"
#include "Export.h"
#include "Folders.h"
#include "MainMenu.h"
#include "ResultPanel.h"
#include "SaveDialogMemory.h"
#include "UserDialogs.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>

#include <array>
#include <functional>
#include <memory>

class AboutDialog;
class DoubtfulExclusion;
class ExportCommands;
class GroupCommands;
class SheetCommands;
class QLabel;
class QMenu;
class QScrollArea;
class StatisticsCommands;

// The analysis window: the main menu and the result panel.
//
// The window owns what it shows: the analysis, the comment and the state of its toggles.
// Every widget is drawn from that state and nothing is read back from a widget; the user's
// edits of the header fields and the comment go into the state as they are typed. A command
// computes a complete new analysis through the core and only then shows it; when the core fails,
// the error box appears and the window keeps showing the previous analysis. The commands that
// run groups, save outputs and make response files are objects of their own, owned by the
// window, that reach its state through CommandHost.
class MainWindow : public QMainWindow, private CommandHost {
    Q_OBJECT
public:
    // `folders`: where the commands read and write; `dialogs` must outlive the window, null
    // means the standard dialogs.
    explicit MainWindow(ezr::FolderConfig folders = ezr::FolderConfig(),
                        UserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setAboutDialog(AboutDialog* dialog);

    // The analysis on screen, header fields as the user has edited them.
    const ezr::AnalysisState& analysis() const override { return analysis_; }
    // The comment's text, and its lines as the panel wraps them.
    const QString& comment() const { return comment_; }
    QStringList commentLines() const override;

    // "Индивид" on a file given without the dialog (the command line, the desktop).
    void openResponseFile(const QString& path) override;
    // How long a group run goes before its progress dialog appears.
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }
    // "Обследуемые", once opened.
    ExamineeListWindow* examineeList() const;
    // The list of examinees on the department's archive (ezr --db, "Архив…"); false with a
    // message shown when the archive cannot be reached.
    bool openArchive(const QString& conninfo) { return archive_->openArchive(conninfo); }
    ArchiveListWindow* archiveList() const { return archive_->archiveList(); }
    StatisticsCommands* statistics() const { return statistics_; }

public slots:
    // "О программе": shows the one About dialog, not modal.
    void showAboutDialog();
    // The About dialog's "OK": the main menu appears, "Индивид" and "Группа" enabled.
    void openMainMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createResultPanel();
    void createWindowMenu();
    void createShortcuts();
    // F10: the menu bar takes the keyboard, as after Alt.
    void enterMenuBar();
    // A comment typed and not yet written into a report.
    bool commentUnsaved() const;

    // What the command objects reach of the window.
    QWidget* dialogParent() override { return this; }
    UserDialogs& dialogs() override { return *dialogs_; }
    ezr::FolderConfig& folders() override { return folders_; }
    QString dataFolder() override;
    ResultPanel& panel() override { return *panel_; }
    void runCommand(const std::function<void()>& body) override;
    bool mayDropComment(const QString& question) override;
    MenuState& menuState() override { return menuState_; }
    void updateMenu() override;
    void showOwnNorms(const QStringList& titles) override;
    int progressDelay() const override { return progressDelay_; }
    void markCommentSaved() override { savedComment_ = comment_; }

    // The menu's commands: the window's own, the others forwarded to the command objects.
    void run(Command command);

    void openIndividual();
    void chooseDataFolder();
    void showDataFolder();
    void changeNorm(ezr::NormKind kind);
    void showProfile(int profile, ezr::ProfileValues values);
    void toggleAnswerTimeChart();
    void hideAnswerTimeChart();
    void toggleComment();
    // A click on profile chart 2 or 3 switches its value marks.
    void switchChartMarks(int profile);
    bool chartMarksVisible(int profile) const;
    void toggleNorm();

    void editHeader(HeaderField field, const QString& text);
    void selectCell(ProfileGrid grid, int column, int row);
    void explainIndex(int index);
    // The heading of the explanation shown, kept for when the comment goes away.
    void showInformationCaption(const QString& caption);

    // A new analysis or comparison on screen, with the raw scores of profile 1 in front;
    // `shown`, when given, is its sheet formatted already.
    void showAnalysis(ezr::AnalysisState next, const ezr::ResultSheet* shown = nullptr) override;
    void showNewAnalysis(ezr::AnalysisState next, const ezr::ResultSheet* shown = nullptr) override;

    UserDialogs* dialogs_;
    std::unique_ptr<UserDialogs> ownDialogs_;
    ezr::FolderConfig folders_;
    ezr::AnalysisState analysis_;
    QString comment_;      // the analyst's comment, as typed
    QString savedComment_; // the comment as the last report took it
    MenuState menuState_;
    bool commentShown_ = false;
    QString informationCaption_ = InformationCaption;
    // Clicks on each profile chart: chart 1 always shows its value marks; on charts 2 and 3
    // they start hidden, the first click leaves them hidden, and every click after switches
    // them.
    std::array<int, 3> chartClicks_{};
    AboutDialog* aboutDialog_ = nullptr;
    MainMenu* menu_ = nullptr;
    DoubtfulExclusion* doubtfulExclusion_ = nullptr; // "Исключать сомнительные ответы"
    QMenu* windowMenu_ = nullptr;
    ResultPanel* panel_ = nullptr;
    QScrollArea* resultScroll_ = nullptr;
    QLabel* startHint_ = nullptr;
    QString missingDataFolderNamed_;
    ArchiveCommands* archive_ = nullptr; // "Архив…", ezr --db
    int progressDelay_ = 500;
    GroupCommands* groups_ = nullptr;
    ExportCommands* exports_ = nullptr;
    SheetCommands* sheets_ = nullptr;
    StatisticsCommands* statistics_ = nullptr; // "Статистика"
};
