#include "commands/TextRules.h"
#include "device/DriverDeviceQuery.h"
#include "device/MSComm.h"
#include "device/PortSelection.h"
#include "ui/AutoSizeLabel.h"
#include "ui/Clock.h"
#include "ui/ColourButton.h"
#include "ui/DesktopServices.h"
#include "ui/KeyWatch.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>

namespace {

constexpr std::chrono::seconds kLongestKeyWait(2);

} // namespace

void frmMain::btnOpen_Click()
{
    // A send's own dialogues count as the send.
    const BusyWith busy(*this, busy_ == Busy::Idle ? Busy::CheckingPort : busy_);
    bReaderFound = false;
    if (bOpenBusy) {
        return;
    }
    bOpenBusy = true;
    SaveCurrentSettings();
    if (!WaitForKeysReleased()) {
        return;
    }
    if (MSComm1->PortOpen()) {
        MSComm1->setPortOpen(false);
    }
    lblDevice->setCaption(QString());
    txtDeviceDriver->setText(QString());
    ShowPleaseWait();
    txtCurrName->setText(QString());
    txtCurrName->repaint();
    lblCurrPort->setCaption(QString());
    lblCurrPort->repaint();
    btnOpen->setText(QStringLiteral("&Open Port"));
    btnOpen->show();

    const ComMarks marks = comMarks(Combo2->currentText());
    if (marks.openParenCom < 0 && marks.com < 0) {
        // The selector names a driver device: ask it for its port.
        const auto exchanged =
            askDriverDeviceWaiting(trimmedBlanks(Combo2->currentText()).toLocal8Bit().toStdString(),
                                   "/get port_name\n", [this] { return unloaded_; });
        if (!exchanged) {
            return;
        }
        const auto& answer = *exchanged;
        if (const auto* failure = std::get_if<platform::DeviceFailure>(&answer)) {
            return RefuseSelector(*failure == platform::DeviceFailure::CannotOpen
                                      ? QStringLiteral("Unable to open the device")
                                      : QStringLiteral("Could not get port number!"));
        }
        if (const auto port =
                devicePortNumber(QString::fromLocal8Bit(std::get<std::string>(answer)))) {
            MSComm1->setCommPort(*port);
            lblCurrPort->setCaption(QString::number(MSComm1->CommPort()));
        }
    } else {
        const int port = selectorPortNumber(Combo2->currentText());
        if (port <= 4) {
            return RefuseSelector(QStringLiteral("\"") + trimmedBlanks(Combo2->currentText()) +
                                  QStringLiteral("\" is not a legal virtual com port."));
        }
        MSComm1->setCommPort(port);
        lblCurrPort->setCaption(QString::number(port));
    }
    lblCurrPort->repaint();
    ShowPleaseWait();

    bOpeningPort = true;
    const std::optional<CommError> error = MSComm1->setPortOpen(true);
    bOpeningPort = false;
    if (error) {
        desktop_.beep();
        txtDeviceDriver->setText(QStringLiteral("Cannot open device.  (Err #%1 %2)")
                                     .arg(error->number)
                                     .arg(error->description));
        txtDeviceDriver->repaint();
        ShowOpenPortButton();
        return OpenFailed();
    }

    if (!WaitTicks(2) || !WaitForReply(50, QStringLiteral("/ver"))) {
        return;
    }
    if (txtDeviceDriver->text().isEmpty()) {
        txtDeviceDriver->setText(QStringLiteral("Port opened but did not detect reader"));
        desktop_.beep();
    } else {
        lblDevice->setCaption(QString());
        if (!WaitForReply(100, QStringLiteral("/get dev_version"))) {
            return;
        }
        if (lblDevice->text().isEmpty()) {
            lblDevice->setCaption(QStringLiteral("(none returned)"));
            txtCurrName->setText(Combo2->currentText());
            HideOpenPortButton();
            bDetecting = false;
        }
        txtCurrName->setText(deviceName(Combo2->currentText()));
        txtCurrName->repaint();
        SaveCurrentSettings();
        bReaderFound = true;
    }
    txtDeviceDriver->repaint();
    bOpenBusy = false;
    ShowOpenPortButton();
}

// The selector names no port the dialogue can open: the user is told why, with a beep.
void frmMain::RefuseSelector(const QString& why)
{
    desktop_.beep();
    desktop_.messageBox(why, messageStyle::kExclamation, QStringLiteral("Error"));
    txtDeviceDriver->setText(QString());
    ShowOpenPortButton();
    OpenFailed();
}

// The dialogue ends without a port: nothing is open and no port is shown.
void frmMain::OpenFailed()
{
    bOpenBusy = false;
    lblCurrPort->setCaption(QString());
}

void frmMain::ShowOpenPortButton()
{
    btnOpen->setText(QStringLiteral("&Open Port"));
    btnOpen->show();
    btnOpen->setEnabled(true);
}

void frmMain::Combo2_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13) {
        btnOpen_Click();
    }
}

void frmMain::SetClosedState()
{
    if (MSComm1->PortOpen()) {
        MSComm1->setPortOpen(false);
    }
    btnOpen->setText(QStringLiteral("&Test"));
    btnOpen->show();
    btnOpen->setEnabled(true);
    txtDeviceDriver->setText(QStringLiteral("closed"));
    lblDevice->setCaption(QStringLiteral("none"));
    bReaderFound = false;
    ShowGoState();
}

// Go waits for a serial number only while the serial-number row is shown and
// its box is empty; a number left in the box from before is one to send with.
void frmMain::ShowGoState()
{
    const bool waitingForSerial = !txtSerialNumber->isHidden() && txtSerialNumber->text().isEmpty();
    btnSend->setEnabled(!waitingForSerial);
    btnSend->setBackColor(waitingForSerial ? sendColour::kWaitingForSerial : sendColour::kReady);
}

void frmMain::ShowPleaseWait()
{
    btnOpen->setText(QStringLiteral("Please Wait..."));
    btnOpen->setEnabled(false);
    txtDeviceDriver->repaint();
    lblDevice->setCaption(QString());
    lblDevice->repaint();
}

void frmMain::HideOpenPortButton()
{
    btnOpen->setText(QStringLiteral("&Open Port"));
    btnOpen->hide();
    btnOpen->setEnabled(true);
}

void frmMain::SendLine(const QString& sLine)
{
    if (MSComm1->PortOpen()) {
        MSComm1->setOutput(sLine + u'\n');
    }
}

// Every wait sleeps in the event loop: Timer1's tick wakes it at least every
// 60 ms, and the reply or the tick rule ends it. Timer1 starts its ticks
// afresh with each wait, so that a tick fallen due before it cannot shorten it.
// One tick of the waits of the open dialogue and of a send.
void frmMain::Timer1_Timer()
{
    if (nTicksLeft >= 1) {
        --nTicksLeft;
    } else {
        bWaitOver = true;
    }
}

bool frmMain::WaitTicks(qint16 ticks, const QString& command)
{
    bWaitOver = false;
    nTicksLeft = ticks;
    Timer1->start();
    if (!command.isNull()) {
        MSComm1->setOutput(command + u'\n');
    }
    while (!bWaitOver && !unloaded_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return !unloaded_;
}

bool frmMain::WaitForReply(qint16 ticks, const QString& command)
{
    bDetecting = true;
    return WaitTicks(ticks, command);
}

// The dialogue goes on once Alt, O and Enter, which may have started it, are
// up again; at most two seconds.
bool frmMain::WaitForKeysReleased()
{
    const Clock::time_point deadline = clock_.now() + kLongestKeyWait;
    while (openKeys_->heldOrPressedSinceLastLook() && clock_.now() < deadline && !unloaded_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return !unloaded_;
}
