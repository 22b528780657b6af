#pragma once

#include <QString>
#include <QStringView>

// How numbers are written to and read from the settings file.

// Decimal digits after one blank, or after "-" when negative: " 1200", "-60".
QString numberForm(qint64 number);

// The longest decimal number at the start of `text` (leading blanks skipped, an
// optional sign, digits, an optional fractional part), rounded to the nearest
// integer with halves going to the even neighbour. No number gives 0; numbers
// beyond the 32-bit range are held at its ends.
qint32 leadingNumber(QStringView text);
