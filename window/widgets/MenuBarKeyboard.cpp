#include "MenuBarKeyboard.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

namespace {

// Gives the focus back once the bar has no current entry and no open menu any more.
class FocusReturn : public QObject {
public:
    explicit FocusReturn(QMenuBar* bar) : QObject(bar), bar_(bar) {
        setObjectName(QStringLiteral("menuBarFocusReturn"));
        bar->installEventFilter(this);
        connect(bar, &QMenuBar::triggered, this,
                [this] { QTimer::singleShot(0, this, [this] { check(); }); });
    }
    void remember(QWidget* widget) {
        if (widget && widget != bar_)
            before_ = widget;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            QTimer::singleShot(0, this, [this] { check(); });
        return false;
    }

private:
    void check() {
        if (!bar_->hasFocus() || bar_->activeAction() || QApplication::activePopupWidget())
            return;
        QWidget* back = before_ ? before_.data() : bar_->window();
        back->setFocus(Qt::MenuBarFocusReason);
    }

    QMenuBar* bar_;
    QPointer<QWidget> before_;
};

} // namespace

void installMenuBarKeyboard(QMenuBar* bar) {
    QWidget* window = bar->window();
    if (window->focusPolicy() == Qt::NoFocus)
        window->setFocusPolicy(Qt::ClickFocus);
    new FocusReturn(bar);
}

void giveMenuBarTheKeyboard(QMenuBar* bar) {
    QAction* first = nullptr;
    for (QAction* action : bar->actions()) {
        if (action->isVisible() && action->isEnabled() && !action->isSeparator()) {
            first = action;
            break;
        }
    }
    if (!first)
        return;
    QObject* child =
        bar->findChild<QObject*>(QStringLiteral("menuBarFocusReturn"), Qt::FindDirectChildrenOnly);
    if (auto* back = dynamic_cast<FocusReturn*>(child))
        back->remember(QApplication::focusWidget());
    bar->setFocus(Qt::MenuBarFocusReason);
    bar->setActiveAction(first);
}
