#include "device/MSComm.h"
#include "support/PortArea.h"
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

#include <QFile>
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
    ScriptedReader reader({{"/ver", "/ver \t\r\n"}});
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

// Closes the window `after` milliseconds into a dialogue and checks that the
// dialogue gives up at once: the port closed, the settings stored only by the
// close, and nothing changed on the window afterwards.
class ClosingDuringADialogue : public OpenDialogue {
protected:
    void closeAfter(int after)
    {
        select("Bench (COM5)");
        window.show();
        QString driverTextAtClose;
        QTimer::singleShot(after, &window, [&] {
            EXPECT_TRUE(window.close());
            driverTextAtClose = window.txtDeviceDriver->text();
            // Anything stored after this would be a second store.
            QFile::remove(program.settingsFile());
        });
        window.btnOpen_Click();
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.MSComm1->PortOpen());
        EXPECT_FALSE(QFile::exists(program.settingsFile()));
        EXPECT_FALSE(window.bReaderFound);
        EXPECT_EQ(window.txtDeviceDriver->text(), driverTextAtClose);
    }
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
    closeAfter(100);
    EXPECT_EQ(reader.received(), (QList<QByteArray>{"/ver"}));
}

TEST_F(ClosingDuringADialogue, WhileItWaitsForTheDeviceVersion)
{
    ScriptedReader reader({{"/ver", "/ver 1.02\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    closeAfter(150);
    EXPECT_EQ(reader.received(), (QList<QByteArray>{"/ver", "/get dev_version"}));
}

} // namespace
