#include "commands/StripCtrlChars.h"
#include "device/MSComm.h"
#include "device/PortSelection.h"
#include "ui/AutoSizeLabel.h"
#include "ui/DesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

// One reading of the port is one reply. Keywords are matched in exact case,
// "/rawxact" before "/ver" before "dev_version".
void frmMain::MSComm1_OnComm()
{
    if (MSComm1->CommEvent() != MSComm::comEvReceive) {
        return;
    }
    const QString reply = MSComm1->Input();
    if (reply.isEmpty()) {
        desktop_.messageBox(QStringLiteral("No data read"), 0);
        return;
    }
    // The one character after the keyword is a separator, whatever it is.
    if (const qsizetype at = reply.indexOf(QStringLiteral("/rawxact")); at >= 0) {
        sRawReply = Module1::StripCtrlChars(replyTextFrom(reply, at + 9));
        return;
    }
    if (!bDetecting) {
        return;
    }
    if (const qsizetype at = reply.indexOf(QStringLiteral("/ver")); at >= 0) {
        txtDeviceDriver->setText(Module1::StripCtrlChars(replyTextFrom(reply, at + 4)));
        txtDeviceDriver->repaint();
        bDetecting = false;
        bWaitOver = true;
        return;
    }
    if (!reply.contains(QStringLiteral("dev_version"))) {
        return;
    }
    // The device version runs from character 25 to the last but one.
    if (reply.size() > 24) {
        lblDevice->setCaption(reply.mid(24).chopped(1));
    }
    lblDevice->repaint();
    if (lblDevice->text().isEmpty()) {
        bWaitOver = true;
        return;
    }
    txtCurrName->setText(Combo2->currentText());
    txtCurrName->repaint();
    HideOpenPortButton();
    bDetecting = false;
    bWaitOver = true;
}
