#pragma once

// What the tests of the window share: its access, the desktop that records, the reader and driver
// stand-ins, the workbooks, and the window shown as a user meets it.
#include "support/CommandListEntries.h"
#include "support/DriverLog.h"
#include "support/Fixtures.h"
#include "support/ManualClock.h"
#include "support/PaintedColour.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/ScriptedReader.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/SendButtonColours.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTest>

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
