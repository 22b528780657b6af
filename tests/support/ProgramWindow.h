#pragma once

#include "device/MSComm.h"
#include "support/CommandListEntries.h"
#include "support/ManualClock.h"
#include "support/RecordingDesktop.h"
#include "support/ScriptedReader.h"
#include "support/TempProgram.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <functional>

// Runs `handler` as a click would: from inside the event loop, which the
// window's deletion after a close waits for.
inline void fromTheEventLoop(const std::function<void()>& handler)
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        handler();
        loop.quit();
    });
    loop.exec();
}

// A window made as Main makes it, destroyed when closed, with a reader that
// answers every command of the open dialogue and of a short run.
class ProgramWindow {
public:
    ProgramWindow()
        : window(new frmMain(desktop, program.file()))
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

    ScriptedReader reader{
        {{"/ver", "/ver 1.0\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}}};
    ManualClock clock;
    ClockDriver clockDriver{clock, std::chrono::milliseconds(100)};
    TempProgram program;
    RecordingDesktop desktop;
    QPointer<frmMain> window;
};
