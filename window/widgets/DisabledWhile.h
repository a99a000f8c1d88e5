#pragma once

#include <QList>
#include <QPointer>

// Every enabled one of `objects` (actions, buttons) off for as long as this lives, and back on
// however the work ends; those enabled or deleted meanwhile are left as they are.
template <class Object> class DisabledWhile {
public:
    explicit DisabledWhile(const QList<Object*>& objects) {
        for (Object* object : objects)
            if (object->isEnabled()) {
                object->setEnabled(false);
                off_.append(object);
            }
    }
    ~DisabledWhile() {
        for (const QPointer<Object>& object : std::as_const(off_))
            if (object)
                object->setEnabled(true);
    }
    DisabledWhile(const DisabledWhile&) = delete;
    DisabledWhile& operator=(const DisabledWhile&) = delete;

private:
    QList<QPointer<Object>> off_;
};
