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
    // The keyboard has gone to another window (one closed by the press, say,
    // whose release then reaches none of the program's): a key seen going
    // down before may come up unseen, so it counts as up.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate ||
        event->type() == QEvent::ApplicationStateChange) {
        held_.clear();
        pressed_ = false;
    }
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
