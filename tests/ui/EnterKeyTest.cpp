#include "support/CommandListEntries.h"
#include "support/DriverLog.h"
#include "support/RecordingDesktop.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/ColourButton.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Enter as a user types it: Return or the keypad's Enter, delivered to the
// widget that has the focus, as the window system delivers it.
TEST(EnterKey, InThePortListTheSerialBoxAndOnGoRunsTheDialogue)
{
    DriverLog log;
    SimulatedDriver driver({"--log", log.path()});
    ASSERT_TRUE(driver.ready());
    TempProgram program;
    RecordingDesktop desktop;
    frmMain window(desktop, program.file());
    window.Timer1->setInterval(5);
    window.Combo2->setEditText("KVR Reader 0 (COM5)");
    loadCommandList(window, {{"/rawsend {{SN}}", false}}, true);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    const QList<std::pair<const char*, QWidget*>> places{
        {"the port list", window.Combo2},
        {"the serial-number box", window.txtSerialNumber},
        {"Go", window.btnSend},
    };
    for (const auto& [place, widget] : places) {
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                             std::pair{Qt::Key_Enter, Qt::KeypadModifier}}) {
            SCOPED_TRACE(std::string(place) +
                         (key == Qt::Key_Enter ? ", keypad Enter" : ", Return"));
            window.txtSerialNumber->setText("7");
            widget->setFocus();
            ASSERT_TRUE(QApplication::focusWidget());
            const qsizetype before = log.lines().count("COM5: /ver");
            // Press and release come apart through the event loop, as from the
            // window system: the key goes up while the dialogue it started waits.
            QWidget* focus = QApplication::focusWidget();
            QTimer::singleShot(0, focus, [=] { QTest::keyPress(focus, key, modifiers); });
            QTimer::singleShot(1, focus, [=] { QTest::keyRelease(focus, key, modifiers); });
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return log.lines().count("COM5: /ver") > before; }, 2000));
        }
    }
    // Enter in the port list adds nothing to it.
    EXPECT_EQ(window.Combo2->count(), 0);
}

} // namespace
