#pragma once

#include "Analysis.h"
#include "AnalysisError.h"
#include "ChartDescription.h"
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
class AnswerSheetForm;
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
// the error box appears and the window keeps showing the previous analysis.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `folders`: where the commands read and write; `dialogs` must outlive the window, null
    // means the standard dialogs.
    explicit MainWindow(ezr::FolderConfig folders = ezr::FolderConfig(),
                        UserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setAboutDialog(AboutDialog* dialog);

    // The analysis on screen, header fields as the user has edited them.
    const ezr::AnalysisState& analysis() const { return analysis_; }
    // The comment's text, and its lines as the panel wraps them.
    const QString& comment() const { return comment_; }
    QStringList commentLines() const;

    // "Индивид" on a file given without the dialog (the command line, the desktop).
    void openResponseFile(const QString& path);
    // How long a group run goes before its progress dialog appears.
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }
    // "Обследуемые", once opened.
    ExamineeListWindow* examineeList() const { return examineeList_; }
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
    // True when there is no such comment or the user agrees to `question` about losing it.
    bool mayDropComment(const QString& question);

    void run(Command command);
    // Runs a command; a failure shows the error box and leaves the window as it was.
    void runCommand(const std::function<void()>& body);

    void openIndividual();
    // A group of `choice` in `folder` (the data folder when empty).
    // `own`: a saved norm the group is compared with instead of the kind's stored row.
    void runGroup(ezr::NormKind kind, const QString& criterion, const ezr::GroupChoice& choice = {},
                  QString folder = {}, const std::optional<ezr::Norm>& own = std::nullopt);
    // The list of examinees, its group of chosen entries and the group that stopped at an entry,
    // the group's own norms and what group outputs show (GroupCommands.cpp).
    void showExamineeList();
    void runChosenGroup(const QString& folder, const ezr::GroupChoice& members,
                        const GroupNormChoice& norm);
    void offerExamineeList(const ezr::AnalysisError& error, const QString& folder);
    void saveAsNorm();
    void loadOwnNorms();
    void chooseOwnNorm(int index);
    // "Группа" with a saved norm: the whole data folder against it.
    void runGroupWithOwnNorm(int index);
    // The later of two tests of one examinee compared with a norm made of the earlier.
    void compareWithEarlierTest(const QString& laterPath, const QString& earlierPath);
    void toggleAnonymous();
    void askMinimumGroupSize();
    // True, after telling the user why, when the analysis on screen is a group too small to
    // leave the program.
    bool groupOutputRefused();
    void chooseDataFolder();
    // The folder "Индивид" and the group read; a remembered one that is gone is named first.
    QString dataFolder();
    void showDataFolder();
    void changeNorm(ezr::NormKind kind);
    void showProfile(int profile, ezr::ProfileValues values);
    void toggleAnswerTimeChart();
    // In place of the chart for a sheet whose answer times were not measured (SheetCommands.cpp).
    // The answer sheet form and the table import (SheetCommands.cpp).
    void newSheet();
    void openSheet();
    void importTable();
    AnswerSheetForm* sheetForm();
    void hideAnswerTimeChart();
    void toggleComment();
    // The text report, the printed report and the table of every examinee (ExportCommands.cpp).
    void saveReport(ezr::ReportFormat format);
    // The analysis with the rows the table in `format` needs.
    // A group's CSV or workbook is written member by member as the folder is read again.
    bool streamsTable(ezr::ReportFormat format) const;
    void writeGroupTable(ezr::ReportFormat format, const QString& path);
    ezr::AnalysisState withTableRows(ezr::ReportFormat format);
    void saveProfileChart();
    void saveAnswerTimeChart();
    // What the window shows in `area` of the result panel, as a GIF picture.
    void saveControlPicture(const QRect& area, const QString& path);
    // A click on profile chart 2 or 3 switches its value marks.
    void switchChartMarks(int profile);
    bool chartMarksVisible(int profile) const;
    void toggleNorm();
    // The save dialog of `output`; false when the user cancels.
    bool askSavePath(SavedOutput output, const QString& proposedName, QString& path);

    void editHeader(HeaderField field, const QString& text);
    void selectCell(ProfileGrid grid, int column, int row);
    void explainIndex(int index);
    // The heading of the explanation shown, kept for when the comment goes away.
    void showInformationCaption(const QString& caption);

    // A new analysis or comparison on screen, with the raw scores of profile 1 in front;
    // `shown`, when given, is its sheet formatted already.
    void showAnalysis(ezr::AnalysisState next, const ezr::ResultSheet* shown = nullptr);
    void showNewAnalysis(ezr::AnalysisState next, const ezr::ResultSheet* shown = nullptr);

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
    SaveDialogMemory saveDialogs_; // each output's own save dialog
    AboutDialog* aboutDialog_ = nullptr;
    MainMenu* menu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    ResultPanel* panel_ = nullptr;
    QScrollArea* resultScroll_ = nullptr;
    QLabel* startHint_ = nullptr;
    QPointer<AnswerSheetForm> sheetForm_;
    QString missingDataFolderNamed_;
    QPointer<ExamineeListWindow> examineeList_;
    ezr::GroupChoice groupChoice_;    // the members of the group on screen
    QList<ezr::Norm> ownNorms_;       // as "Нормирование" lists them
    QSet<QString> reportedNormFiles_; // refused norm files the user has been told of
    int progressDelay_ = 500;
    StatisticsCommands* statistics_ = nullptr; // "Статистика"
};
