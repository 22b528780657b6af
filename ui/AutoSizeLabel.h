#pragma once

#include <QLabel>

// A label that sizes itself to its caption, keeping its left and top edges.
class AutoSizeLabel : public QLabel {
    Q_OBJECT

public:
    AutoSizeLabel(const QString& caption, QWidget* parent);

    void setCaption(const QString& caption);
};
