#pragma once

#include <QFont>

// The designed fonts. Where "MS Sans Serif" or "Courier New" is not installed,
// Liberation Sans and Liberation Mono (same character widths as Courier New)
// stand in for them.
void installFontSubstitutes();

QFont designFont(const QString& family, qreal points, bool bold = false);

QFont sansSerif(qreal points, bool bold = false);
QFont courierNew(qreal points, bool bold = false);

// "MS Sans Serif" 8.25, the window font of every control that names no font of its own.
QFont windowFont();
