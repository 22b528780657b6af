#pragma once

class QDialog;

// Every modal window of the program runs its loop through here, so that a
// termination request can close them all and knows when their loops have
// returned: only then may the window that owns them go.
namespace modal {

// Shows `dialog` modally and returns its result once it is closed.
int exec(QDialog& dialog);

// Closes every modal window that is up, as its Cancel or Esc would.
void closeAll();

// Whether the loop of a modal window is still running.
bool anyRunning();

} // namespace modal
