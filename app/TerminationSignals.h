#pragma once

class QWidget;
class frmMain;

// SIGTERM, SIGHUP and SIGINT (the session ending, which sends the first two
// at once, `kill`, a terminal closed, Ctrl+C) end the program through its
// ordinary closing steps: every modal window is closed, and once their loops
// have returned `window` is closed as by File, Exit, so its settings are
// stored once. A message that the close itself shows is closed too: nobody is
// there to answer it. SIGQUIT keeps its own meaning, an end with a core dump
// for a developer to look at.
void closeOnTerminationSignals(QWidget* window);

// When the display goes (the X server ended with the session, its connection
// broke), Qt ends the program at once through exit(), from inside the event
// loop, and no window can be closed any more. Then `window`, unless it was
// closed already, closes its port and stores its settings as its close would.
void storeSettingsAtExit(frmMain* window);
