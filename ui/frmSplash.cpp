#include "ui/frmSplash.h"

#include "ui/Twips.h"

#include <QScreen>

namespace {

constexpr TwipsSize kClientArea{5160, 4215};

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(toPixels(kClientArea.width), toPixels(kClientArea.height));
    setBackgroundRole(QPalette::Window);
    if (const QScreen* screen = this->screen()) {
        move(screen->geometry().center() - rect().center());
    }
}

void frmSplash::mousePressEvent(QMouseEvent*)
{
    close();
}

void frmSplash::keyPressEvent(QKeyEvent*)
{
    close();
}
