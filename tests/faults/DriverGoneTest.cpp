#include "device/MSComm.h"
#include "support/ChildProcess.h"
#include "support/CommandListEntries.h"
#include "support/DriverLog.h"
#include "support/PortArea.h"
#include "support/Pty.h"
#include "support/QtPrinters.h"
#include "support/ScriptedReader.h"
#include "support/SimulatedDriver.h"
#include "support/WindowFixture.h"
#include "ui/TextBox.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kRule(45, u'=');
const QString kNoReader = QStringLiteral("Port opened but did not detect reader");

// The driver goes away at some point of Test or Go; the window must end in the
// state the program gives that point and work again once the driver is back.
class DriverGone : public WindowFixture {
protected:
    PortArea portArea() const { return portAreaOf(window); }

    // Test and Go both find the reader again once a driver runs.
    void expectWorkingAgain()
    {
        SimulatedDriver driver({"--log", log.path()});
        ASSERT_TRUE(driver.ready());
        window.btnOpen_Click();
        EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "KVR-SIM 2.10", "RDR-4000 v3.1",
                                        "5", "KVR Reader 0", true, true}));
        loadCommandList(window, {{"/rawxact again", true}}, false);
        window.btnSend_Click();
        EXPECT_EQ(window.txtCommandList->text(),
                  "Sending Commands:\r\n" + kRule +
                      "\r\n Sending: /rawxact again --> ACK again\r\n" + kRule + "\r\nDone");
        EXPECT_EQ(portArea(), (PortArea{"&Test", true, true, "closed", "none", "5", "KVR Reader 0",
                                        false, false}));
    }

    DriverLog log;
};

TEST_F(DriverGone, BeforeTheOpen)
{
    {
        SimulatedDriver driver({});
        ASSERT_TRUE(driver.ready());
    }
    window.btnOpen_Click();
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true,
                                    "Cannot open device.  (Err #8002 Invalid port number)", "", "",
                                    "", false, false}));
    EXPECT_EQ(desktop.beeps, 1);
    EXPECT_TRUE(desktop.messages.empty());

    loadCommandList(window, {{"/rawxact never", true}}, false);
    window.btnSend_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text,
              "KVR Reader 0 (COM5) did not open.  Please correct and retry.");
    EXPECT_EQ(portArea(), (PortArea{"&Test", true, true, "closed", "none", "", "", false, false}));
    expectWorkingAgain();
}

// Killed as soon as the port is open, while the port settles; its port closed
// at the driver's first and at its second line.
TEST_F(DriverGone, AtEveryStepOfTheOpenDialogue)
{
    const PortArea noReader{"&Open Port", true, true, kNoReader, "", "5", "", false, false};
    const PortArea noDeviceVersion{
        "&Open Port",   true,  true, "KVR-SIM 2.10", "(none returned)", "5",
        "KVR Reader 0", false, true};
    struct Step {
        const char* what;
        QStringList options;
        bool killOnceOpen;
        PortArea expected;
    } const steps[] = {
        {"killed once the port is open", {}, true, noReader},
        {"port closed at /ver", {"--close-after", "1"}, false, noReader},
        {"port closed at /get dev_version", {"--close-after", "2"}, false, noDeviceVersion},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        desktop.beeps = 0;
        {
            SimulatedDriver driver(step.options);
            ASSERT_TRUE(driver.ready());
            QTimer killer;
            QObject::connect(&killer, &QTimer::timeout, [&] {
                if (window.MSComm1->PortOpen()) {
                    driver.kill();
                    killer.stop();
                }
            });
            if (step.killOnceOpen) {
                killer.start(0);
            }
            window.btnOpen_Click();
            EXPECT_EQ(portArea(), step.expected);
            EXPECT_EQ(desktop.beeps, step.expected.readerFound ? 0 : 1);
            EXPECT_TRUE(desktop.messages.empty());
        }
        expectWorkingAgain();
    }
}

TEST_F(DriverGone, DuringARun)
{
    // Killed once it has the line "/rawxact one", whose reply it holds back; a
    // longer tick lets the dialogues' held-back replies still come in time.
    window.Timer1->setInterval(20);
    loadCommandList(
        window, {{"/rawxact one", true}, {"/rawsend two", false}, {"/rawxact three", true}}, false);
    {
        SimulatedDriver driver({"--delay", "300", "--log", log.path()});
        ASSERT_TRUE(driver.ready());
        QTimer killer;
        QObject::connect(&killer, &QTimer::timeout, [&] {
            if (log.lines().contains("COM5: /rawxact one")) {
                driver.kill();
                killer.stop();
            }
        });
        killer.start(1);
        window.btnSend_Click();
    }
    EXPECT_EQ(window.txtCommandList->text(),
              "Sending Commands:\r\n" + kRule +
                  "\r\n"
                  " Sending: /rawxact one -->  NO RESPONSE!!!!\r\n"
                  " Sending: /rawsend two\r\n"
                  " Sending: /rawxact three -->  NO RESPONSE!!!!\r\n" +
                  kRule + "\r\nDone");
    EXPECT_EQ(log.commands(), QStringList{"COM5: /rawxact one"});
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(portArea(),
              (PortArea{"&Test", true, true, "closed", "none", "5", "KVR Reader 0", false, false}));
    window.Timer1->setInterval(5);
    QFile::remove(log.path());
    expectWorkingAgain();

    // The port closed at the "/ver" of the run's second dialogue, whose outcome
    // the run does not examine: every line goes nowhere.
    QFile::remove(log.path());
    {
        SimulatedDriver driver({"--close-after", "3", "--log", log.path()});
        ASSERT_TRUE(driver.ready());
        window.btnSend_Click();
    }
    EXPECT_EQ(window.txtCommandList->text(),
              "Sending Commands:\r\n" + kRule +
                  "\r\n"
                  " Sending: /rawxact again -->  NO RESPONSE!!!!\r\n" +
                  kRule + "\r\nDone");
    EXPECT_EQ(log.commands(), QStringList());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(portArea(), (PortArea{"&Test", true, true, "closed", "none", "5", "", false, false}));

    // The port closed at the second of four "/rawsend" lines: the rest go nowhere.
    loadCommandList(window,
                    {{"/rawsend a", false},
                     {"/rawsend b", false},
                     {"/rawsend c", false},
                     {"/rawsend d", false},
                     {"/rawxact e", true}},
                    false);
    QFile::remove(log.path());
    {
        SimulatedDriver driver({"--close-after", "6", "--log", log.path()});
        ASSERT_TRUE(driver.ready());
        window.btnSend_Click();
    }
    EXPECT_EQ(window.txtCommandList->text(), "Sending Commands:\r\n" + kRule +
                                                 "\r\n"
                                                 " Sending: /rawsend a\r\n"
                                                 " Sending: /rawsend b\r\n"
                                                 " Sending: /rawsend c\r\n"
                                                 " Sending: /rawsend d\r\n"
                                                 " Sending: /rawxact e -->  NO RESPONSE!!!!\r\n" +
                                                 kRule + "\r\nDone");
    EXPECT_EQ(log.commands(), (QStringList{"COM5: /rawsend a", "COM5: /rawsend b"}));
    EXPECT_TRUE(desktop.messages.empty());
    QFile::remove(log.path());
    expectWorkingAgain();
}

TEST_F(DriverGone, ThePortHeldByAnotherProgram)
{
    SimulatedDriver driver({"--log", log.path()});
    ASSERT_TRUE(driver.ready());
    ChildHolding other([] {
        auto port = std::make_unique<MSComm>(nullptr);
        port->setCommPort(5);
        return port->setPortOpen(true) ? nullptr : std::move(port);
    });
    ASSERT_TRUE(other.holding());

    window.btnOpen_Click();
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true,
                                    "Cannot open device.  (Err #8005 Port already open)", "", "",
                                    "", false, false}));
    loadCommandList(window, {{"/rawxact never", true}}, false);
    window.btnSend_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, "Warning");
    EXPECT_TRUE(log.lines().isEmpty());

    other.release();
    window.btnOpen_Click();
    EXPECT_TRUE(window.bReaderFound);
}

// The port list names a driver device rather than a port: one that is not
// there, one that never answers, and one whose driver has been stopped.
TEST_F(DriverGone, TheDriversDeviceMissingOrSilent)
{
    window.Combo2->setEditText("KVR3");
    window.btnOpen_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Unable to open the device");
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "", "", "", "", false, false}));

    Pty silent;
    const QString devices = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/devices";
    ASSERT_TRUE(QDir().mkpath(devices));
    ASSERT_TRUE(QFile::link(silent.slavePath(), devices + "/Silent"));
    window.Combo2->setEditText("Silent");
    window.btnOpen_Click();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text, "Could not get port number!");
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "", "", "", "", false, false}));
    EXPECT_TRUE(silent.read(14).startsWith("/get port_name"));
    QFile::remove(devices + "/Silent");

    {
        SimulatedDriver driver({});
        ASSERT_TRUE(driver.ready());
    }
    window.Combo2->setEditText("KVR0");
    window.btnOpen_Click();
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[2].text, "Unable to open the device");

    SimulatedDriver driver({});
    ASSERT_TRUE(driver.ready());
    window.btnOpen_Click();
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "KVR-SIM 2.10", "RDR-4000 v3.1", "5",
                                    "KVR0", true, true}));
}

} // namespace
