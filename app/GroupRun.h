#pragma once

#include "Analysis.h"

#include <functional>

class GroupProgressDialog;
class QWidget;

// Runs a group analysis on a worker thread while the window goes on serving its events
// (painting, the progress dialog, its "Отмена"); returns when the run has ended, with its
// state, or rethrows what it threw (GroupCancelled when cancelled). The window's commands
// are disabled meanwhile, so nothing else starts before the run is over.
ezr::AnalysisState runGroupOffTheWindow(
    QWidget* window, GroupProgressDialog& progress,
    const std::function<ezr::AnalysisState(const ezr::GroupProgress&)>& run);
