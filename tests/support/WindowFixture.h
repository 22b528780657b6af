#pragma once

#include "support/ManualClock.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QTimer>

#include <gtest/gtest.h>

// The main window on the bench: a settings file of its own, a desktop that
// records, the open dialogue's tick made short and the 20-second reply wait
// passing in about a second of real time and the first reader's port selected.
class WindowFixture : public testing::Test {
protected:
    WindowFixture()
    {
        window.Timer1->setInterval(5);
        window.setClock(clock);
        window.Combo2->setEditText("KVR Reader 0 (COM5)");
    }

    ManualClock clock;
    ClockDriver clockDriver{clock, std::chrono::milliseconds(100)};
    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};
