#pragma once

#include "ui/Twips.h"

#include <QtGlobal>

class QWidget;

// A window's state as a number: 0 normal, 1 minimised, 2 maximised.
qint16 windowStateValue(const QWidget& window);
void setWindowStateValue(QWidget& window, qint16 state);

WindowPlacement windowPlacement(const QWidget& window);
void moveWindowTo(QWidget& window, qint32 top, qint32 left);
