#include "ui/AutoSizeLabel.h"

AutoSizeLabel::AutoSizeLabel(const QString& caption, QWidget* parent)
    : QLabel(caption, parent)
{
    // A caption such as " Driver: " keeps its blanks and shows no access key.
    setTextFormat(Qt::PlainText);
}

void AutoSizeLabel::setCaption(const QString& caption)
{
    setText(caption);
    const QSize size = sizeHint();
    if (centreX_) {
        move(*centreX_ - size.width() / 2, y());
    }
    resize(size);
}

void AutoSizeLabel::keepCentre()
{
    centreX_ = x() + width() / 2;
}
