#include "ui/frmMain.h"

// The command-file reader arrives with its own change; until then the preview
// keeps its loading message.
void frmMain::ReadCommandExcelFile(QString&) {}
