#pragma once

class QWidget;

// SIGTERM and SIGINT (the session ending, `kill`, Ctrl+C in a terminal) end
// the program through its ordinary closing steps: every modal window is
// closed, and once their loops have returned `window` is closed as by File,
// Exit, so its settings are stored once. A message that the close itself
// shows is closed too: nobody is there to answer it.
void closeOnTerminationSignals(QWidget* window);
