#pragma once

class Clock;
class DesktopServices;
class QString;
class frmMain;
class frmSplash;

namespace Module1 {

// Start-up: the splash window for at most four seconds, then the main window,
// loaded and shown. The main window is destroyed when it is closed.
// `programFile` is the program's own file, beside which the settings are kept.
frmMain* Main(DesktopServices& desktop, const Clock& clock, const QString& programFile);

// Keeps the splash window up until the user closes it or four seconds have passed.
void WaitForSplash(const frmSplash& splash, const Clock& clock);

} // namespace Module1
