#include "app/TerminationSignals.h"

#include "device/MSComm.h"
#include "support/Pty.h"
#include "support/TempProgram.h"
#include "support/Watchdog.h"
#include "ui/QtDesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

using namespace std::chrono_literals;

// Counts the close requests that reach the window: each one that is not
// refused stores the settings.
class CloseCounter : public QObject {
public:
    int closes = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        closes += event->type() == QEvent::Close;
        return false;
    }
};

// The window as Main makes it (destroyed when closed, ended by termination
// signals) with the real message boxes and file dialog, and a port that can be opened.
class Termination : public testing::Test {
protected:
    Termination() { makeWindow(); }

    void makeWindow()
    {
        window = new frmMain(desktop, program.file());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->installEventFilter(&closeCounter);
        window->MSComm1->setPortLocator([this](int) { return pty.slavePath(); });
        window->Combo2->addSorted("Reader A (COM5)");
        window->Combo2->setCurrentIndex(0);
        closeOnTerminationSignals(window);
        window->show();
    }

    ~Termination() override { delete window; }

    void openPort()
    {
        window->MSComm1->setCommPort(5);
        ASSERT_FALSE(window->MSComm1->setPortOpen(true));
    }

    // Runs `action` from the event loop, as a click would; once `modalUp`
    // holds for the active modal window, raises `signal` from inside its loop.
    // Then the window must be gone within 2 s.
    void terminateDuring(const std::function<void()>& action,
                         const std::function<bool(QWidget*)>& modalUp, int signal = SIGTERM)
    {
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (modalUp(QApplication::activeModalWidget())) {
                watch.stop();
                raised.start();
                raise(signal);
            }
        });
        watch.start();
        QTimer::singleShot(0, window, action);
        ASSERT_TRUE(QTest::qWaitFor([this] { return raised.isValid(); }, 5000))
            << "the modal window did not come up";
        EXPECT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 2000))
            << "the program did not end";
        EXPECT_LE(raised.elapsed(), 2000);
    }

    void expectStoredOnce()
    {
        EXPECT_EQ(closeCounter.closes, 1);
        QFile settings(program.settingsFile());
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
        const QByteArray text = settings.readAll();
        EXPECT_TRUE(text.contains("[Current_Port]")) << text.toStdString();
        EXPECT_TRUE(text.contains("[Select_Window_frmMain]")) << text.toStdString();
    }

    Watchdog watchdog{30s, "a termination request"};
    Pty pty;
    TempProgram program;
    QtDesktopServices desktop;
    CloseCounter closeCounter;
    QPointer<frmMain> window;
    QElapsedTimer raised;
};

template <typename Window> std::function<bool(QWidget*)> isA()
{
    return [](QWidget* modal) { return qobject_cast<Window*>(modal) != nullptr; };
}

// The modal window up when the request comes; each is closed first, and the
// window goes only once the modal window's loop has returned.
TEST_F(Termination, ClosesEveryModalWindowThenTheProgram)
{
    struct Case {
        const char* name;
        std::function<void(frmMain&)> action;
        std::function<bool(QWidget*)> modalUp;
        int signal;
    };
    const Case cases[] = {
        {"Help, About", [](frmMain& w) { w.mnuHelpAbout->trigger(); }, isA<frmAbout>(), SIGTERM},
        {"File, Open", [](frmMain& w) { w.mnuFileOpen->trigger(); }, isA<QFileDialog>(), SIGINT},
        {"an error message",
         [](frmMain& w) {
             w.Combo2->setEditText("COM4");
             w.btnOpen->click();
         },
         isA<QMessageBox>(), SIGTERM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!window) {
            makeWindow();
        }
        closeCounter.closes = 0;
        QFile::remove(program.settingsFile());
        terminateDuring([this, &c] { c.action(*window); }, c.modalUp, c.signal);
        expectStoredOnce();
    }
}

// The port-closing message of an ordinary close waits for a person; a
// termination request meanwhile closes it and the close goes on.
TEST_F(Termination, ClosesThePortClosingMessageOfFileExit)
{
    openPort();
    terminateDuring([this] { window->mnuFileExit->trigger(); }, isA<QMessageBox>());
    expectStoredOnce();
}

// The termination's own close finds the port open: its message is closed too.
TEST_F(Termination, ClosesThePortClosingMessageOfItsOwnClose)
{
    openPort();
    terminateDuring([] {}, [](QWidget*) { return true; });
    expectStoredOnce();
}

// A close refused while the port is being opened is tried again until it is taken.
TEST_F(Termination, EndsOnceTheCloseIsNoLongerRefused)
{
    window->bOpeningPort = true;
    ASSERT_EQ(raise(SIGTERM), 0);
    QTest::qWait(100);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(QFile::exists(program.settingsFile()));

    closeCounter.closes = 0;
    window->bOpeningPort = false;
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 2000));
    expectStoredOnce();
}

} // namespace
