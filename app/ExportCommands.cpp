// The commands that take the analysis out of the program in other forms than the text
// report: the printed report, the table of every examinee, and the norm on the charts.

#include "MainWindow.h"

#include "ExamineeTable.h"
#include "Folders.h"
#include "OutputGuard.h"
#include "OutputNames.h"
#include "PdfReport.h"

#include <QFileInfo>

using namespace ezr;

void MainWindow::savePdfReport() {
    const ReportSnapshot snapshot{analysis_.sheet, commentLines()};
    saveDialog_.filter = QStringLiteral("Отчёт PDF (*.pdf)");
    saveDialog_.directory = resultsFolder();
    QString path;
    if (!askSavePath(
            QStringLiteral("Сохранение отчёта анализа в файле.pdf"),
            proposedFileName(ReportFormat::Pdf, snapshot.sheet.code, snapshot.sheet.isIndividual()),
            path))
        return;
    runCommand([&] { writeOutput(path, analysis_, buildPdfReport(snapshot, analysis_.data)); });
}

void MainWindow::saveTable() {
    saveDialog_.filter = QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv)");
    saveDialog_.directory = resultsFolder();
    saveDialog_.suffixFromFilter = true;
    QString path;
    const bool chosen = askSavePath(
        QStringLiteral("Сохранение таблицы обследуемых"),
        proposedFileName(ReportFormat::Xlsx, analysis_.sheet.code, analysis_.sheet.isIndividual()),
        path);
    saveDialog_.suffixFromFilter = false;
    if (!chosen)
        return;
    // The dialog gives the name the extension of the filter chosen in it.
    const bool csv =
        QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    runCommand([&] {
        writeOutput(path, analysis_,
                    csv ? buildRegionalCsv(examineeTable(analysis_))
                        : buildExamineeXlsx(analysis_));
    });
}

void MainWindow::toggleNorm() {
    menuState_.normShown = !menuState_.normShown;
    menu_->update(menuState_);
    panel_->profileCharts()->setNormShown(menuState_.normShown);
}
