#pragma once

#include "Analysis.h"
#include "Export.h"
#include "MainMenu.h"
#include "SaveDialogMemory.h"

#include <QObject>

class CommandHost;
class GroupCommands;
class QRect;

// The main window's commands that save the analysis: the text and printed reports, the table
// of every examinee, and the charts as pictures, each output with its own save dialog.
class ExportCommands : public QObject {
    Q_OBJECT
public:
    // `groups`: the group on screen and the minimum group size an output obeys; it and `host`
    // outlive this object.
    ExportCommands(CommandHost& host, GroupCommands& groups, QObject* parent);

    // Runs `command` when it saves an output; false otherwise.
    bool run(Command command);

private:
    // The text report, the printed report and the table of every examinee.
    void saveReport(ezr::ReportFormat format);
    // A group's table (CSV, workbook, SPSS, Stata) is written member by member as the folder
    // is read again.
    bool streamsTable(ezr::ReportFormat format) const;
    void writeGroupTable(ezr::ReportFormat format, const QString& path);
    // The save dialog of `output`; false when the user cancels.
    bool askSavePath(SavedOutput output, const QString& proposedName, QString& path);
    void saveProfileChart();
    void saveAnswerTimeChart();
    // What the window shows in `area` of the result panel, as a GIF picture.
    void saveControlPicture(const QRect& area, const QString& path);

    CommandHost& host_;
    GroupCommands& groups_;
    SaveDialogMemory saveDialogs_; // each output's own save dialog
};
