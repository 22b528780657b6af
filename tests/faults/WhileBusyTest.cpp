#include "app/TerminationSignals.h"
#include "support/Fixtures.h"
#include "support/ProgramWindow.h"
#include "support/Watchdog.h"
#include "ui/ColourButton.h"
#include "ui/ModalWindows.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

// Every user action in every state the window can be busy in, each reaching
// the window the way a user's does: a button's click signal, a menu item's
// trigger, keys to the boxes, a close request, a termination signal.

namespace {

using namespace std::chrono_literals;

const QList<QByteArray> kDialogue{"/ver", "/get dev_version"};

// The program's window, which a termination signal closes too; About windows counted.
struct Bench : ProgramWindow {
    Bench() { closeOnTerminationSignals(window); }

    int aboutWindows() const
    {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            count += qobject_cast<frmAbout*>(widget) && widget->isVisible() ? 1 : 0;
        }
        return count;
    }
};

void typeInto(QWidget* box, const QString& keys)
{
    QTest::keyClicks(box, keys);
}

void pressEnter(QWidget* box)
{
    QCoreApplication::postEvent(box,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(box,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
}

enum class Outcome { Refused, Ran, Closed };

struct Action {
    const char* name;
    std::function<void(Bench&)> deliver;
    // Whether it ran, as the window and the reader show it afterwards.
    std::function<bool(const Bench&)> ran;
};

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
         const int before = bench.aboutWindows();
         // An About that opens is closed again once it shows.
         QTimer::singleShot(50ms, [&bench, before] {
             if (bench.aboutWindows() > before) {
                 bench.desktop.programsStarted << "About shown";
                 if (QWidget* about = QApplication::activeModalWidget()) {
                     about->close();
                 }
             }
         });
         bench.window->mnuHelpAbout->trigger();
     },
     [](const Bench& bench) { return bench.desktop.programsStarted.contains("About shown"); }},
    {"Help, Show Help", [](Bench& bench) { bench.window->mnuShowHelp->trigger(); },
     [](const Bench& bench) { return !bench.desktop.programsStarted.isEmpty(); }},
    {"Test", [](Bench& bench) { bench.window->btnOpen->click(); },
     [](const Bench& bench) { return bench.reader.received().count("/ver") > 2; }},
    {"Enter in the port list", [](Bench& bench) { pressEnter(bench.window->Combo2->lineEdit()); },
     [](const Bench& bench) { return bench.reader.received().count("/ver") > 2; }},
    {"Go",
     [](Bench& bench) {
         // Typing enables Go again, as during a run.
         typeInto(bench.window->txtSerialNumber, "7");
         bench.window->btnSend->click();
     },
     [](const Bench& bench) { return bench.reader.received().count("/rawxact first") > 1; }},
    {"Enter in the serial-number box",
     [](Bench& bench) {
         typeInto(bench.window->txtSerialNumber, "7");
         pressEnter(bench.window->txtSerialNumber);
     },
     [](const Bench& bench) { return bench.reader.received().count("/rawxact first") > 1; }},
    {"File, Exit", [](Bench& bench) { bench.window->mnuFileExit->trigger(); }, closed},
    {"Exit", [](Bench& bench) { bench.window->btnExit->click(); }, closed},
    {"the window's close button", [](Bench& bench) { bench.window->close(); }, closed},
    {"a termination signal", [](Bench&) { ASSERT_EQ(raise(SIGTERM), 0); }, closed},
};

struct BusyState {
    const char* name;
    // Starts the work and has `act` run in its middle, from the event loop.
    std::function<void(Bench&, const std::function<void()>& act)> busyWith;
    // What the reader receives when the work runs to its end.
    QList<QByteArray> completeWork;
};

const BusyState kStates[] = {
    {"checking a port",
     [](Bench& bench, const std::function<void()>& act) {
         bench.reader.whenReceived = [act](const QByteArray& line) {
             if (line == "/ver") {
                 QTimer::singleShot(0, act);
             }
         };
         bench.window->btnOpen->click();
     },
     kDialogue},
    {"sending",
     [](Bench& bench, const std::function<void()>& act) {
         bench.reader.whenReceived = [&bench, act, acted = false](const QByteArray& line) mutable {
             if (line == "/rawxact first" && !acted) {
                 acted = true;
                 QTimer::singleShot(0, act);
                 // The reply comes once the action has been handled.
                 QTimer::singleShot(100ms, [&bench] { bench.reader.send("first done\r\n"); });
             }
         };
         bench.window->btnSend->click();
     },
     kDialogue + kDialogue + QList<QByteArray>{"/rawxact first", "/rawsend second"}},
    {"showing a dialog",
     [](Bench& bench, const std::function<void()>& act) {
         QTimer::singleShot(50ms, act);
         QTimer::singleShot(300ms, [] { modal::closeAll(); });
         bench.window->mnuHelpAbout->trigger();
     },
     {}},
};

// What each action does in each busy state: the table of docs/architecture.md.
Outcome expected(const char* state, const char* action)
{
    const QString name = action;
    if (name == "a termination signal") {
        return Outcome::Closed;
    }
    const bool dialog = QString(state) == "showing a dialog";
    if (name == "File, Exit" || name == "Exit" || name == "the window's close button") {
        return dialog ? Outcome::Refused : Outcome::Closed;
    }
    return name == "Help, Show Help" ? Outcome::Ran : Outcome::Refused;
}

TEST(WhileTheWindowIsBusy, EveryActionDoesWhatTheTableSays)
{
    const Watchdog watchdog(120s, "every action in every busy state");
    for (const BusyState& state : kStates) {
        for (const Action& action : kActions) {
            SCOPED_TRACE(std::string(action.name) + " while " + state.name);
            Bench bench;
            Busy busyWhenActed = Busy::Idle;
            fromTheEventLoop([&] {
                state.busyWith(bench, [&] {
                    busyWhenActed = bench.window ? bench.window->busy() : Busy::Idle;
                    action.deliver(bench);
                });
            });
            // Keys posted and the windows' deletion are handled; an About left open is closed.
            QTest::qWait(100);
            modal::closeAll();
            QTest::qWait(20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

            EXPECT_NE(busyWhenActed, Busy::Idle);
            switch (expected(state.name, action.name)) {
            case Outcome::Closed:
                EXPECT_TRUE(bench.window.isNull());
                // Nothing went out after the action.
                EXPECT_FALSE(bench.reader.received().contains("/rawsend second"));
                break;
            case Outcome::Ran:
            case Outcome::Refused:
                ASSERT_FALSE(bench.window.isNull());
                EXPECT_EQ(action.ran(bench), expected(state.name, action.name) == Outcome::Ran);
                EXPECT_EQ(bench.reader.received(), state.completeWork);
                EXPECT_EQ(bench.window->busy(), Busy::Idle);
                break;
            }
        }
    }
}

} // namespace
