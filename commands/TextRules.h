#pragma once

#include <QString>

// The text in upper case, one character for one, so that a position found in
// it is the same position in the original (QString::toUpper turns "ß" into "SS").
QString upperCase(const QString& text);

// The text without blanks (spaces only) at either end.
QString trimmedBlanks(const QString& text);
