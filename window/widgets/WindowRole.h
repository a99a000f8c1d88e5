#pragma once

class QWidget;

// A top-level QWidget that is not a QMainWindow or QDialog reads to a screen reader as a
// "filler" pane, not as a window it can switch to. Called in such a window's constructor,
// this makes every widget of that class announce itself as a window.
void announceAsWindow(QWidget* window);
