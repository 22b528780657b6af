#include "ui/ColourButton.h"

ColourButton::ColourButton(const QString& caption, QColor backColor, QWidget* parent)
    : QPushButton(caption, parent)
{
    setBackColor(backColor);
}

void ColourButton::setBackColor(QColor colour)
{
    // A style sheet with a background colour alone lets styles such as Fusion
    // paint a gradient over it; with a border of its own the colour is painted flat.
    setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid #606060;"
                                 " border-radius: 3px; }"
                                 "QPushButton:focus { border: 2px solid #000000; }"
                                 "QPushButton:pressed { border: 2px inset #404040; }"
                                 "QPushButton:disabled { color: #787878; }")
                      .arg(colour.name()));
}
