#pragma once

class QMenuBar;

// The keyboard route to the menu bar: a lone Alt (the bar's own handling) and F10. The bar
// takes the keyboard focus itself, with its first entry current; Esc, or a command chosen,
// gives the focus back to the control that had it.
//
// The bar's own Alt handling watches the key events of the window's focus widget; a window
// without any control in sight (the start screen) would get no focus widget at all, so the
// window itself takes the focus then.
void installMenuBarKeyboard(QMenuBar* bar);

// F10: the menu bar takes the keyboard, its first entry current.
void giveMenuBarTheKeyboard(QMenuBar* bar);
