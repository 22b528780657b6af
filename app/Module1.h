#pragma once

class Clock;
class DesktopServices;
class frmMain;
class frmSplash;

namespace Module1 {

// Start-up: the splash window for at most four seconds, then the main window,
// loaded and shown. The main window is destroyed when it is closed.
frmMain* Main(DesktopServices& desktop, const Clock& clock);

// Keeps the splash window up until the user closes it or four seconds have passed.
void WaitForSplash(const frmSplash& splash, const Clock& clock);

} // namespace Module1
