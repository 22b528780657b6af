#include "app/TerminationSignals.h"
#include "device/MSComm.h"
#include "support/Pty.h"
#include "support/TempProgram.h"
#include "ui/QtDesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

// The window as Main makes it, with the real modal windows and a port on a pty;
// `onModal` gets the modal window up every 10 ms until it returns true.
class Closing : public QObject, public testing::Test {
protected:
    void makeWindow(bool portOpen)
    {
        window = new frmMain(desktop, program.file());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->installEventFilter(this);
        window->MSComm1->setPortLocator([this](int) { return pty.slavePath(); });
        window->Combo2->addSorted("Reader A (COM5)");
        window->Combo2->setCurrentIndex(0);
        closeOnTerminationSignals(window);
        window->show();
        window->MSComm1->setCommPort(5);
        ASSERT_FALSE(portOpen && window->MSComm1->setPortOpen(true));
        closes = 0;
        shown.clear();
        QFile::remove(program.settingsFile());
        auto* poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, [this, poll] {
            if (onModal(QApplication::activeModalWidget())) {
                poll->stop();
            }
        });
        poll->start(10);
    }
    ~Closing() override { delete window; }
    bool eventFilter(QObject*, QEvent* event) override
    {
        closes += event->type() == QEvent::Close;
        return false;
    }

    bool answerMessage(QWidget* modal)
    {
        auto* box = qobject_cast<QMessageBox*>(modal);
        // A box shown takes keys once it has the focus, which a busy machine gives it later.
        if (box && !box->isAncestorOf(QApplication::focusWidget())) {
            return false;
        }
        if (box) {
            shown << box->windowTitle() + ": " + box->text();
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_FALSE(window->MSComm1->PortOpen());
            EXPECT_FALSE(QFile::exists(program.settingsFile()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        return box != nullptr;
    }

    // Once the window is gone, one close was taken: it stored the port, then the place.
    void expectEndedAndStoredOnce()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 5000)) << "not ended";
        EXPECT_EQ(closes, 1);
        QFile file(program.settingsFile());
        const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        EXPECT_GE(text.indexOf("[Current_Port]"), 0) << text.toStdString();
        EXPECT_GT(text.indexOf("[Select_Window_frmMain]"), text.indexOf("[Current_Port]"));
    }

    Pty pty;
    TempProgram program;
    QtDesktopServices desktop;
    QPointer<frmMain> window;
    std::function<bool(QWidget*)> onModal;
    int closes = 0;
    QStringList shown;
};

const QStringList kPortClosing{"Reader A (COM5) is open: Closing the comm port before exiting"};

// A termination signal closes the modal window up first, then the main window.
TEST_F(Closing, ByExitOrATerminationSignalThePortIsClosedThenTheSettingsStored)
{
    const struct {
        const char* name;
        bool portOpen;
        std::function<void(frmMain&)> action;
        int signal;
        const char* modalUp;
    } cases[] = {
        {"Exit", false, [](frmMain& w) { w.btnExit->click(); }, 0, ""},
        {"File, Exit, port open", true, [](frmMain& w) { w.mnuFileExit->trigger(); }, 0, ""},
        {"Help, About", false, [](frmMain& w) { w.mnuHelpAbout->trigger(); }, SIGTERM, "frmAbout"},
        {"File, Open", false, [](frmMain& w) { w.mnuFileOpen->trigger(); }, SIGINT, "QFileDialog"},
        {"Exit's message", true, [](frmMain& w) { w.btnExit->click(); }, SIGTERM, "QMessageBox"},
        // The termination's own close shows the message, and closes it on its next try.
        {"its own close's message", true, [](frmMain&) {}, SIGTERM, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        onModal = [&](QWidget* modal) {
            if (!c.signal) {
                return answerMessage(modal) || !window;
            }
            return (!*c.modalUp || (modal && modal->inherits(c.modalUp))) && raise(c.signal) == 0;
        };
        makeWindow(c.portOpen);
        QTimer::singleShot(0, window, [&] { c.action(*window); });
        expectEndedAndStoredOnce();
        EXPECT_EQ(shown, c.portOpen && !c.signal ? kPortClosing : QStringList());
    }
}

// While the port is being opened closes are refused; a termination tries again.
TEST_F(Closing, WhileThePortIsBeingOpenedClosesAreRefusedAndATerminationTriesAgain)
{
    onModal = [this](QWidget* modal) { return answerMessage(modal) && false; };
    makeWindow(true);
    window->bOpeningPort = true;
    window->btnExit->click();
    window->mnuFileExit->trigger();
    // A port that already reads open is closed all the same, with the message.
    EXPECT_EQ(shown, kPortClosing);
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return closes >= 5; }, 5000));
    EXPECT_TRUE(window && !QFile::exists(program.settingsFile()));
    closes = 0;
    window->bOpeningPort = false;
    expectEndedAndStoredOnce();
}

} // namespace
