#pragma once

#include "ArchiveListWindow.h"

#include <QObject>
#include <QPointer>

class CommandHost;

// The main window's commands on the department's archive: "Группа", "Архив…" and ezr --db.
class ArchiveCommands : public QObject {
    Q_OBJECT
public:
    // `host` outlives this object.
    ArchiveCommands(CommandHost& host, QObject* parent);

    // "Архив…": asks for the connection string (the last one proposed) and opens the list.
    void chooseArchive();
    // The list of examinees on the archive; false, with a message shown, when the archive
    // cannot be reached.
    bool openArchive(const QString& conninfo);
    ArchiveListWindow* archiveList() const { return archiveList_; }

private:
    CommandHost& host_;
    QPointer<ArchiveListWindow> archiveList_;
};
