#include "LatinKeys.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace {

// The letter keys of the Russian layout in the order of the Latin ones below.
const QString RussianKeys = QStringLiteral("ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ");
const QString LatinKeys = QStringLiteral("QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`");

// The Cyrillic letter after '&' in `text`, upper case, or a null QChar.
QChar mnemonicOf(const QString& text) {
    for (qsizetype at = text.indexOf(QLatin1Char('&')); at >= 0 && at + 1 < text.size();
         at = text.indexOf(QLatin1Char('&'), at + 2)) {
        if (text.at(at + 1) != QLatin1Char('&'))
            return text.at(at + 1).toUpper();
    }
    return QChar();
}

QKeySequence altWith(QChar latin) {
    return QKeySequence(Qt::ALT | Qt::Key(latin.unicode()));
}

// Inside a menu or the bar in keyboard mode, entries are chosen by the typed text: the Latin
// key's text is handed on as the Cyrillic letter on the same key.
class MenuKeyTranslator : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier) || key->text().size() != 1)
            return false;
        const QChar typed = key->text().at(0).toUpper();
        const QChar letter = cyrillicKeyOf(typed);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (letter.isNull() || !widget)
            return false;
        bool cyrillicThere = false;
        for (const QAction* action : widget->actions()) {
            const QChar own = mnemonicOf(action->text());
            if (own == typed)
                return false; // the menu's own Latin letter or digit wins
            cyrillicThere = cyrillicThere || (own == letter && action->isVisible());
        }
        if (!cyrillicThere)
            return false;
        QKeyEvent translated(QEvent::KeyPress, key->key(), key->modifiers(), QString(letter));
        return QCoreApplication::sendEvent(watched, &translated);
    }
};

void translateMenu(QMenu* menu, MenuKeyTranslator* translator) {
    menu->installEventFilter(translator);
    for (QAction* action : menu->actions())
        if (action->menu())
            translateMenu(action->menu(), translator);
}

} // namespace

QChar latinKeyOf(QChar cyrillic) {
    const qsizetype at = RussianKeys.indexOf(cyrillic.toUpper());
    return at < 0 ? QChar() : LatinKeys.at(at);
}

QChar cyrillicKeyOf(QChar latin) {
    const qsizetype at = LatinKeys.indexOf(latin.toUpper());
    return at < 0 ? QChar() : RussianKeys.at(at);
}

void answerLatinMnemonics(QMenuBar* bar) {
    auto* translator = new MenuKeyTranslator(bar);
    bar->installEventFilter(translator);
    QWidget* window = bar->window();
    for (QAction* entry : bar->actions()) {
        if (entry->menu())
            translateMenu(entry->menu(), translator);
        const QChar latin = latinKeyOf(mnemonicOf(entry->text()));
        if (latin.isNull())
            continue;
        auto* shortcut = new QShortcut(altWith(latin), window);
        QObject::connect(shortcut, &QShortcut::activated, bar, [bar, entry] {
            if (!entry->isVisible() || !entry->isEnabled())
                return;
            if (entry->menu())
                bar->setActiveAction(entry); // opens it as Alt with its letter does
            else
                entry->trigger();
        });
    }
}

void answerLatinLabelMnemonics(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        const QChar latin = latinKeyOf(mnemonicOf(label->text()));
        QWidget* buddy = label->buddy();
        if (latin.isNull() || !buddy)
            continue;
        auto* shortcut = new QShortcut(altWith(latin), window);
        QObject::connect(shortcut, &QShortcut::activated, buddy, [buddy] {
            if (buddy->isVisible() && buddy->isEnabled())
                buddy->setFocus(Qt::ShortcutFocusReason);
        });
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        const QChar latin = latinKeyOf(mnemonicOf(button->text()));
        if (latin.isNull())
            continue;
        auto* shortcut = new QShortcut(altWith(latin), window);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (!button->isVisible() || !button->isEnabled())
                return;
            button->setFocus(Qt::ShortcutFocusReason);
            button->animateClick();
        });
    }
}
