#pragma once

#include <QEvent>
#include <QWidget>

#include <functional>

// Runs `painted` each time `widget` is painted, at the moment it is painted.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void()> painted)
        : painted_(std::move(painted))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted_();
        }
        return false;
    }

private:
    std::function<void()> painted_;
};
