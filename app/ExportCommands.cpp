// The commands that take the analysis out of the program in other forms than the text
// report: the printed report, the table of every examinee, and the norm on the charts.

#include "MainWindow.h"

#include "ExamineeTable.h"
#include "Folders.h"
#include "PdfReport.h"
#include "StatisticsFile.h"
#include "VerifiedWrite.h"
#include "WaitCursor.h"

#include <QFileInfo>

using namespace ezr;

void MainWindow::savePdfReport() {
    const ReportSnapshot snapshot{analysis_.sheet, commentLines()};
    saveDialog_.filter = QStringLiteral("Отчёт PDF (*.pdf)");
    saveDialog_.directory = resultsFolder();
    QString path;
    if (!askSavePath(QStringLiteral("Сохранение отчёта анализа в файле.pdf"),
                     pdfReportFileName(snapshot.sheet), path))
        return;
    runCommand([&] { writeFileVerified(path, buildPdfReport(snapshot, analysis_.data)); });
}

void MainWindow::saveTable() {
    saveDialog_.filter = QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv);;"
                                        "Данные SPSS (*.sav);;Данные Stata (*.dta)");
    saveDialog_.directory = resultsFolder();
    saveDialog_.suffixFromFilter = true;
    QString path;
    const bool chosen = askSavePath(QStringLiteral("Сохранение таблицы обследуемых"),
                                    tableFileName(analysis_.sheet, QStringLiteral("xlsx")), path);
    saveDialog_.suffixFromFilter = false;
    if (!chosen)
        return;
    // The dialog gives the name the extension of the filter chosen in it; any other
    // extension is a workbook.
    const QString suffix = QFileInfo(path).suffix().toLower();
    runCommand([&] {
        const WaitCursor wait;
        QByteArray bytes;
        if (suffix == QLatin1String("csv"))
            bytes = buildRegionalCsv(examineeTable(analysis_));
        else if (suffix == statisticsExtension(StatisticsFormat::Spss))
            bytes = buildStatisticsFile(analysis_, StatisticsFormat::Spss);
        else if (suffix == statisticsExtension(StatisticsFormat::Stata))
            bytes = buildStatisticsFile(analysis_, StatisticsFormat::Stata);
        else
            bytes = buildExamineeXlsx(analysis_);
        writeFileVerified(path, bytes);
    });
}

void MainWindow::toggleNorm() {
    menuState_.normShown = !menuState_.normShown;
    menu_->update(menuState_);
    panel_->profileCharts()->setNormShown(menuState_.normShown);
}
