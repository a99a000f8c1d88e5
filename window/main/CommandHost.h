#pragma once

#include "Analysis.h"
#include "Folders.h"
#include "MainMenu.h"
#include "ResultSheet.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;
class ResultPanel;
class UserDialogs;

// What the main window lends its command objects (the group commands, the exports, the answer
// sheet): the window's state stays in the window, and a command reaches it only through these
// calls, so that each command class says in its constructor what it depends on.
class CommandHost {
public:
    // Asked before a command replaces the analysis on screen.
    static inline const QString NewAnalysisQuestion =
        QStringLiteral("Начать новый анализ без него?");

    // The window the commands' dialogs and windows belong to.
    virtual QWidget* dialogParent() = 0;
    virtual UserDialogs& dialogs() = 0;
    virtual ezr::FolderConfig& folders() = 0;
    // The folder "Индивид" and the group read; a remembered one that is gone is named first.
    virtual QString dataFolder() = 0;
    virtual ResultPanel& panel() = 0;

    // The analysis on screen, header fields as the user has edited them.
    virtual const ezr::AnalysisState& analysis() const = 0;
    // Runs a command; a failure shows the error box and leaves the window as it was.
    virtual void runCommand(const std::function<void()>& body) = 0;
    // True when there is no unsaved comment or the user agrees to `question` about losing it.
    virtual bool mayDropComment(const QString& question) = 0;
    // An analysis on screen in place of the one there (a new norm, say), or a new one.
    virtual void showAnalysis(ezr::AnalysisState next, const ezr::ResultSheet* shown = nullptr) = 0;
    virtual void showNewAnalysis(ezr::AnalysisState next,
                                 const ezr::ResultSheet* shown = nullptr) = 0;
    // "Индивид" on the file at `path`.
    virtual void openResponseFile(const QString& path) = 0;

    virtual MenuState& menuState() = 0;
    // Applies the menu state changed through menuState().
    virtual void updateMenu() = 0;
    // The titles of the saved norms under "Нормирование" and "Группа".
    virtual void showOwnNorms(const QStringList& titles) = 0;
    // How long a group run goes before its progress dialog appears.
    virtual int progressDelay() const = 0;

    // The comment's lines as the panel wraps them, and the note that a report took it.
    virtual QStringList commentLines() const = 0;
    virtual void markCommentSaved() = 0;

protected:
    CommandHost() = default;
    CommandHost(const CommandHost&) = default;
    CommandHost& operator=(const CommandHost&) = default;
    ~CommandHost() = default;
};
