#include "app/Module1.h"
#include "ui/Clock.h"
#include "ui/Fonts.h"
#include "ui/QtDesktopServices.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // One look on every desktop, so that the designed colours show as designed.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    installFontSubstitutes();

    QtDesktopServices desktop;
    SteadyClock clock;
    const QPointer<frmMain> window =
        Module1::Main(desktop, clock, QApplication::applicationFilePath());
    // A window already closed while loading (a termination request) leaves no loop to run.
    return window && window->isVisible() ? QApplication::exec() : 0;
}
