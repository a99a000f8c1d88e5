#pragma once

#include "MainMenu.h"

#include <QObject>
#include <QPointer>

class AnswerSheetForm;
class CommandHost;

// The main window's commands that make response files: "Новый бланк", "Открыть бланк…",
// "Импорт таблицы…". There is one answer-sheet form at a time.
class SheetCommands : public QObject {
    Q_OBJECT
public:
    // `host` outlives this object.
    SheetCommands(CommandHost& host, QObject* parent);

    // Runs `command` when it is one of the sheet commands; false otherwise.
    bool run(Command command);

private:
    void newSheet();
    void openSheet();
    void importTable();
    AnswerSheetForm* sheetForm();

    CommandHost& host_;
    QPointer<AnswerSheetForm> sheetForm_;
};
