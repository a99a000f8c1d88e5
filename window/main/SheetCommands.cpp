// The window's commands that make response files: "Новый бланк", "Открыть бланк…",
// "Импорт таблицы…".

#include "AnalysisError.h"
#include "AnswerSheetForm.h"
#include "Folders.h"
#include "ImportPreviewDialog.h"
#include "MainWindow.h"
#include "ResponseFile.h"
#include "ScreenFit.h"

using namespace ezr;

AnswerSheetForm* MainWindow::sheetForm() {
    if (!sheetForm_) {
        sheetForm_ = new AnswerSheetForm(dialogs_, dataFolder(), this);
        sheetForm_->setAttribute(Qt::WA_DeleteOnClose);
        // One sheet at a time, and no analysis changes the data folder under it.
        sheetForm_->setModal(true);
        resizeWithinScreen(sheetForm_, QSize(1000, 640));
        connect(sheetForm_, &AnswerSheetForm::openRequested, this, &MainWindow::openSheet);
    }
    return sheetForm_;
}

void MainWindow::newSheet() {
    AnswerSheetForm* form = sheetForm();
    form->show();
    form->raise();
    form->activateWindow();
}

void MainWindow::openSheet() {
    const QString path =
        dialogs_->getOpenFileName(this, {QStringLiteral("Открыть бланк для исправления"),
                                         dataFolder(), QStringLiteral("Data files (*.cry)")});
    if (path.isEmpty())
        return;
    runCommand([&] {
        const AnswerSheet sheet = readAnswerSheet(readResponseBytes(path));
        // The sheet in the form, if any, is closed first: the user may keep it unsaved.
        if (sheetForm_ && !sheetForm_->close())
            return;
        sheetForm_.clear(); // deleted once closed
        AnswerSheetForm* form = sheetForm();
        form->loadSheet(sheet, path);
        newSheet();
    });
}

void MainWindow::importTable() {
    const QString path = dialogs_->getOpenFileName(
        this, {QStringLiteral("Импорт таблицы обследуемых"), dataFolder(),
               QStringLiteral("Таблицы CSV (*.csv *.txt);;Все файлы (*)")});
    if (path.isEmpty())
        return;
    runCommand([&] {
        const QByteArray bytes = readFileBytes(path, MaxImportTableSize);
        auto* preview =
            new ImportPreviewDialog(dialogs_, parseImportTable(bytes), path, dataFolder(), this);
        preview->setAttribute(Qt::WA_DeleteOnClose);
        preview->setWindowModality(Qt::WindowModal);
        preview->show();
    });
}
