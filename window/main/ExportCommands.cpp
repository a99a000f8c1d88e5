// The commands that save the analysis as a report, a table or a picture.

#include "ExportCommands.h"

#include "Anonymity.h"
#include "CommandHost.h"
#include "Export.h"
#include "GifPicture.h"
#include "GroupCommands.h"
#include "GroupProgressDialog.h"
#include "GroupRun.h"
#include "GroupTable.h"
#include "OutputGuard.h"
#include "OutputNames.h"
#include "OutputSettings.h"
#include "ResultPanel.h"
#include "UserDialogs.h"
#include "WaitCursor.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace ezr;

namespace {

SavedOutput savedOutput(ReportFormat format) {
    switch (format) {
    case ReportFormat::Txt:
        return SavedOutput::TextReport;
    case ReportFormat::Pdf:
        return SavedOutput::PdfReport;
    case ReportFormat::Xlsx:
    case ReportFormat::Csv:
    case ReportFormat::Sav:
    case ReportFormat::Dta:
        break;
    }
    return SavedOutput::Table;
}

// The table's format, as its name says: the dialog keeps a name that ends in a table's
// extension and gives any other the extension of the filter chosen in it.
ReportFormat tableFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const ReportFormat format : {ReportFormat::Csv, ReportFormat::Sav, ReportFormat::Dta})
        if (suffix == formatExtension(format))
            return format;
    return ReportFormat::Xlsx;
}

} // namespace

ExportCommands::ExportCommands(CommandHost& host, GroupCommands& groups, QObject* parent)
    : QObject(parent), host_(host), groups_(groups) {}

bool ExportCommands::run(Command command) {
    switch (command) {
    case Command::SaveReport:
        saveReport(ReportFormat::Txt);
        return true;
    case Command::SavePdfReport:
        saveReport(ReportFormat::Pdf);
        return true;
    case Command::SaveTable:
        saveReport(ReportFormat::Xlsx);
        return true;
    case Command::SaveProfileChart:
        saveProfileChart();
        return true;
    case Command::SaveAnswerTimeChart:
        saveAnswerTimeChart();
        return true;
    default:
        return false;
    }
}

void ExportCommands::saveReport(ReportFormat format) {
    if (groups_.groupOutputRefused())
        return;
    QString path;
    if (!askSavePath(savedOutput(format), proposedReportName(host_.analysis(), format), path))
        return;
    if (format != ReportFormat::Txt && format != ReportFormat::Pdf)
        format = tableFormatOf(path);
    if (streamsTable(format)) {
        host_.runCommand([&] {
            const WaitCursor wait;
            writeGroupTable(format, path);
        });
        return;
    }
    host_.runCommand([&] {
        const WaitCursor wait;
        ReportSnapshot snapshot{host_.analysis(), host_.commentLines()};
        snapshot.anonymous = host_.menuState().anonymous;
        snapshot.minimumGroupSize = minimumGroupSize();
        writeOutput(path, host_.analysis(), buildReport(format, snapshot));
        // The reports end with the comment; a table does not carry it.
        if (format == ReportFormat::Txt || format == ReportFormat::Pdf)
            host_.markCommentSaved();
    });
}

bool ExportCommands::streamsTable(ReportFormat format) const {
    return host_.analysis().kind == AnalysisKind::Group && host_.analysis().members.isEmpty() &&
           isGroupTableFormat(format);
}

void ExportCommands::writeGroupTable(ReportFormat format, const QString& path) {
    // The window's group keeps no rows: its folder or its archive tests are read again, off
    // the window, and each member written as it is read, so that a group of any size costs one
    // row at a time. The group's means and norm stay those shown; the members are those of the
    // group on screen.
    const bool anonymous = host_.menuState().anonymous;
    const AnalysisState& analysis = host_.analysis();
    const AnalysisState shown = anonymous ? anonymousAnalysis(analysis) : analysis;
    GroupProgressDialog progress(host_.dialogParent(), host_.progressDelay());
    GroupTableRun table;
    table.format = format;
    table.norm = analysis.comparison.norm;
    table.anonymous = anonymous;
    table.shown = analysis;
    runOffTheWindow(host_.dialogParent(), progress, [&](const GroupProgress& report) {
        table.read = [&](const GroupMemberSink& eachMember) {
            return groups_.readGroupAgain(analysis, report, eachMember);
        };
        writeOutput(path, shown, [&](ByteSink& sink) { ezr::writeGroupTable(table, sink); });
    });
}

bool ExportCommands::askSavePath(SavedOutput output, const QString& proposedName, QString& path) {
    path = host_.dialogs().getSaveFileName(
        host_.dialogParent(),
        saveDialogs_.request(output, proposedName, host_.folders().resultsFolder()));
    if (path.isEmpty())
        return false;
    saveDialogs_.remember(output, path);
    return true;
}

void ExportCommands::saveProfileChart() {
    if (groups_.groupOutputRefused())
        return;
    QString path;
    if (askSavePath(SavedOutput::ProfilePicture,
                    proposedFileName(ChartPicture::Profile, host_.analysis().header.code,
                                     host_.analysis().kind != AnalysisKind::Group),
                    path))
        saveControlPicture(host_.panel().profileChartsArea(), path);
}

void ExportCommands::saveAnswerTimeChart() {
    QString path;
    if (askSavePath(SavedOutput::AnswerTimePicture,
                    proposedFileName(ChartPicture::AnswerTime, host_.analysis().header.code, true),
                    path))
        saveControlPicture(host_.panel().answerTimeChartArea(), path);
}

void ExportCommands::saveControlPicture(const QRect& area, const QString& path) {
    // Let the part of the window the dialog covered repaint before the picture is taken.
    QCoreApplication::processEvents();
    host_.runCommand([&] {
        // What the window shows in the chart's rectangle, whatever lies in front there.
        writeOutput(path, host_.analysis(), encodeGif(host_.panel().grab(area).toImage()));
    });
}
