#pragma once

#include "Analysis.h"
#include "AnalysisError.h"
#include "ExamineeListWindow.h"
#include "MainMenu.h"
#include "NormComparison.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <optional>

class ArchiveCommands;
class CommandHost;
class DoubtfulExclusion;

// The group commands of the main window: a group run from the menu, the list of examinees with
// its groups and retests, the group's own norms, and what group outputs may show of their
// members (anonymity, the minimum group size).
class GroupCommands : public QObject {
    Q_OBJECT
public:
    // `doubtful`: the toggle a group run applies; it and `host` outlive this object.
    GroupCommands(CommandHost& host, const DoubtfulExclusion& doubtful, QObject* parent);

    // Runs `command` when it is one of the group commands; false otherwise.
    bool run(Command command);
    // While `archive` is connected, the menu's groups read its tests, its norms are listed
    // with the others and "Сохранить как норму…" offers to save there; it outlives this object.
    void setArchive(ArchiveCommands* archive) { archive_ = archive; }

    // A group of `choice` in `folder` (the data folder, or the archive when one is
    // connected, when empty).
    // `own`: a saved norm the group is compared with instead of the kind's stored row.
    void runGroup(ezr::NormKind kind, const QString& criterion, const ezr::GroupChoice& choice = {},
                  QString folder = {}, const std::optional<ezr::Norm>& own = std::nullopt);
    // "Обследуемые", once opened.
    ExamineeListWindow* examineeList() const { return examineeList_; }
    // The members of the group on screen.
    const ezr::GroupChoice& groupChoice() const { return groupChoice_; }
    // The group on screen read again from its folder or the archive, each member handed to
    // `eachMember` and none kept (a table of it); callable off the window's thread.
    ezr::AnalysisState readGroupAgain(const ezr::AnalysisState& shown,
                                      const ezr::GroupProgress& progress,
                                      const ezr::GroupMemberSink& eachMember) const;

    void loadOwnNorms();
    void chooseOwnNorm(int index);
    // "Группа" with a saved norm: the whole data folder against it.
    void runGroupWithOwnNorm(int index);
    // True, after telling the user why, when the analysis on screen is a group too small to
    // leave the program.
    bool groupOutputRefused();

signals:
    // The list of examinees was made, for the commands that work on its selection.
    void examineeListCreated(ExamineeListWindow* list);

private:
    // The list of examinees, its group of chosen entries and the group that stopped at an entry.
    void showExamineeList();
    void showFolderList();
    void runChosenGroup(const QString& folder, const ezr::GroupChoice& members,
                        const GroupNormChoice& norm);
    void offerExamineeList(const ezr::AnalysisError& error, const QString& folder);
    void saveAsNorm();
    // "Сохранить как норму…" into the archive; false when the user keeps it in a file.
    bool savedInArchive(const QString& name, const QString& description);
    // The team's norms after the files' ones.
    void appendArchiveNorms(QStringList& titles);
    // The later of two tests of one examinee compared with a norm made of the earlier.
    void compareWithEarlierTest(const QString& laterPath, const QString& earlierPath);
    void toggleAnonymous();
    void askMinimumGroupSize();

    CommandHost& host_;
    const DoubtfulExclusion& doubtfulExclusion_; // "Исключать сомнительные ответы"
    QPointer<ExamineeListWindow> examineeList_;
    ezr::GroupChoice groupChoice_;    // the members of the group on screen
    QList<ezr::Norm> ownNorms_;       // as "Нормирование" lists them
    QSet<QString> reportedNormFiles_; // refused norm files the user has been told of
    ArchiveCommands* archive_ = nullptr;
};
