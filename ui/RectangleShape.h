#pragma once

#include <QColor>
#include <QWidget>

// A filled rectangle with an outline of a given width, drawn inside its bounds.
class RectangleShape : public QWidget {
    Q_OBJECT

public:
    RectangleShape(QColor fill, QColor outline, int outlinePixels, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    QColor outline_;
    int outlinePixels_;
};
