#pragma once

#include "device/MSComm.h"
#include "support/CommandListEntries.h"
#include "support/ManualClock.h"
#include "support/RecordingDesktop.h"
#include "support/ScriptedReader.h"
#include "support/TempProgram.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QPointer>

// A run's transcript: each of `lines` (';' between them) after " Sending: ".
inline QString transcriptOf(const QString& lines)
{
    const QString rule(45, u'=');
    return "Sending Commands:\r\n" + rule +
           "\r\n Sending: " + lines.split(';').join("\r\n Sending: ") + "\r\n" + rule + "\r\nDone";
}

inline const QMap<QByteArray, QByteArray> kDialogueReplies{
    {"/ver", "/ver 1.0\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}};

// A window made as Main makes it, destroyed when closed, on a reader that
// answers the open dialogue (unless given other replies), with a short run loaded.
class ProgramWindow {
public:
    explicit ProgramWindow(QMap<QByteArray, QByteArray> replies = kDialogueReplies)
        : reader(std::move(replies))
        , window(new frmMain(desktop, program.file()))
    {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Timer1->setInterval(5);
        window->setClock(clock);
        window->MSComm1->setPortLocator([this](int) { return reader.path(); });
        window->Combo2->setEditText("Bench (COM5)");
        loadCommandList(*window, {{"/rawxact first", true}, {"/rawsend second", false}}, false);
        window->show();
    }
    ~ProgramWindow() { delete window; }

    ScriptedReader reader;
    ManualClock clock;
    ClockDriver clockDriver{clock, std::chrono::milliseconds(100)};
    TempProgram program;
    RecordingDesktop desktop;
    QPointer<frmMain> window;
};
