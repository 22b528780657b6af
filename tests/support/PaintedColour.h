#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

// The background a widget shows, as its style paints it: a pixel inside its border on the left,
// clear of the caption.
inline QColor paintedColour(QWidget& widget)
{
    constexpr int kInsideBorder = 5;
    const QImage image = widget.grab().toImage();
    return image.pixelColor(kInsideBorder, image.height() / 2);
}
