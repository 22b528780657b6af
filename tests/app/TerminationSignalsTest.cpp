#include "app/TerminationSignals.h"

#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/frmMain.h"

#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(TerminationSignals, BecomeACloseRequestThatCanBeRefused)
{
    TempProgram program;
    RecordingDesktop desktop;
    frmMain window(desktop, program.file());
    window.show();
    closeOnTerminationSignals(&window);

    window.bOpeningPort = true;
    ASSERT_EQ(raise(SIGTERM), 0);
    QTest::qWait(100);
    EXPECT_TRUE(window.isVisible());

    window.bOpeningPort = false;
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.isVisible(); }, 2000));

    window.show();
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.isVisible(); }, 2000));
}

} // namespace
