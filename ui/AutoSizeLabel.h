#pragma once

#include <QLabel>

#include <optional>

// A label that sizes itself to its caption, keeping its top edge and either its
// left edge or, for a label centred in its window, its centre.
class AutoSizeLabel : public QLabel {
    Q_OBJECT

public:
    AutoSizeLabel(const QString& caption, QWidget* parent);

    void setCaption(const QString& caption);
    // From now on the label grows and shrinks about its present centre.
    void keepCentre();

private:
    std::optional<int> centreX_;
};
