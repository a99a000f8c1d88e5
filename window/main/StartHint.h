#pragma once

class QLabel;
class QWidget;

// The empty start window's one text: how to reach the commands. Quiet and centred; the
// window hides it once the menus are open.
QLabel* createStartHint(QWidget* parent);
