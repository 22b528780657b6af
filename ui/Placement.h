#pragma once

#include "ui/Twips.h"

#include <QString>

// Names a control and puts it where the design places it in its container.
template <typename Control>
Control* place(Control* control, const TwipsRect& where, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(toPixels(where));
    return control;
}
