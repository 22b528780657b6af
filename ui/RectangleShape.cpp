#include "ui/RectangleShape.h"

#include <QPainter>

RectangleShape::RectangleShape(QColor fill, QColor outline, int outlinePixels, QWidget* parent)
    : QWidget(parent)
    , fill_(fill)
    , outline_(outline)
    , outlinePixels_(outlinePixels)
{
}

void RectangleShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), outline_);
    const int inset = outlinePixels_;
    painter.fillRect(rect().adjusted(inset, inset, -inset, -inset), fill_);
}
