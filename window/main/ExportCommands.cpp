// The commands that save the analysis as a report or a table, and the norm on the charts.

#include "MainWindow.h"

#include "Anonymity.h"
#include "ExamineeTable.h"
#include "Export.h"
#include "GroupProgressDialog.h"
#include "GroupRun.h"
#include "OutputGuard.h"
#include "OutputSettings.h"
#include "WaitCursor.h"

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

void MainWindow::saveReport(ReportFormat format) {
    if (groupOutputRefused())
        return;
    QString path;
    if (!askSavePath(savedOutput(format), proposedReportName(analysis_, format), path))
        return;
    if (format != ReportFormat::Txt && format != ReportFormat::Pdf)
        format = tableFormatOf(path);
    if (streamsTable(format)) {
        runCommand([&] {
            const WaitCursor wait;
            writeGroupTable(format, path);
        });
        return;
    }
    runCommand([&] {
        const WaitCursor wait;
        ReportSnapshot snapshot{withTableRows(format), commentLines()};
        snapshot.anonymous = menuState_.anonymous;
        snapshot.minimumGroupSize = minimumGroupSize();
        writeOutput(path, analysis_, buildReport(format, snapshot));
        // The reports end with the comment; a table does not carry it.
        if (format == ReportFormat::Txt || format == ReportFormat::Pdf)
            savedComment_ = comment_;
    });
}

bool MainWindow::streamsTable(ReportFormat format) const {
    return analysis_.kind == AnalysisKind::Group && analysis_.members.isEmpty() &&
           (format == ReportFormat::Csv || format == ReportFormat::Xlsx);
}

void MainWindow::writeGroupTable(ReportFormat format, const QString& path) {
    // The window's group keeps no rows: its folder is read again, off the window, and each
    // member written as it is read, so that a group of any size costs one row at a time. The
    // group's means and norm stay those shown; the members are those of the group on screen.
    const bool anonymous = menuState_.anonymous;
    const AnalysisState shown = anonymous ? anonymousAnalysis(analysis_) : analysis_;
    GroupProgressDialog progress(this, progressDelay_);
    runOffTheWindow(this, progress, [&](const GroupProgress& report) {
        writeOutput(path, shown, [&](ByteSink& sink) {
            const std::unique_ptr<ExamineeTableWriter> table =
                examineeTableWriter(format, sink, shown.comparison.norm);
            GroupMemberSink add = [&](const GroupMember& member) {
                addGroupMember(*table, member);
            };
            groupAnalysis(shown.source, NormKind::Satisfaction, QString(), nullptr, report,
                          GroupKeeps::Names, groupChoice_,
                          anonymous ? anonymousMembers(std::move(add)) : std::move(add));
            table->finish(shown);
        });
    });
}

AnalysisState MainWindow::withTableRows(ReportFormat format) {
    if (analysis_.kind != AnalysisKind::Group || !analysis_.members.isEmpty() ||
        groupKeepsFor(format) != GroupKeeps::TableRows)
        return analysis_;
    // The window's group keeps no rows; its folder is read again, off the window, for them.
    // Only the rows are taken: the group's own means and norm stay those shown, so the norm
    // of this second run does not matter, its members are those of the group on screen.
    GroupProgressDialog progress(this, progressDelay_);
    const QString folder = analysis_.source;
    AnalysisState rows = runGroupOffTheWindow(this, progress, [&](const GroupProgress& report) {
        return groupAnalysis(folder, NormKind::Satisfaction, QString(), nullptr, report,
                             GroupKeeps::TableRows, groupChoice_);
    });
    AnalysisState state = analysis_;
    state.members = std::move(rows.members);
    return state;
}

void MainWindow::toggleNorm() {
    menuState_.normShown = !menuState_.normShown;
    menu_->update(menuState_);
    panel_->setNormShown(menuState_.normShown);
}
