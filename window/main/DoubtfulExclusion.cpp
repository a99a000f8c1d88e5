#include "DoubtfulExclusion.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

DoubtfulExclusion::DoubtfulExclusion(QMainWindow* window) : QObject(window) {
    toggle_ = new QAction(QStringLiteral("&Исключать сомнительные ответы"), window);
    toggle_->setObjectName(QStringLiteral("mmExcludeDoubtful"));
    toggle_->setCheckable(true);
    toggle_->setStatusTip(QStringLiteral("Не включать в группу обследуемых, чьи ответы требуют "
                                         "проверки (быстрые ответы, длинные серии, пропуски)"));
    // The "Группа" menu is the main menu's; its entries are named as the legacy form names
    // them.
    if (auto* group = window->findChild<QAction*>(QStringLiteral("mmGroup"));
        group && group->menu()) {
        group->menu()->addSeparator();
        group->menu()->addAction(toggle_);
    }
}

bool DoubtfulExclusion::excluding() const {
    return toggle_->isChecked();
}

ezr::GroupChoice DoubtfulExclusion::applied(ezr::GroupChoice choice) const {
    choice.excludeDoubtful = excluding();
    return choice;
}
