#include "app/Module1.h"

#include "app/TerminationSignals.h"
#include "ui/EventWait.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <memory>

namespace Module1 {

frmMain* Main(DesktopServices& desktop, const Clock& clock, const QString& programFile)
{
    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    WaitForSplash(*splash, clock);
    splash.reset();

    auto* main = new frmMain(desktop, clock, programFile);
    main->setAttribute(Qt::WA_DeleteOnClose);
    // From here on a termination request closes the window, also while loading
    // waits in a dialog for a command file.
    closeOnTerminationSignals(main);
    storeSettingsAtExit(main);
    main->Form_Load();
    main->Form_Activate();
    return main;
}

void WaitForSplash(const frmSplash& splash, const Clock& clock)
{
    using namespace std::chrono_literals;
    const Clock::time_point deadline = clock.now() + 4s;
    processEventsUntil(clock, deadline, [&splash] { return !splash.isVisible(); });
}

} // namespace Module1
