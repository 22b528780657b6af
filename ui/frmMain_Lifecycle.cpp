#include "device/MSComm.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/DesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/WindowPlacement.h"
#include "ui/frmMain.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

void frmMain::Form_Load()
{
    // On screen with the loading message before the slower steps.
    show();
    repaint();
    GetLastSettings();
    RestorePlacement();
    // A file refused (it could not be read, or it named no command): the window
    // then asks for one, as after File, Open; the preview would otherwise still
    // say it is loading. A missing file was asked for already.
    if (!ReadCommandExcelFile(sCmdFile)) {
        ShowNoCommandList();
    }
    btnOpen->setFocus();
    lblCurrPort->setFrameShape(QFrame::NoFrame);
    lblDevice->setFrameShape(QFrame::NoFrame);
    Combo2->setFocus();
    DiscoverDrivers();
    if (!txtSerialNumber->isHidden()) {
        txtSerialNumber->setFocus();
    }
}

void frmMain::Form_Activate()
{
    RestorePlacement();
    GetLastSettings();
}

// The stored state and, in the normal state, the stored top and left; the
// window keeps its designed size.
void frmMain::RestorePlacement()
{
    GetFormPosition(*this, nTop, nLeft, nWidth, nHeight, nWinState);
    setWindowStateValue(*this, nWinState);
    if (windowStateValue(*this) == 0) {
        moveWindowTo(*this, nTop, nLeft);
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!allows(UserAction::Exit)) {
        event->ignore();
        return;
    }
    qint16 cancel = 0;
    Form_QueryUnload(cancel);
    if (cancel != 0) {
        event->ignore();
        return;
    }
    Form_Unload();
    unloaded_ = true;
    event->accept();
}

// The reason for a close is not examined: every close request is treated alike.
void frmMain::Form_QueryUnload(qint16& Cancel)
{
    if (bOpeningPort) {
        Cancel = 1;
    }
    if (MSComm1->PortOpen()) {
        MSComm1->setPortOpen(false);
        desktop_.messageBox(QStringLiteral("Closing the comm port before exiting"),
                            messageStyle::kExclamation,
                            Combo2->currentText() + QStringLiteral(" is open"));
    }
}

void frmMain::Form_Unload()
{
    SaveCurrentSettings();
    SaveFormPosition(*this);
}

void frmMain::Form_UnloadWithoutDisplay()
{
    if (MSComm1->PortOpen()) {
        MSComm1->setPortOpen(false);
    }
    Form_Unload();
    unloaded_ = true;
}

void frmMain::btnExit_Click()
{
    close();
}

void frmMain::mnuFileExit_Click()
{
    close();
}
