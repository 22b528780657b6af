#pragma once

class QWidget;

// SIGTERM and SIGINT (the session ending, Ctrl+C in a terminal) become a close
// request to `window`, so the program ends through its ordinary closing steps.
void closeOnTerminationSignals(QWidget* window);
