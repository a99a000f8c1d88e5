#pragma once

#include <QObject>

#include <functional>
#include <map>

class QAction;
class QMainWindow;
class QMenu;

// Every command of the main menu.
enum class Command {
    OpenIndividual,
    GroupMale,
    GroupFemale,
    GroupHigherEducation,
    GroupSecondaryEducation,
    GroupSatisfaction,
    ChooseDataFolder,
    Archive,
    SaveReport,
    SavePdfReport,
    SaveTable,
    SaveProfileChart,
    SaveAnswerTimeChart,
    NormSex,
    NormEducation,
    NormSatisfaction,
    Profile1Raw,
    Profile1Percent,
    Profile1Chi,
    Profile2Raw,
    Profile2Percent,
    Profile2Chi,
    Profile3Raw,
    Profile3Percent,
    Profile3Chi,
    ShowNorm,
    AnswerTimeChart,
    Comment,
    NewSheet,
    OpenSheet,
    ImportTable,
    ExamineeList,
    SaveAsNorm,
    AnonymousOutputs,
    MinimumGroupSize,
    Statistics,
};

// `caption` with the keyboard letter `letter` marked at its first place in it.
QString withMnemonic(const QString& caption, QChar letter);

// What the menu's enabled and visible states follow.
struct MenuState {
    bool opened = false;          // the About dialog's "OK" has revealed the menu
    bool analysisShown = false;   // an analysis is on screen
    bool individualShown = false; // the analysis on screen is one examinee's
    bool individualEverShown = false;
    bool answerTimeChartOn = false; // "Время ответа" toggled on
    bool normShown = false;         // "Показать норму" checked
    bool anonymous = false;         // "Без Ф.И.О." checked
};

// The main menu: every item built from one table, the rules of what is enabled and shown in
// one place. The legacy item names are the actions' object names.
class MainMenu : public QObject {
    Q_OBJECT
public:
    MainMenu(QMainWindow* window, const std::function<void(Command)>& run);

    QAction* action(Command command) const { return actions_.at(command); }
    // Applies the enable and show rules.
    void update(const MenuState& state);
    // Names the folder that group runs and "Индивид" read in the hints of "Группа".
    void showDataFolder(const QString& folder);
    // Names the archive the group commands read while it is connected.
    void showArchive(const QString& conninfo);
    // The user's saved norms, listed in "Нормирование" after the stored ones.
    void showOwnNorms(const QStringList& titles);

signals:
    // One of the norms of showOwnNorms, by its position.
    void ownNormChosen(int index);
    // One of the saved norms under "Группа": the group against it.
    void groupOwnNormChosen(int index);

private:
    void buildActions(QMainWindow* window, const std::function<void(Command)>& run);
    void buildMenus(QMainWindow* window);

    std::map<Command, QAction*> actions_;
    QList<QAction*> topLevel_;
    QAction* group_ = nullptr;
    QString groupHint_;
    QAction* save_ = nullptr;
    QAction* norm_ = nullptr;
    QMenu* normMenu_ = nullptr;
    QList<QAction*> ownNorms_; // with the separator before them
    QMenu* groupMenu_ = nullptr;
    QList<QAction*> groupOwnNorms_; // under "Группа", with the separator before them
    QAction* profiles_ = nullptr;
};
