#pragma once

#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "support/WindowAccess.h"
#include "ui/Clock.h"

#include <QApplication>

#include <gtest/gtest.h>

// The main window shown and active as a user meets it, with a settings file of its own, a desktop
// that records and the first reader's port selected; its open dialogue ticks every 5 ms.
class ShownWindow : public testing::Test {
protected:
    ShownWindow()
    {
        ui.Timer1()->setInterval(5);
        ui.Combo2()->setEditText(QStringLiteral("KVR Reader 0 (COM5)"));
        window.show();
        QApplication::setActiveWindow(&window);
    }

    TempProgram program;
    RecordingDesktop desktop;
    const SteadyClock clock;
    frmMain window{desktop, clock, program.file()};
    const WindowAccess ui = access(window);
};
