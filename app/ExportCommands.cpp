// The commands that take the analysis out of the program in other forms than the text
// report: the printed report, the table of every examinee, and the norm on the charts.

#include "UnitMEL.h"

#include "ExamineeTable.h"
#include "PdfReport.h"
#include "VerifiedWrite.h"

#include <QAction>
#include <QFileInfo>

using namespace ezr;

namespace {

const QString XlsxFilter = QStringLiteral("Книга Excel (*.xlsx)");
const QString CsvFilter = QStringLiteral("Текст CSV (*.csv)");

} // namespace

void TForm1::createExportActions() {
    mmSavePdf = new QAction(QStringLiteral("Отчёт PDF"), this);
    mmSavePdf->setObjectName(QStringLiteral("mmSavePdf"));
    connect(mmSavePdf, &QAction::triggered, this, &TForm1::mmSavePdfClick);

    mmSaveTable = new QAction(QStringLiteral("Таблица…"), this);
    mmSaveTable->setObjectName(QStringLiteral("mmSaveTable"));
    connect(mmSaveTable, &QAction::triggered, this, &TForm1::mmSaveTableClick);

    // Off at start: the charts and their pictures stay as they have always been.
    mmShowNorm = new QAction(QStringLiteral("Показать норму"), this);
    mmShowNorm->setObjectName(QStringLiteral("mmShowNorm"));
    mmShowNorm->setCheckable(true);
    mmShowNorm->setChecked(false);
    connect(mmShowNorm, &QAction::toggled, this, &TForm1::mmShowNormClick);
}

void TForm1::mmSavePdfClick() {
    const ReportSnapshot snapshot{sheetFromWidgets(), commentLines()};
    SaveDialog.title = QStringLiteral("Сохранение отчёта анализа в файле.pdf");
    SaveDialog.fileName = pdfReportFileName(snapshot.sheet);
    SaveDialog.filter = QStringLiteral("Отчёт PDF (*.pdf)");
    SaveDialog.directory = ExeDir + QStringLiteral("Results");
    const QString path = dialogs_->getSaveFileName(this, SaveDialog);
    if (path.isEmpty())
        return;
    SaveDialog.fileName = path;
    runSaveCommand([&] { writeFileVerified(path, buildPdfReport(snapshot, state_.data)); });
}

void TForm1::mmSaveTableClick() {
    const AnalysisState state = stateFromWidgets();
    SaveDialog.title = QStringLiteral("Сохранение таблицы обследуемых");
    SaveDialog.fileName = tableFileName(state.sheet, QStringLiteral("xlsx"));
    SaveDialog.filter = XlsxFilter + QStringLiteral(";;") + CsvFilter;
    SaveDialog.directory = ExeDir + QStringLiteral("Results");
    SaveDialog.suffixFromFilter = true;
    const QString path = dialogs_->getSaveFileName(this, SaveDialog);
    SaveDialog.suffixFromFilter = false;
    if (path.isEmpty())
        return;
    SaveDialog.fileName = path;
    // The dialog gives the name the extension of the filter chosen in it.
    const bool csv =
        QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    runSaveCommand([&] {
        writeFileVerified(path,
                          csv ? buildRegionalCsv(examineeTable(state)) : buildExamineeXlsx(state));
    });
}

void TForm1::mmShowNormClick(bool shown) {
    paChart->setNormShown(shown);
}
