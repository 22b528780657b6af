#pragma once

#include "ui/Twips.h"

#include <QString>

// The "Settings" value of a window: top, left, width and height in twips.

// Section of the settings file that holds a window's placement.
QString windowSection(const QString& windowName);

// " 1200, 1500, 9555, 6930": each number in the number form, joined by ",".
QString formSettingsValue(const WindowPlacement& placement);

// Reads a value that holds a ",". After each "," one character is passed over
// (the blank, or the "-", that the number form puts in front of a number).
// Numbers that are missing read as 0.
WindowPlacement parseFormSettings(const QString& value);

// Keeps a placement on a screen of the given size (twips).
WindowPlacement fitToScreen(WindowPlacement placement, TwipsSize screen);
