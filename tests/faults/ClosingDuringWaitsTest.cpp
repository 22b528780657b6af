#include "app/TerminationSignals.h"
#include "device/MSComm.h"
#include "support/ProgramWindow.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/ScriptedReader.h"
#include "support/TempProgram.h"
#include "support/Watchdog.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

using namespace std::chrono_literals;

struct ClosePoint {
    bool run; // Go rather than Test
    QByteArray line;
    int nth;
    QList<QByteArray> received;
};

TEST(ClosingAProgramWindow, AtEveryWaitOfTestAndGo)
{
    const Watchdog watchdog(60s, "closing at every wait");
    const QList<QByteArray> dialogue{"/ver", "/get dev_version"};
    const ClosePoint points[] = {
        {false, "/ver", 1, {"/ver"}},
        {false, "/get dev_version", 1, dialogue},
        {true, "/ver", 1, {"/ver"}},
        {true, "/get dev_version", 1, dialogue},
        {true, "/ver", 2, dialogue + QList<QByteArray>{"/ver"}},
        {true, "/get dev_version", 2, dialogue + dialogue},
        {true, "/rawxact first", 1, dialogue + dialogue + QList<QByteArray>{"/rawxact first"}},
    };
    for (const ClosePoint& point : points) {
        SCOPED_TRACE((point.run ? "Go, closed at " : "Test, closed at ") +
                     point.line.toStdString() + " #" + std::to_string(point.nth));
        ProgramWindow bench;
        bench.closeAt(point.line, point.nth);
        fromTheEventLoop([&bench, &point] {
            point.run ? bench.window->btnSend_Click() : bench.window->btnOpen_Click();
        });
        bench.expectGoneWithoutSecondStore();
        EXPECT_EQ(bench.reader.received(), point.received);
    }
}

// A message box runs the event loop until it is answered; the window is
// closed meanwhile, as at the end of a session, and the box then answered.
TEST(ClosingAProgramWindow, WhileTheRunsWarningIsUp)
{
    const Watchdog watchdog(60s, "closing at the warning");
    ProgramWindow bench;
    ScriptedReader silent({});
    bench.window->MSComm1->setPortLocator([&silent](int) { return silent.path(); });
    bench.desktop.whileMessageShown = [&bench](const RecordingDesktop::Message& message) {
        if (message.title != "Warning") {
            return;
        }
        QEventLoop box;
        QTimer::singleShot(0, &box, [&bench, &box] {
            bench.closeNow();
            box.quit();
        });
        box.exec();
        EXPECT_FALSE(bench.window.isNull()) << "destroyed while its handler runs";
    };
    fromTheEventLoop([&bench] { bench.window->btnSend_Click(); });
    bench.expectGoneWithoutSecondStore();
    EXPECT_EQ(silent.received(), QList<QByteArray>{"/ver"});
}

TEST(ClosingAProgramWindow, WhenTheSessionEndsDuringAReplyWait)
{
    const Watchdog watchdog(60s, "a session's end during a run");
    ProgramWindow bench;
    closeOnTerminationSignals(bench.window);
    bench.reader.whenReceived = [](const QByteArray& line) {
        if (line == "/rawxact first") {
            ASSERT_EQ(raise(SIGTERM), 0);
        }
    };
    fromTheEventLoop([&bench] { bench.window->btnSend_Click(); });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(bench.window.isNull());
    EXPECT_FALSE(bench.reader.received().contains("/rawsend second"));
}

} // namespace
