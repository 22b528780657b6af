#include "ui/KeyWatch.h"

#include <QCoreApplication>
#include <QKeyEvent>

KeyWatch::KeyWatch(std::set<int> keys, QObject* parent)
    : QObject(parent)
    , keys_(std::move(keys))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeyWatch::heldOrPressedSinceLastLook()
{
    const bool busy = pressed_ || !held_.empty();
    pressed_ = false;
    return busy;
}

bool KeyWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (keys_.count(key->key()) && !key->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress) {
                held_.insert(key->key());
                pressed_ = true;
            } else {
                held_.erase(key->key());
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
