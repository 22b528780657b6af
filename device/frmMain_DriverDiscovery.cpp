#include "ui/frmMain.h"

// Driver discovery arrives with the KVR driver support; until then the port list stays empty.
void frmMain::DiscoverDrivers() {}
