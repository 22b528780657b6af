#pragma once

#include <QtGlobal>

class QWidget;

// A window's state as a number: 0 normal, 1 minimised, 2 maximised.
qint16 windowStateValue(const QWidget& window);
void setWindowStateValue(QWidget& window, qint16 state);

// The outer edges of a window (its frame included), in twips.
struct WindowPlacement {
    qint32 top = 0;
    qint32 left = 0;
    qint32 width = 0;
    qint32 height = 0;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

WindowPlacement windowPlacement(const QWidget& window);
void moveWindowTo(QWidget& window, qint32 top, qint32 left);
