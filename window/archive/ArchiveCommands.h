#pragma once

#include "ArchiveGroups.h"
#include "ArchiveListWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <optional>

class CommandHost;

// The main window's commands on the department's archive: "Архив…" and ezr --db connect to it
// and open its list of examinees; while connected, the "Группа" commands read the archive's
// tests and norms are saved there for the team. Every question and message goes through the
// window's dialogs.
class ArchiveCommands : public QObject {
    Q_OBJECT
public:
    // `host` outlives this object.
    ArchiveCommands(CommandHost& host, QObject* parent);

    // "Архив…": asks for the connection string (the last one proposed) and opens the list;
    // an empty string goes back to the data folder.
    void chooseArchive();
    // Connects and opens the list of examinees on the archive; false, with a message shown,
    // when the archive cannot be reached.
    bool openArchive(const QString& conninfo);
    ArchiveListWindow* archiveList() const { return archiveList_; }
    // "Обследуемые" while connected: the archive's list, opened again when it was closed.
    void showList();

    // True once an archive has been opened, until the user goes back to the data folder.
    bool connected() const { return !conninfo_.isEmpty(); }
    const QString& conninfo() const { return conninfo_; }
    // A "Группа" command on the archive's tests, on a connection of its own (it may run off
    // the window's thread). Throws AnalysisError, GroupCancelled.
    ArchiveGroup runGroup(const ArchiveGroupNorm& norm, const ezr::GroupChoice& choice,
                          const ezr::GroupProgress& progress) const;
    // The archive's group now on the window's screen, from "Группа" or from the list: what a
    // table or a norm of it reads again. Forgotten when the window goes back to the folder.
    void rememberShown(ArchiveGroup group);
    // Whether `shown` is that group (known by its header and scores).
    bool isShownGroup(const ezr::AnalysisState& shown) const;
    // Its tests' numbers for the norm's member records; empty for any other group.
    QList<qint64> testsOf(const ezr::AnalysisState& shown) const;
    // Its tests read again on a connection of their own (off the window's thread), each
    // member handed to `eachMember`. Throws AnalysisError when `shown` is not that group.
    ezr::AnalysisState readAgain(const ezr::AnalysisState& shown,
                                 const ezr::GroupProgress& progress,
                                 const ezr::GroupMemberSink& eachMember) const;
    // The team's norms; throws AnalysisError.
    QList<ezr::Norm> norms() const;
    // The group's norm into the archive (see saveGroupNormInArchive); throws AnalysisError.
    void saveNorm(const ezr::AnalysisState& group, const QString& name, const QString& description,
                  const QList<qint64>& members) const;

signals:
    // Connected, disconnected, or the team's norms changed: the menu lists norms anew.
    void archiveChanged();

private:
    void disconnectArchive();

    CommandHost& host_;
    QString conninfo_;
    QPointer<ArchiveListWindow> archiveList_;
    std::optional<ArchiveGroup> shown_;
};
