#pragma once

#include "Analysis.h"

#include <functional>

class GroupProgressDialog;
class QWidget;

// Runs a group analysis on a worker thread while the window goes on serving its events
// (painting, the progress dialog, its "Отмена"); returns when the run has ended, with its
// state, or rethrows what it threw (GroupCancelled when cancelled). The window's commands
// are disabled meanwhile, so nothing else starts before the run is over.
ezr::AnalysisState
runGroupOffTheWindow(QWidget* window, GroupProgressDialog& progress,
                     const std::function<ezr::AnalysisState(const ezr::GroupProgress&)>& run);

// The same for a run that leaves its results where it likes (the state and whatever the
// window shows of it, made off the window as well).
void runOffTheWindow(QWidget* window, GroupProgressDialog& progress,
                     const std::function<void(const ezr::GroupProgress&)>& run);

// Frees the state on a thread of its own: a group of a million members takes longer to free
// than the window may stand still.
void discardOffTheWindow(ezr::AnalysisState state);
