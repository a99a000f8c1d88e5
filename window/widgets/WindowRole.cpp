#include "WindowRole.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace {

QHash<QString, QAccessible::Role>& classRoles() {
    static QHash<QString, QAccessible::Role> roles;
    return roles;
}

QAccessibleInterface* roleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    const auto role = classRoles().constFind(className);
    if (role == classRoles().constEnd())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (*role == QAccessible::Window && !widget->isWindow())
        return nullptr;
    return new QAccessibleWidget(widget, *role);
}

void announce(QWidget* widget, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(roleFactory);
        return true;
    }();
    (void)installed;
    classRoles().insert(QString::fromLatin1(widget->metaObject()->className()), role);
}

} // namespace

void announceAsWindow(QWidget* window) {
    announce(window, QAccessible::Window);
}

void announceAsChart(QWidget* chart) {
    announce(chart, QAccessible::Chart);
}
