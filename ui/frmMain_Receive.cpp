#include "device/MSComm.h"
#include "device/ReplyRecognition.h"
#include "ui/AutoSizeLabel.h"
#include "ui/DesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

// One reading of the port is one reply; ReplyRecognition.h says what it means.
void frmMain::MSComm1_OnComm()
{
    if (MSComm1->CommEvent() != MSComm::comEvReceive) {
        return;
    }
    const reply::Meaning meaning = reply::recognise(MSComm1->Input(), bDetecting);
    if (std::holds_alternative<reply::NoData>(meaning)) {
        desktop_.messageBox(QStringLiteral("No data read"), messageStyle::kPlain);
        return;
    }
    if (const auto* raw = std::get_if<reply::RawAnswer>(&meaning)) {
        sRawReply = raw->text;
        return;
    }
    if (const auto* driver = std::get_if<reply::DriverVersion>(&meaning)) {
        txtDeviceDriver->setText(driver->text);
        txtDeviceDriver->repaint();
        bDetecting = false;
        bWaitOver = true;
        return;
    }
    const auto* device = std::get_if<reply::DeviceVersion>(&meaning);
    if (!device) {
        return;
    }
    if (device->text) {
        lblDevice->setCaption(*device->text);
    }
    lblDevice->repaint();
    if (lblDevice->text().isEmpty()) {
        bWaitOver = true;
        return;
    }
    txtCurrName->setText(Combo2->currentText());
    txtCurrName->repaint();
    // Only a running dialogue shows the button again at its end: a device
    // version that comes later leaves it where it is.
    if (bOpenBusy) {
        HideOpenPortButton();
    }
    bDetecting = false;
    bWaitOver = true;
}
