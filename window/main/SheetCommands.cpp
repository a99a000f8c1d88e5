// The window's commands that make response files: "Новый бланк", "Открыть бланк…",
// "Импорт таблицы…".

#include "SheetCommands.h"

#include "AnalysisError.h"
#include "AnswerSheetForm.h"
#include "CommandHost.h"
#include "Folders.h"
#include "ImportFile.h"
#include "ImportPreviewDialog.h"
#include "ResponseFile.h"
#include "ScreenFit.h"
#include "UserDialogs.h"

using namespace ezr;

SheetCommands::SheetCommands(CommandHost& host, QObject* parent) : QObject(parent), host_(host) {}

bool SheetCommands::run(Command command) {
    switch (command) {
    case Command::NewSheet:
        newSheet();
        return true;
    case Command::OpenSheet:
        openSheet();
        return true;
    case Command::ImportTable:
        importTable();
        return true;
    default:
        return false;
    }
}

AnswerSheetForm* SheetCommands::sheetForm() {
    if (!sheetForm_) {
        sheetForm_ =
            new AnswerSheetForm(&host_.dialogs(), host_.dataFolder(), host_.dialogParent());
        sheetForm_->setAttribute(Qt::WA_DeleteOnClose);
        // One sheet at a time, and no analysis changes the data folder under it.
        sheetForm_->setModal(true);
        resizeWithinScreen(sheetForm_, QSize(1000, 640));
        connect(sheetForm_, &AnswerSheetForm::openRequested, this, &SheetCommands::openSheet);
    }
    return sheetForm_;
}

void SheetCommands::newSheet() {
    AnswerSheetForm* form = sheetForm();
    form->show();
    form->raise();
    form->activateWindow();
}

void SheetCommands::openSheet() {
    const QString path = host_.dialogs().getOpenFileName(
        host_.dialogParent(), {QStringLiteral("Открыть бланк для исправления"), host_.dataFolder(),
                               QStringLiteral("Data files (*.cry)")});
    if (path.isEmpty())
        return;
    host_.runCommand([&] {
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

void SheetCommands::importTable() {
    const QString path = host_.dialogs().getOpenFileName(
        host_.dialogParent(),
        {QStringLiteral("Импорт таблицы обследуемых"), host_.dataFolder(),
         QStringLiteral("Таблицы (*.csv *.txt *.xlsx *.ods);;Все файлы (*)")});
    if (path.isEmpty())
        return;
    host_.runCommand([&] {
        auto* preview = new ImportPreviewDialog(&host_.dialogs(), openImportTable(path), path,
                                                host_.dataFolder(), host_.dialogParent());
        preview->setAttribute(Qt::WA_DeleteOnClose);
        preview->setWindowModality(Qt::WindowModal);
        preview->show();
    });
}
