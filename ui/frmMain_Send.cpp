#include "commands/SerialNumber.h"
#include "device/MSComm.h"
#include "records/RunRecord.h"
#include "ui/ColourButton.h"
#include "ui/DesktopServices.h"
#include "ui/EventWait.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QDateTime>
#include <QLineEdit>

namespace {

const QString kNewLine = QStringLiteral("\r\n");
const QString kRule = QString(45, u'=');
constexpr auto kReplyWait = std::chrono::seconds(20);

} // namespace

// Sends the whole command list and writes the transcript, then keeps the run's record. The run
// ends in the closed-port state whatever happens; a window closed meanwhile ends it at once.
void frmMain::btnSend_Click()
{
    const BusyWith busy(*this, Busy::Sending);
    RunRecord run;
    run.started = QDateTime::currentDateTime();
    const RunOutcome outcome = SendCommandList(run);
    SaveRunRecord(run, outcome);
}

RunOutcome frmMain::SendCommandList(RunRecord& run)
{
    btnSend->setBackColor(sendColour::kSending);
    btnSend->setEnabled(false);

    if (!OpenPortForSend()) {
        return RunOutcome::WindowClosed;
    }
    const auto serialNumberNow = [this] {
        return txtSerialNumber->isHidden() ? QString() : serialNumberOfRun(txtSerialNumber->text());
    };
    NotePortOfRun(run);
    if (!bReaderFound) {
        run.serialNumber = serialNumberNow();
        desktop_.messageBox(
            Combo2->currentText() + QStringLiteral(" did not open.  Please correct and retry."),
            messageStyle::kInformation + messageStyle::kCritical, QStringLiteral("Warning"));
        btnSend->setBackColor(sendColour::kReady);
        btnSend->setEnabled(true);
        txtSerialNumber->clear();
        SetClosedState();
        return RunOutcome::NoReader;
    }

    const QString serialNumber = serialNumberNow();
    run.serialNumber = serialNumber;
    txtCommandList->setText(QStringLiteral("Sending Commands:") + kNewLine + kRule + kNewLine);
    txtCommandList->repaint();
    if (!OpenPortForSend()) {
        return RunOutcome::WindowClosed;
    }
    NotePortOfRun(run);

    // The transcript is laid out and painted once a frame, however fast the reader answers.
    for (int i = 0; i < nCmdCount; ++i) {
        const QString& entry = sCmdList[i];
        if (entry.startsWith(QStringLiteral(" Comment:"))) {
            txtCommandList->appendText(entry + kNewLine);
            continue;
        }
        sRawReply.clear();
        const bool substituted = placeholderPosition(entry) >= 0;
        const QString line = lineAsSent(entry, serialNumber);
        SendLine(line);
        ++run.linesSent;
        txtCommandList->appendText(QStringLiteral(" Sending: ") + line +
                                   (bWaitReply[i] ? QStringLiteral(" --> ") : kNewLine));
        if (substituted) {
            txtSerialNumber->clear();
        }
        if (bWaitReply[i]) {
            ++run.repliesAwaited;
            processEventsUntil(clock_, clock_.now() + kReplyWait,
                               [this] { return !sRawReply.isEmpty() || unloaded_; });
            if (unloaded_) {
                return RunOutcome::WindowClosed;
            }
            run.repliesMissing += sRawReply.isEmpty();
            txtCommandList->appendText(
                (sRawReply.isEmpty() ? QStringLiteral(" NO RESPONSE!!!!") : sRawReply) + kNewLine);
        }
    }
    txtCommandList->appendText(kRule + kNewLine + QStringLiteral("Done"));
    txtCommandList->showAppendedText();
    // The port closes by itself only when its driver went away.
    const bool portLost = !MSComm1->PortOpen();
    SetClosedState();
    return portLost                 ? RunOutcome::PortLost
           : run.repliesMissing > 0 ? RunOutcome::RepliesMissing
                                    : RunOutcome::Complete;
}

bool frmMain::OpenPortForSend()
{
    btnOpen_Click();
    return !unloaded_;
}

// During a run Go stays yellow and disabled whatever is typed: the run cannot
// be started again, and the number typed is for the next one.
void frmMain::txtSerialNumber_Change()
{
    if (busy_ != Busy::Sending) {
        ShowGoState();
    }
}

void frmMain::txtSerialNumber_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13 && btnSend->isEnabled()) {
        btnSend_Click();
    }
}
