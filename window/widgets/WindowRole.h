#pragma once

#include <QAccessible>

class QWidget;

// What a screen reader takes a widget for comes from its class: a top-level QWidget that is
// no QMainWindow or QDialog reads as a "filler" pane, not as a window it can switch to, and
// a painted chart as a filler too. Called in such a class's constructor, these make every
// widget of that class announce itself with the right role.
void announceAsWindow(QWidget* window);
void announceAsChart(QWidget* chart);
