#include "app/Module1.h"
#include "app/TerminationSignals.h"
#include "ui/Clock.h"
#include "ui/Fonts.h"
#include "ui/QtDesktopServices.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // One look on every desktop, so that the designed colours show as designed.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    installFontSubstitutes();

    QtDesktopServices desktop;
    SteadyClock clock;
    frmMain* mainWindow = Module1::Main(desktop, clock, QApplication::applicationFilePath());
    closeOnTerminationSignals(mainWindow);
    return QApplication::exec();
}
