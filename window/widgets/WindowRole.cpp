#include "WindowRole.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QSet>
#include <QWidget>

namespace {

QSet<QString>& windowClasses() {
    static QSet<QString> classes;
    return classes;
}

QAccessibleInterface* windowFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType() || !windowClasses().contains(className))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (!widget->isWindow())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void announceAsWindow(QWidget* window) {
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    (void)installed;
    windowClasses().insert(QString::fromLatin1(window->metaObject()->className()));
}
