#include "app/TerminationSignals.h"
#include "device/DriverDeviceLink.h"
#include "device/ProgramWindow.h"
#include "support/Fixtures.h"
#include "support/QtPrinters.h"
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

namespace {

using namespace std::chrono_literals;

// Enter typed by the user: press and release come through the event loop.
void pressEnter(QWidget* box)
{
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(box, new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier));
    }
}

// Each action reaches the window as a user's does: a button's click signal, a
// menu item's trigger, keys to the boxes, a close request, a termination signal.
struct Action {
    const char* name;
    bool closes;
    void (*deliver)(ProgramWindow&);
};

const Action kActions[] = {
    {"File, Open", false,
     [](ProgramWindow& bench) {
         bench.desktop.filesToChoose = {madeFixture("rows-999.xls")};
         bench.window->mnuFileOpen->trigger();
     }},
    // An About that opens is closed again once it shows.
    {"Help, About", false,
     [](ProgramWindow& bench) {
         const auto abouts = [&bench] { return bench.window->findChildren<frmAbout*>().size(); };
         QTimer::singleShot(50ms, bench.window, [&bench, abouts, before = abouts()] {
             if (abouts() > before) {
                 bench.desktop.programsStarted << "About shown";
                 QApplication::activeModalWidget()->close();
             }
         });
         bench.window->mnuHelpAbout->trigger();
     }},
    {"Help, Show Help", false, [](ProgramWindow& bench) { bench.window->mnuShowHelp->trigger(); }},
    {"Test", false, [](ProgramWindow& bench) { bench.window->btnOpen->click(); }},
    {"Enter in the port list", false,
     [](ProgramWindow& bench) { pressEnter(bench.window->Combo2->lineEdit()); }},
    // Typing enables Go again, as during a run.
    {"Go", false,
     [](ProgramWindow& bench) {
         QTest::keyClicks(bench.window->txtSerialNumber, "7");
         bench.window->btnSend->click();
     }},
    {"Enter in the serial-number box", false,
     [](ProgramWindow& bench) {
         QTest::keyClicks(bench.window->txtSerialNumber, "7");
         pressEnter(bench.window->txtSerialNumber);
     }},
    {"File, Exit", true, [](ProgramWindow& bench) { bench.window->mnuFileExit->trigger(); }},
    {"Exit", true, [](ProgramWindow& bench) { bench.window->btnExit->click(); }},
    {"the window's close button", true, [](ProgramWindow& bench) { bench.window->close(); }},
    {"a termination signal", true, [](ProgramWindow&) { ASSERT_EQ(raise(SIGTERM), 0); }},
};

enum class Setup { None, KeysHeld, DriverDevice, SilentReader, About };

// Where the action comes: once the reader has received `closedAt`, else at the
// first wait of Test or Go, in Go's warning box (a silent reader), or while
// About is up. Only the actions that close are tried at every wait, the others
// at one wait of each kind. `closedAt` is also all the reader gets when the
// window closes there.
struct BusyState {
    const char* name;
    bool go;
    Setup setup;
    bool everyAction;
    bool portOpen;
    QByteArray closedAt;
};

const QByteArray kTest = "/ver;/get dev_version";
const QByteArray kRun = kTest + ";" + kTest + ";/rawxact first;/rawsend second";

const BusyState kStates[] = {
    {"Test, the keys that started it held", false, Setup::KeysHeld, false, false, ""},
    {"Test, while the port settles", false, Setup::None, false, true, ""},
    {"Test, asking the driver's device", false, Setup::DriverDevice, false, false, ""},
    {"Test, at /ver", false, Setup::None, true, true, "/ver"},
    {"Test, at /get dev_version", false, Setup::None, false, true, kTest},
    {"Go, at the first /ver", true, Setup::None, true, true, "/ver"},
    {"Go, at the first /get dev_version", true, Setup::None, false, true, kTest},
    {"Go, at the second /ver", true, Setup::None, false, true, kTest + ";/ver"},
    {"Go, at the second /get dev_version", true, Setup::None, false, true, kTest + ";" + kTest},
    {"Go, waiting for a reply", true, Setup::None, true, true,
     kTest + ";" + kTest + ";/rawxact first"},
    {"Go, its warning up", true, Setup::SilentReader, false, true, "/ver"},
    {"About up", false, Setup::About, true, false, ""},
};

// What docs/architecture.md's table says: of the other actions only Show
// Help runs; closing the window closes it except while a dialog of the
// program's own is up; a termination request always does. The work then runs
// to its end, or gives up at once: the reader gets nothing more, the settings
// are stored only by the close, and the window is gone once control is back
// in the event loop.
TEST(WhileTheWindowIsBusy, EveryActionDoesWhatTheTableSays)
{
    for (const BusyState& state : kStates) {
        for (const Action& action : kActions) {
            if (!state.everyAction && !action.closes) {
                continue;
            }
            SCOPED_TRACE(std::string(action.name) + " while " + state.name);
            const bool signal = QString(action.name) == "a termination signal";
            ProgramWindow bench(state.setup == Setup::SilentReader ? QMap<QByteArray, QByteArray>()
                                                                   : kDialogueReplies);
            closeOnTerminationSignals(bench.window);
            Busy busyWhenActed = Busy::Idle;
            const auto act = [&] {
                busyWhenActed = bench.window->busy();
                action.deliver(bench);
                // Anything stored after a close is a second store.
                if (bench.window && !bench.window->isVisible()) {
                    QFile::remove(bench.program.settingsFile());
                }
            };
            // The reply to "/rawxact first" comes once the action has been handled.
            bench.reader.whenReceived = [&](const QByteArray& line) {
                if (state.setup == Setup::None &&
                    bench.reader.received().join(';') == state.closedAt) {
                    QTimer::singleShot(0, act);
                }
                if (line == "/rawxact first") {
                    QTimer::singleShot(100ms, [&] {
                        if (bench.window && bench.window->isVisible()) {
                            bench.reader.send("/rawxact first done\r\n");
                        }
                    });
                }
            };
            // The warning box is a modal loop: the action comes from within it.
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
            std::optional<DriverDeviceLink> device;
            if (state.setup == Setup::DriverDevice) {
                device.emplace("Silent");
                bench.window->Combo2->setEditText("Silent");
            } else if (state.setup == Setup::KeysHeld) {
                QTest::keyPress(bench.window, Qt::Key_Alt);
            }
            // Clicked from an event loop, which the window's deletion after a close waits for.
            QEventLoop clicking;
            QTimer::singleShot(0, &clicking, [&] {
                if (state.setup == Setup::About) {
                    QTimer::singleShot(50ms, act);
                    QTimer::singleShot(300ms, [] { modal::closeAll(); });
                    bench.window->mnuHelpAbout->trigger();
                } else {
                    if (state.closedAt.isEmpty()) {
                        QTimer::singleShot(0, act);
                    }
                    state.go ? bench.window->btnSend->click() : bench.window->btnOpen->click();
                }
                clicking.quit();
            });
            clicking.exec();
            // Keys posted and the windows' deletion are handled; an About left open is closed.
            QTest::qWait(100);
            modal::closeAll();
            QTest::qWait(20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

            EXPECT_NE(busyWhenActed, Busy::Idle);
            const QByteArray received = bench.reader.received().join(';');
            ASSERT_EQ(bench.window.isNull(),
                      action.closes && (signal || state.setup != Setup::About));
            if (bench.window.isNull()) {
                // A termination request closes from the event loop, once the wait has looked.
                EXPECT_TRUE(signal ? received.startsWith(state.closedAt) &&
                                         !received.contains("/rawsend second")
                                   : received == state.closedAt)
                    << received.toStdString();
                const bool toldPortOpen = std::any_of(
                    bench.desktop.messages.begin(), bench.desktop.messages.end(),
                    [](const auto& message) { return message.title == "Bench (COM5) is open"; });
                EXPECT_TRUE(signal || toldPortOpen == state.portOpen);
                EXPECT_TRUE(signal || !QFile::exists(bench.program.settingsFile()));
                EXPECT_TRUE(!device || device->pty.read(14).startsWith("/get port_name"));
                continue;
            }
            EXPECT_EQ(received, state.go ? kRun : state.setup == Setup::About ? "" : kTest);
            EXPECT_EQ(bench.desktop.fileRequests.size() + bench.desktop.programsStarted.size(),
                      QString(action.name) == "Help, Show Help" ? 1u : 0u);
            EXPECT_EQ(bench.window->busy(), Busy::Idle);
            EXPECT_TRUE(!state.go ||
                        bench.window->txtCommandList->text() ==
                            transcriptOf("/rawxact first --> first done;/rawsend second"));
        }
    }
}

} // namespace
