#pragma once

#include <QString>

// The serial number of a send: the typed text without blanks at either end,
// padded on the left with "0" to 16 characters when shorter. Any characters
// are accepted.
QString serialNumberOfRun(const QString& typed);

// Where "{{SN}}" (in any letter case) first stands in `line`, or -1.
qsizetype placeholderPosition(const QString& line);

// `line` as it goes out: from the placeholder on, everything is replaced by
// the serial number, so text after "{{SN}}" is not sent; a character that the
// wire cannot carry (WireText.h) is the "?" that goes out in its place.
QString lineAsSent(const QString& line, const QString& serialNumber);
