#pragma once

#include <QChar>
#include <QObject>

class QMenuBar;
class QWidget;

// The Russian letters of the menus and labels are typed with the Russian keyboard layout;
// under a Latin layout the same keys give Latin letters. So that Alt+С opens "Сохранить"
// whatever layout is active, each Cyrillic mnemonic also answers the key it lies on in the
// ЙЦУКЕН layout (С on C, Н on Y, П on G).

// The character the Latin layout gives on the key that carries `cyrillic` (upper case), or
// a null QChar for a character off the Russian letter keys.
QChar latinKeyOf(QChar cyrillic);
// The Cyrillic letter (upper case) on the key that gives `latin` under the Latin layout.
QChar cyrillicKeyOf(QChar latin);

// The menus of `bar`: Alt with the Latin key opens a top-level entry, and inside an open menu
// (or the bar in keyboard mode) the Latin key chooses the entry, unless the menu has an entry
// whose own letter is that Latin key.
void answerLatinMnemonics(QMenuBar* bar);

// The labels with a buddy and the buttons of `window` that carry a Cyrillic mnemonic: Alt
// with the Latin key does what Alt with the Cyrillic letter does.
void answerLatinLabelMnemonics(QWidget* window);
