#include "ScreenFit.h"

#include <QScreen>
#include <QWidget>

void resizeWithinScreen(QWidget* window, QSize designed) {
    const QScreen* screen = window->screen();
    if (!screen) {
        window->resize(designed);
        return;
    }
    const QRect free = screen->availableGeometry();
    // The window manager's frame (title bar, borders) takes its part of the free area too.
    const QSize frame(16, 40);
    window->resize(designed.boundedTo(free.size() - frame));
    QRect placed(window->pos(), window->size() + frame);
    if (!free.contains(placed)) {
        placed.moveCenter(free.center());
        window->move(placed.topLeft().x() < free.left() ? free.left() : placed.left(),
                     placed.top() < free.top() ? free.top() : placed.top());
    }
}
