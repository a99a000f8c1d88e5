#pragma once

#include "Analysis.h"
#include "GroupStatistics.h"
#include "StatisticsDialog.h"
#include "StatisticsTable.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>

class ExamineeListWindow;
class QWidget;

// "Статистика": the group on screen against its norm, and from the list of examinees one
// selection against another, each in a dialog of its own.
class StatisticsCommands : public QObject {
    Q_OBJECT
public:
    // `shown` gives the analysis on screen.
    StatisticsCommands(QWidget* window, std::function<const ezr::AnalysisState&()> shown,
                       int progressDelay);

    // The group on screen against the norm it is compared with.
    void showGroupStatistics();
    // The list's commands: remember the selection as the first group, compare a selection
    // with it.
    void attachTo(ExamineeListWindow* list);
    void rememberSelection();
    void compareSelection();

    // The dialog shown last (for tests and screenshots).
    StatisticsDialog* lastDialog() const { return dialog_; }

private:
    // The members of `fileNames` in `folder`, read off the window.
    QList<ezr::CellValues> membersOf(const QString& folder, const QSet<QString>& fileNames);
    void show(const ezr::StatisticsReport& report);
    void fail(const QString& message);

    QWidget* window_;
    std::function<const ezr::AnalysisState&()> shown_;
    int progressDelay_;
    QPointer<ExamineeListWindow> list_;
    QString firstFolder_;
    QSet<QString> firstFiles_;
    QPointer<StatisticsDialog> dialog_;
};
