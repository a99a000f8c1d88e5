// The commands that save the analysis as a report or a table, and the norm on the charts.

#include "MainWindow.h"

#include "Export.h"
#include "GroupProgressDialog.h"
#include "GroupRun.h"
#include "OutputGuard.h"
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
    QString path;
    if (!askSavePath(savedOutput(format), proposedReportName(analysis_, format), path))
        return;
    if (format != ReportFormat::Txt && format != ReportFormat::Pdf)
        format = tableFormatOf(path);
    runCommand([&] {
        const WaitCursor wait;
        const ReportSnapshot snapshot{withTableRows(format), commentLines()};
        writeOutput(path, analysis_, buildReport(format, snapshot));
        // The reports end with the comment; a table does not carry it.
        if (format == ReportFormat::Txt || format == ReportFormat::Pdf)
            savedComment_ = comment_;
    });
}

AnalysisState MainWindow::withTableRows(ReportFormat format) {
    if (analysis_.kind != AnalysisKind::Group || !analysis_.members.isEmpty() ||
        groupKeepsFor(format) != GroupKeeps::TableRows)
        return analysis_;
    // The window's group keeps no rows; its folder is read again, off the window, for them.
    // Only the rows are taken: the group's own means and norm stay those shown, so the norm
    // of this second run does not matter.
    GroupProgressDialog progress(this, progressDelay_);
    const QString folder = analysis_.source;
    AnalysisState rows = runGroupOffTheWindow(this, progress, [&](const GroupProgress& report) {
        return groupAnalysis(folder, NormKind::Satisfaction, QString(), nullptr, report,
                             GroupKeeps::TableRows);
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
