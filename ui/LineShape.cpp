#include "ui/LineShape.h"

#include <QPainter>

LineShape::LineShape(TwipsPoint from, TwipsPoint to, int penPixels, QWidget* parent)
    : QWidget(parent)
    , from_(from)
    , to_(to)
    , penPixels_(penPixels)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    place();
}

void LineShape::setX2(int x2)
{
    to_.x = x2;
    place();
    update();
}

// The widget covers the line's bounding box widened by the pen, centred on the line.
void LineShape::place()
{
    const int before = penPixels_ / 2;
    const int after = penPixels_ - before;
    setGeometry(QRect(toPixels(from_), toPixels(to_))
                    .normalized()
                    .adjusted(-before, -before, after - 1, after - 1));
}

void LineShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, penPixels_, Qt::SolidLine, Qt::FlatCap));
    const QPoint origin = geometry().topLeft();
    painter.drawLine(toPixels(from_) - origin, toPixels(to_) - origin);
}
