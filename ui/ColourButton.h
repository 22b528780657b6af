#pragma once

#include <QColor>
#include <QPushButton>

// A push button painted in a background colour of its own, in any widget style.
class ColourButton : public QPushButton {
    Q_OBJECT

public:
    ColourButton(const QString& caption, QColor backColor, QWidget* parent);

    void setBackColor(QColor colour);
};
