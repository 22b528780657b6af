#pragma once

#include "ui/Twips.h"

#include <QWidget>

// A straight black line between two points of its container, in twips.
class LineShape : public QWidget {
    Q_OBJECT

public:
    LineShape(TwipsPoint from, TwipsPoint to, int penPixels, QWidget* parent);

    TwipsPoint from() const { return from_; }
    TwipsPoint to() const { return to_; }
    void setX2(int x2);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void place();

    TwipsPoint from_;
    TwipsPoint to_;
    int penPixels_;
};
