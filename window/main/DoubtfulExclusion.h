#pragma once

#include "Analysis.h"

#include <QObject>

class QAction;
class QMainWindow;

// "Исключать сомнительные ответы" under "Группа": while it is checked, a group run leaves out
// the members whose answers ask for a look (model/AnswerQuality), and its report names them.
class DoubtfulExclusion : public QObject {
    Q_OBJECT
public:
    // Adds the toggle at the end of the window's "Группа" menu.
    explicit DoubtfulExclusion(QMainWindow* window);

    bool excluding() const;
    // The members `choice` takes, less the doubtful ones while the toggle is checked.
    ezr::GroupChoice applied(ezr::GroupChoice choice) const;
    QAction* action() const { return toggle_; }

private:
    QAction* toggle_ = nullptr;
};
