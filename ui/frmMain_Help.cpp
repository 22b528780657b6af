#include "ui/DesktopServices.h"
#include "ui/HelpCommand.h"
#include "ui/ModalWindows.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QFileInfo>

// Starts a further help viewer at each choice; whether it started is not examined.
void frmMain::mnuShowHelp_Click()
{
    desktop_.startProgram(helpCommandLine(QFileInfo(programFile_).absolutePath()));
}

// Shows the About window modally, loaded afresh; the main window is then the
// active window again after another window of the program.
void frmMain::mnuHelpAbout_Click()
{
    {
        const BusyWith busy(*this, Busy::ShowingDialog);
        frmAbout about(this);
        modal::exec(about);
    }
    Form_Activate();
}
