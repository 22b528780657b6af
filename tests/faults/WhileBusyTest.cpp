#include "app/TerminationSignals.h"
#include "device/DriverDeviceLink.h"
#include "device/MSComm.h"
#include "support/Fixtures.h"
#include "support/ProgramWindow.h"
#include "support/QtPrinters.h"
#include "support/Watchdog.h"
#include "ui/ColourButton.h"
#include "ui/ModalWindows.h"
#include "ui/TextBox.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>

// Every user action in every state the window can be busy in, each reaching
// the window the way a user's does: a button's click signal, a menu item's
// trigger, keys to the boxes, a close request, a termination signal.

namespace {

using namespace std::chrono_literals;

// The program's window, which a termination signal closes too.
struct Bench : ProgramWindow {
    Bench() { closeOnTerminationSignals(window); }

    static int aboutWindows()
    {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            count += qobject_cast<frmAbout*>(widget) && widget->isVisible() ? 1 : 0;
        }
        return count;
    }
};

// Keys typed into a box, and Enter, whose press and release come through the event loop.
void type(QWidget* box, const QString& keys, bool enter)
{
    QTest::keyClicks(box, keys);
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        if (enter) {
            QCoreApplication::postEvent(box, new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier));
        }
    }
}

struct Action {
    const char* name;
    void (*deliver)(Bench&);
    // Whether it ran, as the window and the reader show it afterwards.
    bool (*ran)(const Bench&);
};

bool testRan(const Bench& bench)
{
    return bench.reader.received().count("/ver") > 2;
}

bool goRan(const Bench& bench)
{
    return bench.reader.received().count("/rawxact first") > 1;
}

bool closed(const Bench& bench)
{
    return bench.window.isNull();
}

const Action kActions[] = {
    {"File, Open",
     [](Bench& bench) {
         bench.desktop.filesToChoose = {madeFixture("rows-999.xls")};
         bench.window->mnuFileOpen->trigger();
     },
     [](const Bench& bench) { return !bench.desktop.fileRequests.empty(); }},
    {"Help, About",
     [](Bench& bench) {
         // An About that opens is closed again once it shows.
         QTimer::singleShot(50ms, [&bench, before = Bench::aboutWindows()] {
             if (Bench::aboutWindows() > before) {
                 bench.desktop.programsStarted << "About shown";
                 QApplication::activeModalWidget()->close();
             }
         });
         bench.window->mnuHelpAbout->trigger();
     },
     [](const Bench& bench) { return bench.desktop.programsStarted.contains("About shown"); }},
    {"Help, Show Help", [](Bench& bench) { bench.window->mnuShowHelp->trigger(); },
     [](const Bench& bench) { return !bench.desktop.programsStarted.isEmpty(); }},
    {"Test", [](Bench& bench) { bench.window->btnOpen->click(); }, testRan},
    {"Enter in the port list",
     [](Bench& bench) { type(bench.window->Combo2->lineEdit(), "", true); }, testRan},
    // Typing enables Go again, as during a run.
    {"Go",
     [](Bench& bench) {
         type(bench.window->txtSerialNumber, "7", false);
         bench.window->btnSend->click();
     },
     goRan},
    {"Enter in the serial-number box",
     [](Bench& bench) { type(bench.window->txtSerialNumber, "7", true); }, goRan},
    {"File, Exit", [](Bench& bench) { bench.window->mnuFileExit->trigger(); }, closed},
    {"Exit", [](Bench& bench) { bench.window->btnExit->click(); }, closed},
    {"the window's close button", [](Bench& bench) { bench.window->close(); }, closed},
    {"a termination signal", [](Bench&) { ASSERT_EQ(raise(SIGTERM), 0); }, closed},
};

const QString kTest = "/ver;/get dev_version";
const QString kRun = kTest + ";" + kTest + ";/rawxact first;/rawsend second";
const QString kRule(45, u'=');
const QString kTranscript = "Sending Commands:\r\n" + kRule +
                            "\r\n Sending: /rawxact first --> first done\r\n Sending: /rawsend "
                            "second\r\n" +
                            kRule + "\r\nDone";

enum class Setup { None, KeysHeld, DriverDevice, SilentReader, About };

// Where the action comes: when the reader has received `line` for the `nth`
// time, else at the first wait of the work (or in the Warning box of Go with a
// silent reader, or while About is up). Where not every action is tried, the
// four that close the window are.
struct BusyState {
    const char* name;
    bool go; // the work is Go's run, else Test's dialogue
    QByteArray line;
    int nth;
    Setup setup;
    bool everyAction;
    bool portOpen;
    QString closedAt; // what the reader has received when the window closes there
};

const BusyState kStates[] = {
    {"checking a port, the keys that started it held", false, "", 0, Setup::KeysHeld, false, false,
     ""},
    {"checking a port, while the port settles", false, "", 0, Setup::None, false, true, ""},
    {"checking a port, asking the driver's device", false, "", 0, Setup::DriverDevice, false, false,
     ""},
    {"checking a port, at /ver", false, "/ver", 1, Setup::None, true, true, "/ver"},
    {"checking a port, at /get dev_version", false, "/get dev_version", 1, Setup::None, false, true,
     kTest},
    {"sending, at the first /ver", true, "/ver", 1, Setup::None, true, true, "/ver"},
    {"sending, at the first /get dev_version", true, "/get dev_version", 1, Setup::None, false,
     true, kTest},
    {"sending, at the second /ver", true, "/ver", 2, Setup::None, false, true, kTest + ";/ver"},
    {"sending, at the second /get dev_version", true, "/get dev_version", 2, Setup::None, false,
     true, kTest + ";" + kTest},
    {"sending, waiting for a reply", true, "/rawxact first", 1, Setup::None, true, true,
     kTest + ";" + kTest + ";/rawxact first"},
    {"sending, its warning up", true, "", 0, Setup::SilentReader, false, true, "/ver"},
    {"showing a dialog", false, "", 0, Setup::About, true, false, ""},
};

// The table of docs/architecture.md: of the other actions only Show Help
// runs; closing the window closes it except while a dialog of the program's
// own is up; a termination request always closes it. The work then runs to
// its end, or gives up at once: the reader gets nothing more, the settings are
// stored only by the close, and the window is gone once control is back in
// the event loop.
TEST(WhileTheWindowIsBusy, EveryActionDoesWhatTheTableSays)
{
    const Watchdog watchdog(300s, "every action in every busy state");
    for (const BusyState& state : kStates) {
        for (const Action& action : kActions) {
            const bool closing = action.ran == closed;
            const bool signal = QString(action.name) == "a termination signal";
            if (!state.everyAction && !closing) {
                continue;
            }
            SCOPED_TRACE(std::string(action.name) + " while " + state.name);
            Bench bench;
            ScriptedReader silent({});
            ScriptedReader& reader = state.setup == Setup::SilentReader ? silent : bench.reader;
            bench.window->MSComm1->setPortLocator([&reader](int) { return reader.path(); });
            Busy busyWhenActed = Busy::Idle;
            const auto act = [&] {
                busyWhenActed = bench.window ? bench.window->busy() : Busy::Idle;
                action.deliver(bench);
                // Anything stored after a close is a second store.
                if (bench.window && !bench.window->isVisible()) {
                    QFile::remove(bench.program.settingsFile());
                }
            };
            reader.whenReceived = [&, seen = 0](const QByteArray& line) mutable {
                if (line == state.line && ++seen == state.nth) {
                    QTimer::singleShot(0, act);
                }
                // The reply comes once the action has been handled.
                if (line == "/rawxact first") {
                    QTimer::singleShot(100ms, [&] {
                        if (!closed(bench) && bench.window->isVisible()) {
                            reader.send("/rawxact first done\r\n");
                        }
                    });
                }
            };
            std::optional<DriverDeviceLink> device;
            if (state.setup == Setup::DriverDevice) {
                device.emplace("Silent");
                bench.window->Combo2->setEditText("Silent");
            }
            if (state.setup == Setup::KeysHeld) {
                QTest::keyPress(bench.window, Qt::Key_Alt);
            }
            // The box runs the event loop until it is answered, after the action.
            bench.desktop.whileMessageShown = [&](const RecordingDesktop::Message& message) {
                if (message.title == "Warning") {
                    QEventLoop box;
                    QTimer::singleShot(0, &box, [&] {
                        act();
                        box.quit();
                    });
                    box.exec();
                    EXPECT_FALSE(bench.window.isNull()) << "destroyed while its handler runs";
                }
            };
            fromTheEventLoop([&] {
                if (state.setup == Setup::About) {
                    QTimer::singleShot(50ms, act);
                    QTimer::singleShot(300ms, [] { modal::closeAll(); });
                    bench.window->mnuHelpAbout->trigger();
                    return;
                }
                if (state.line.isEmpty() && state.setup != Setup::SilentReader) {
                    QTimer::singleShot(0, act);
                }
                if (state.go) {
                    bench.window->btnSend->click();
                } else {
                    bench.window->btnOpen->click();
                }
            });
            // Keys posted and the windows' deletion are handled; an About left open is closed.
            QTest::qWait(100);
            modal::closeAll();
            QTest::qWait(20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

            EXPECT_NE(busyWhenActed, Busy::Idle);
            const QByteArray received = reader.received().join(';');
            EXPECT_EQ(closed(bench), closing && (signal || state.setup != Setup::About));
            if (closed(bench)) {
                EXPECT_TRUE(signal ? received.startsWith(state.closedAt.toUtf8()) &&
                                         !received.contains("/rawsend second")
                                   : received == state.closedAt.toUtf8())
                    << received.toStdString();
                QStringList titles;
                for (const auto& message : bench.desktop.messages) {
                    titles << message.title;
                }
                EXPECT_TRUE(signal || titles.contains("Bench (COM5) is open") == state.portOpen);
                EXPECT_TRUE(signal || !QFile::exists(bench.program.settingsFile()));
                if (device) {
                    EXPECT_TRUE(device->pty.read(14).startsWith("/get port_name"));
                }
                continue;
            }
            EXPECT_EQ(action.ran(bench), QString(action.name) == "Help, Show Help");
            EXPECT_EQ(received, state.go                      ? kRun.toUtf8()
                                : state.setup == Setup::About ? ""
                                                              : kTest.toUtf8());
            EXPECT_EQ(bench.window->busy(), Busy::Idle);
            if (state.go) {
                EXPECT_EQ(bench.window->txtCommandList->text(), kTranscript);
            }
        }
    }
}

} // namespace
