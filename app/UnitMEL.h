#pragma once

#include "Analysis.h"
#include "ProfileCharts.h"
#include "UserDialogs.h"

#include <QImage>
#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTextEdit;
class TAboutBox;
class MenuBarStyle;

namespace ezr {
class AnswerTimeChart;
class ResultGrid;
} // namespace ezr

// The analysis window: the main menu with every command and the result panel `paResult`
// with header fields, result grids, profile charts, the answer-time chart and the
// information and comment texts.
//
// The window holds the analysis it shows (`state_`: the sheet of texts and the record). A
// command computes a complete new state through the core and only then shows it; when the
// core fails, the error box appears and the window keeps showing the previous analysis.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `dialogs` must outlive the window; null means the standard dialogs.
    explicit TForm1(UserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    void setAboutBox(TAboutBox* aboutBox);
    TAboutBox* aboutBox() const { return AboutBox; }

    const ezr::AnalysisState& state() const { return state_; }
    // The texts the window shows, header fields as the user may have edited them.
    ezr::ResultSheet sheetFromWidgets() const;
    // The comment as the panel breaks it into lines; an empty last line is left out.
    QStringList commentLines() const;
    // The last exported chart picture.
    const QImage& lastPicture() const { return RxGIF; }

    // "Индивид" on a file given without the dialog (the command line, the desktop).
    void openResponseFile(const QString& path);
    // How long a group run goes before its progress dialog appears.
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }

public slots:
    void mmOpenClick();
    void mmSexManClick();
    void mmSexWomanClick();
    void mmEducHighClick();
    void mmEducAverageClick();
    void mmGroupSatisfactionClick();
    void mmDataFolderClick();
    void mmSaveResultClick();
    void pmSaveChartClick();
    void mmPlotTimeClick();
    void mmNormSexClick();
    void mmNormEducationClick();
    void mSatisfactionClick();
    void mmProfile1AClick();
    void mmProfile1BClick();
    void mmProfile1CClick();
    void mmProfile2AClick();
    void mmProfile2BClick();
    void mmProfile2CClick();
    void mmProfile3AClick();
    void mmProfile3BClick();
    void mmProfile3CClick();
    void mmChartAnswerTClick();
    void mmCommentClick();

    void sgResultSelectCell(int column, int row);
    void sgResult2SelectCell(int column, int row);
    void sgResult3SelectCell(int column, int row);
    void ceIndex1Click();
    void ceIndex2Click();

    // "О программе": shows the one About dialog, not modal.
    void showAboutBox();
    // The About dialog's "OK": the main menu appears, "Индивид" and "Группа" enabled.
    void showMainMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createSystemMenu();
    void createShortcuts();
    void createResultPanel();
    void createHeaderFields();
    void createResultFields();
    void createGrids();
    void createCharts();
    void createInformationArea();

    // sheet -> widgets
    void showSheet(const ezr::ResultSheet& sheet);
    // The shown analysis with the header fields as they stand.
    ezr::AnalysisState stateFromWidgets() const;
    // A successful analysis or comparison: the new state on screen, profile 1 in front.
    void showAnalysis(ezr::AnalysisState next);
    void attachCellDrawing();
    void runGroupAnalysis(ezr::NormKind kind, const QString& criterion);
    void compareWithNorms(ezr::NormKind kind);
    void hideAnswerTimeChart();
    void sendAnswerTimeChartBehind();
    void saveControlPicture(QWidget* control, const QString& path);
    void setInfoHint(const QString& hint);
    void showInfoText(const QString& text);
    void updateDataFolderHint();
    QString infoHint() const;
    // Runs a command; a failure shows the error box and leaves the window as it was.
    template <typename Command> void runCommand(Command&& command);

    UserDialogs* dialogs_;
    std::unique_ptr<UserDialogs> ownDialogs_;
    ezr::AnalysisState state_;
    SaveDialogRequest SaveDialog; // the one save dialog, shared by the three exports
    QImage RxGIF;
    TAboutBox* AboutBox = nullptr;
    MenuBarStyle* menuBarStyle_ = nullptr;
    int progressDelay_ = 500;

    // Main menu.
    QAction* mmOpen = nullptr;
    QMenu* mmGroupMenu = nullptr;
    QAction* mmGroup = nullptr;
    QAction* N1 = nullptr;
    QMenu* mmGroupSexMenu = nullptr;
    QMenu* mmGroupEducationMenu = nullptr;
    QAction* mmSexMan = nullptr;
    QAction* mmSexWoman = nullptr;
    QAction* mmEducHigh = nullptr;
    QAction* mmEducAverage = nullptr;
    QAction* mmGroupSatisfaction = nullptr;
    QAction* mmDataFolder = nullptr;
    QMenu* mmSaveMenu = nullptr;
    QAction* mmSave = nullptr;
    QAction* mmAnalysis = nullptr;
    QAction* Chart4 = nullptr;
    QAction* mmPlotTime = nullptr;
    QMenu* mmNormMenu = nullptr;
    QAction* mmNorm = nullptr;
    QAction* mmNormSex = nullptr;
    QAction* mmNormEducation = nullptr;
    QAction* mSatisfaction = nullptr;
    QMenu* mmProfilesMenu = nullptr;
    QAction* mmProfiles = nullptr;
    QAction* mmProfileActions[3][3] = {};
    QAction* mmChartAnswerT = nullptr;
    QAction* mmComment = nullptr;
    QList<QAction*> topLevelItems_;
    QMenu* systemMenu_ = nullptr;

    QLabel* laStartHint = nullptr;

    // Result panel.
    QWidget* paResult = nullptr;
    QLineEdit* ceCode = nullptr;
    QLabel* ImageInfo = nullptr;
    QLabel* stName = nullptr;
    QLineEdit* ceName = nullptr;
    QLineEdit* ceSex = nullptr;
    QLineEdit* ceEduc = nullptr;
    QLineEdit* ceDatePFO = nullptr;
    QLineEdit* ceOld = nullptr;
    QLineEdit* ceNorm = nullptr;
    QLineEdit* ceX21 = nullptr;
    QLineEdit* ceX22 = nullptr;
    QLineEdit* ceX23 = nullptr;
    QLabel* stProfile1 = nullptr;
    QLabel* stProfile2 = nullptr;
    QLabel* stProfile3 = nullptr;
    QLineEdit* ceIndex1 = nullptr;
    QLineEdit* ceIndex2 = nullptr;
    ezr::ResultGrid* sgResult3 = nullptr;
    ezr::ResultGrid* sgResult3a = nullptr;
    ezr::ResultGrid* sgResult = nullptr;
    ezr::ResultGrid* sgResulta = nullptr;
    ezr::ResultGrid* sgResult2 = nullptr;
    ezr::ResultGrid* sgResult2a = nullptr;
    ezr::ProfileChartPanel* paChart = nullptr;
    QLabel* stInfo = nullptr;
    QPlainTextEdit* mInfo = nullptr;
    QTextEdit* meComment = nullptr;
    ezr::AnswerTimeChart* ChartMMPITime = nullptr;
};
