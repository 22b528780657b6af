#include "ui/WindowPlacement.h"

#include "ui/Twips.h"

#include <QWidget>

qint16 windowStateValue(const QWidget& window)
{
    if (window.isMinimized()) {
        return 1;
    }
    return window.isMaximized() ? 2 : 0;
}

void setWindowStateValue(QWidget& window, qint16 state)
{
    Qt::WindowStates states = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1) {
        states |= Qt::WindowMinimized;
    } else if (state == 2) {
        states |= Qt::WindowMaximized;
    }
    window.setWindowState(states);
}

WindowPlacement windowPlacement(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    return {toTwips(frame.top()), toTwips(frame.left()), toTwips(frame.width()),
            toTwips(frame.height())};
}

void moveWindowTo(QWidget& window, qint32 top, qint32 left)
{
    window.move(toPixels(left), toPixels(top));
}
