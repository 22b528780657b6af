#include "device/MSComm.h"
#include "support/PaintWatch.h"
#include "support/PortArea.h"
#include "support/Pty.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/ScriptedReader.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class OpenDialogue : public testing::Test {
protected:
    void SetUp() override
    {
        // A shorter tick makes the waits short; the rules stay the same.
        window.Timer1->setInterval(5);
    }

    void select(const QString& selector) { window.Combo2->setEditText(selector); }

    PortArea portArea() const { return portAreaOf(window); }

    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(OpenDialogue, AnAnsweringReaderIsDetected)
{
    SimulatedDriver driver({"--readers", "2", "--first-port", "11"});
    ASSERT_TRUE(driver.ready());
    window.DiscoverDrivers();
    window.Combo2->setCurrentIndex(1);
    window.btnOpen_Click();
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "KVR-SIM 2.10", "RDR-4000 v3.1", "12",
                                    "KVR Reader 1", true, true}));
    EXPECT_FALSE(window.bDetecting);
    EXPECT_FALSE(window.bOpenBusy);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(desktop.beeps, 0);
    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("Port_Num= 1"));

    // Opening again closes the port and runs the whole dialogue anew.
    window.btnOpen_Click();
    EXPECT_TRUE(window.bReaderFound);

    window.SetClosedState();
    EXPECT_EQ(portArea(), (PortArea{"&Test", true, true, "closed", "none", "12", "KVR Reader 1",
                                    false, false}));
}

TEST_F(OpenDialogue, AReaderWithoutDeviceVersionStillCounts)
{
    SimulatedDriver driver({"--no-device-version", "--first-port", "7"});
    ASSERT_TRUE(driver.ready());
    select("com7");
    window.btnOpen_Click();
    EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "KVR-SIM 2.10", "(none returned)",
                                    "7", "com7", true, true}));
}

TEST_F(OpenDialogue, ASilentReaderLeavesThePortOpenWithoutAReader)
{
    SimulatedDriver driver({"--silent"});
    ASSERT_TRUE(driver.ready());
    select("Bench (COM5)");
    window.btnOpen_Click();
    EXPECT_EQ(portArea(),
              (PortArea{"&Open Port", true, true, "Port opened but did not detect reader", "", "5",
                        "", true, false}));
    EXPECT_TRUE(window.bDetecting);
    EXPECT_EQ(desktop.beeps, 1);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(OpenDialogue, SelectorsWithoutALegalPortAreRefused)
{
    for (const QString selector : {"COM4", "COM", "MyCOMport", "  Old (COM3)  "}) {
        desktop.messages.clear();
        select(selector);
        window.btnOpen_Click();
        ASSERT_EQ(desktop.messages.size(), 1u) << selector.toStdString();
        EXPECT_EQ(desktop.messages[0].text,
                  "\"" + selector.trimmed() + "\" is not a legal virtual com port.");
        EXPECT_EQ(desktop.messages[0].style, 48);
        EXPECT_EQ(desktop.messages[0].title, "Error");
        EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "", "", "", "", false, false}));
        EXPECT_FALSE(window.bOpenBusy);
    }
    EXPECT_EQ(desktop.beeps, 4);
}

TEST_F(OpenDialogue, ADeviceNameAsksTheDriverForItsPort)
{
    SimulatedDriver driver({"--readers", "2", "--first-port", "8"});
    ASSERT_TRUE(driver.ready());
    select(" KVR1 ");
    window.btnOpen_Click();
    EXPECT_EQ(window.lblCurrPort->text(), "9");
    EXPECT_EQ(window.MSComm1->CommPort(), 9);
    EXPECT_TRUE(window.bReaderFound);

    for (const QString device : {"NoSuchDevice", "..", "../registry.reg", "dev\\KVR0"}) {
        desktop.messages.clear();
        select(device);
        window.btnOpen_Click();
        ASSERT_EQ(desktop.messages.size(), 1u) << device.toStdString();
        EXPECT_EQ(desktop.messages[0].text, "Unable to open the device");
        EXPECT_EQ(portArea(), (PortArea{"&Open Port", true, true, "", "", "", "", false, false}));
    }
}

TEST_F(OpenDialogue, APortHeldElsewhereCannotBeOpened)
{
    SimulatedDriver driver({});
    ASSERT_TRUE(driver.ready());
    MSComm other(nullptr);
    other.setCommPort(5);
    ASSERT_FALSE(other.setPortOpen(true));
    select("KVR Reader 0 (COM5)");
    window.btnOpen_Click();
    EXPECT_TRUE(window.txtDeviceDriver->text().startsWith("Cannot open device.  (Err #"))
        << window.txtDeviceDriver->text().toStdString();
    EXPECT_TRUE(window.txtDeviceDriver->text().endsWith(")"));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(desktop.beeps, 1);
    EXPECT_EQ(window.lblCurrPort->text(), "");
    EXPECT_FALSE(window.MSComm1->PortOpen());
}

TEST_F(OpenDialogue, RepliesAreRecognisedByTheirKeywords)
{
    ScriptedReader reader({{"/ver", "/ver \x01 \r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    select("Bench (COM5)");
    window.btnOpen_Click();
    // A /ver reply of blanks and control characters is no reader.
    EXPECT_EQ(window.txtDeviceDriver->text(), "Port opened but did not detect reader");
    EXPECT_EQ(reader.received(), (QList<QByteArray>{"/ver"}));

    ScriptedReader both({{"/ver", "/ver 1.02 dev_version 9\r\n"},
                         {"/get dev_version", "/get dev_version value: \n"}});
    window.MSComm1->setPortLocator([&both](int) { return both.path(); });
    window.btnOpen_Click();
    EXPECT_EQ(window.txtDeviceDriver->text(), "1.02 dev_version 9");
    // A version reply of exactly 25 characters leaves no version.
    EXPECT_EQ(window.lblDevice->text(), "(none returned)");
    EXPECT_TRUE(window.bReaderFound);
}

TEST_F(OpenDialogue, RawReplyDuringTheDialogueGoesToItsOwnPlace)
{
    ScriptedReader reader({{"/ver", "/rawxact:  late answer\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    select("Bench (COM5)");
    window.btnOpen_Click();
    EXPECT_EQ(window.sRawReply, "late answer");
    EXPECT_EQ(window.txtDeviceDriver->text(), "Port opened but did not detect reader");

    // A device version that comes after the dialogue is still shown, but the
    // button stays: it is hidden only while a dialogue runs.
    reader.send("/get dev_version value: RDR\n");
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.lblDevice->text() == "RDR"; }, 2000));
    EXPECT_EQ(window.txtCurrName->text(), "Bench (COM5)");
    EXPECT_FALSE(window.btnOpen->isHidden());

    // Replies while no dialogue waits change nothing; an empty reading is reported.
    window.bDetecting = false;
    reader.send("/ver 9.99\r\n");
    QTest::qWait(200);
    EXPECT_EQ(window.txtDeviceDriver->text(), "Port opened but did not detect reader");
    window.bDetecting = true;
    reader.send("/ver 9.99\r\n");
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.txtDeviceDriver->text() == "9.99"; }, 2000));
    EXPECT_FALSE(window.bDetecting);
}

TEST_F(OpenDialogue, ASecondClickDuringADialogueReturnsAtOnce)
{
    SimulatedDriver driver({"--silent"});
    ASSERT_TRUE(driver.ready());
    select("Bench (COM5)");
    bool secondReturned = false;
    QTimer::singleShot(50, &window, [&] {
        window.btnOpen_Click();
        secondReturned = true;
    });
    window.btnOpen_Click();
    EXPECT_TRUE(secondReturned);
    EXPECT_EQ(window.txtDeviceDriver->text(), "Port opened but did not detect reader");
    EXPECT_FALSE(window.bOpenBusy);
}

// A driver device linked into the KVR folder, played by the test on a pseudo-terminal.
class DeviceOnPty {
public:
    explicit DeviceOnPty(const QString& name)
        : link_(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/devices/" + name)
    {
        QDir().mkpath(QFileInfo(link_).absolutePath());
        EXPECT_TRUE(QFile::link(pty_.slavePath(), link_));
    }
    ~DeviceOnPty() { QFile::remove(link_); }
    Pty& pty() { return pty_; }

private:
    Pty pty_;
    QString link_;
};

// The driver's device answers only after a second, from the test's own event
// loop: the window must keep handling events meanwhile. The settling wait
// that follows the opening of the port then lasts its two ticks of the real
// clock, however long the device took.
TEST_F(OpenDialogue, ALateDriverDeviceLeavesTheWindowLiveAndThePortSettles)
{
    window.Timer1->setInterval(60);
    window.show();
    DeviceOnPty device("Late");
    ScriptedReader reader(
        {{"/ver", "/ver 1.02\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    QElapsedTimer clock;
    clock.start();
    qint64 portShown = -1;
    qint64 verReceived = -1;
    reader.whenReceived = [&](const QByteArray& line) {
        if (line == "/ver") {
            verReceived = clock.elapsed();
        }
    };
    // The port number, painted at once, is the last thing before the port opens.
    PaintWatch portPainted(window.lblCurrPort, [&] {
        if (window.lblCurrPort->text() == "12" && portShown < 0) {
            portShown = clock.elapsed();
        }
    });
    // The device's answer: the port number stands at characters 28 to 30.
    QTimer::singleShot(1000, &window, [&device] {
        device.pty().write(QByteArray("Port of the reader").leftJustified(27, ' ') +
                           "12 (COM12)\r\n");
    });
    qint64 worstGap = 0;
    qint64 lastBeat = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, clock.elapsed() - lastBeat);
        lastBeat = clock.elapsed();
    });
    heartbeat.start(10);

    select("Late");
    window.btnOpen_Click();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(window.bReaderFound);
    EXPECT_EQ(window.lblCurrPort->text(), "12");
    EXPECT_LT(worstGap, 500) << "the window stood still while the device was asked";
    ASSERT_GE(portShown, 1000);
    EXPECT_GE(verReceived - portShown, 120) << "the port settled for less than two ticks";
}

// The ticks of Timer1 follow the real clock: a reader that never gives its
// device version is waited for 100 ticks, never less than 6 s. Late ticks on
// a busy machine only make it longer, so the upper bound is loose: it catches
// a wait that counts its ticks twice, not a slow machine.
TEST_F(OpenDialogue, TheDeviceVersionWaitLastsItsTicksByTheRealClock)
{
    window.Timer1->setInterval(60);
    ScriptedReader reader({{"/ver", "/ver 1.02\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    QElapsedTimer waited;
    reader.whenReceived = [&](const QByteArray& line) {
        if (line == "/get dev_version") {
            waited.start();
        }
    };
    select("Bench (COM5)");
    window.btnOpen_Click();
    const qint64 ms = waited.elapsed();
    EXPECT_EQ(window.lblDevice->text(), "(none returned)");
    EXPECT_GE(ms, 6000);
    EXPECT_LT(ms, 9000);
}

// Closes the window during a dialogue, `after` milliseconds into it or once
// `reader` has received `line`, and checks that the dialogue gives up at once:
// the port closed, the settings stored only by the close, and nothing changed
// on the window afterwards.
class ClosingDuringADialogue : public OpenDialogue {
protected:
    void closeAfter(int after, const QString& selector = "Bench (COM5)")
    {
        select(selector);
        window.show();
        QTimer::singleShot(after, &window, [this] { closeNow(); });
        runAndCheck();
    }

    void closeWhenReceived(ScriptedReader& reader, const QByteArray& line)
    {
        select("Bench (COM5)");
        window.show();
        reader.whenReceived = [this, line](const QByteArray& received) {
            if (received == line) {
                QTimer::singleShot(0, &window, [this] { closeNow(); });
            }
        };
        runAndCheck();
    }

private:
    void closeNow()
    {
        EXPECT_TRUE(window.close());
        driverTextAtClose_ = window.txtDeviceDriver->text();
        // Anything stored after this would be a second store.
        QFile::remove(program.settingsFile());
    }

    void runAndCheck()
    {
        window.btnOpen_Click();
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.MSComm1->PortOpen());
        EXPECT_FALSE(QFile::exists(program.settingsFile()));
        EXPECT_FALSE(window.bReaderFound);
        EXPECT_EQ(window.txtDeviceDriver->text(), driverTextAtClose_);
    }

    QString driverTextAtClose_;
};

TEST_F(ClosingDuringADialogue, WhileTheKeysThatStartedItAreHeld)
{
    window.show();
    QTest::keyPress(&window, Qt::Key_Alt);
    closeAfter(50);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ClosingDuringADialogue, WhileThePortSettles)
{
    ScriptedReader reader({});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    window.Timer1->setInterval(60);
    closeAfter(50);
    EXPECT_TRUE(reader.received().isEmpty());
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Closing the comm port before exiting");
    EXPECT_EQ(desktop.messages[0].title, "Bench (COM5) is open");
}

TEST_F(ClosingDuringADialogue, WhileItWaitsForTheDriverVersion)
{
    ScriptedReader reader({});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    closeWhenReceived(reader, "/ver");
    EXPECT_EQ(reader.received(), (QList<QByteArray>{"/ver"}));
}

TEST_F(ClosingDuringADialogue, WhileItWaitsForTheDeviceVersion)
{
    ScriptedReader reader({{"/ver", "/ver 1.02\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    closeWhenReceived(reader, "/get dev_version");
    EXPECT_EQ(reader.received(), (QList<QByteArray>{"/ver", "/get dev_version"}));
}

TEST_F(ClosingDuringADialogue, WhileItAsksTheDriversDevice)
{
    DeviceOnPty device("Silent");
    closeAfter(150, "Silent");
    EXPECT_TRUE(device.pty().read(14).startsWith("/get port_name"));
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
