#pragma once

#include <QSize>

class QWidget;

// `window` at its designed size, but never beyond the area its screen leaves free of panels
// and docks, and placed inside that area: a smaller screen gets the window's scroll bars, not
// edges out of reach.
void resizeWithinScreen(QWidget* window, QSize designed);
