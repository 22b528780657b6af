#include "device/MSComm.h"
#include "support/ClockDriver.h"
#include "support/CommandListEntries.h"
#include "support/DriverLog.h"
#include "support/Fixtures.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/ScriptedReader.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const QString kRule(45, u'=');

class Sending : public testing::Test {
protected:
    void SetUp() override
    {
        window.Timer1->setInterval(5);
        window.setClock(clock);
        window.Combo2->setEditText("KVR Reader 0 (COM5)");
    }

    void load(const QList<std::pair<QString, bool>>& entries, bool needsSerial)
    {
        loadCommandList(window, entries, needsSerial);
    }

    QStringList commandsReceived() const { return log.commands(); }

    DriverLog log;
    const QString logPath = log.path();
    ManualClock clock;
    // The 20-second reply wait passes in about a second, so a lost reply fails a test rather than
    // hanging it.
    ClockDriver clockDriver{clock, 40ms};
    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(Sending, AFullRunSendsEveryLineAndWritesTheTranscript)
{
    SimulatedDriver driver({"--log", logPath});
    ASSERT_TRUE(driver.ready());
    load({{" Comment:Bench 4", false},
          {"/rawsend /write serial {{SN}} tail", false},
          {"/rawxact /read {{sn}}", true},
          {"/rawxact /read status", true}},
         true);
    window.txtSerialNumber->setText(" 42 ");
    EXPECT_TRUE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);

    window.btnSend->click();

    const QString transcript =
        "Sending Commands:\r\n" + kRule +
        "\r\n"
        " Comment:Bench 4\r\n"
        " Sending: /rawsend /write serial 0000000000000042\r\n"
        " Sending: /rawxact /read 0000000000000042 --> ACK /read 0000000000000042\r\n"
        " Sending: /rawxact /read status --> ACK /read status\r\n" +
        kRule + "\r\nDone";
    EXPECT_EQ(window.txtCommandList->text(), transcript);
    // Shown whole as the run ends, not a frame later.
    EXPECT_EQ(window.txtCommandList->toPlainText(), QString(transcript).replace("\r\n", "\n"));
    EXPECT_EQ(commandsReceived(), (QStringList{"COM5: /rawsend /write serial 0000000000000042",
                                               "COM5: /rawxact /read 0000000000000042",
                                               "COM5: /rawxact /read status"}));
    EXPECT_TRUE(desktop.messages.empty());
    // Closed again, waiting for the next serial number.
    EXPECT_FALSE(window.MSComm1->PortOpen());
    EXPECT_EQ(window.txtDeviceDriver->text(), "closed");
    EXPECT_EQ(window.txtSerialNumber->text(), "");
    EXPECT_FALSE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kWaitingForSerial);
}

TEST_F(Sending, AnEmptyListGivesTheFrameAndDone)
{
    SimulatedDriver driver({});
    ASSERT_TRUE(driver.ready());
    load({}, false);
    window.btnSend_Click();
    EXPECT_EQ(window.txtCommandList->text(),
              "Sending Commands:\r\n" + kRule + "\r\n" + kRule + "\r\nDone");
    EXPECT_TRUE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);
}

TEST_F(Sending, WithoutAReaderNothingIsSent)
{
    SimulatedDriver driver({"--silent", "--log", logPath});
    ASSERT_TRUE(driver.ready());
    load({{"/rawsend one", false}}, true);
    window.txtSerialNumber->setText("123");
    window.btnSend_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text,
              "KVR Reader 0 (COM5) did not open.  Please correct and retry.");
    EXPECT_EQ(desktop.messages[0].style, 80);
    EXPECT_EQ(desktop.messages[0].title, "Warning");
    EXPECT_EQ(commandsReceived(), QStringList());
    EXPECT_EQ(window.txtSerialNumber->text(), "");
    EXPECT_FALSE(window.MSComm1->PortOpen());
    EXPECT_FALSE(window.btnSend->isEnabled());
}

TEST_F(Sending, ARawCommandWithoutReplyIsMarkedAndTheRunGoesOn)
{
    ScriptedReader reader(
        {{"/ver", "/ver 1.0\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    load({{"/rawxact lost", true}, {"/rawsend after", false}}, false);
    window.btnSend_Click();
    EXPECT_TRUE(window.txtCommandList->text().contains(
        " Sending: /rawxact lost -->  NO RESPONSE!!!!\r\n Sending: /rawsend after\r\n"))
        << window.txtCommandList->text().toStdString();
    EXPECT_TRUE(
        QTest::qWaitFor([&reader] { return reader.received().contains("/rawsend after"); }, 2000));
}

TEST_F(Sending, APortClosedByTheDriverMidRunEndsInNoResponse)
{
    // Two dialogues send four lines; the port closes at the sixth.
    SimulatedDriver simulated({"--close-after", "6"});
    ASSERT_TRUE(simulated.ready());
    load({{"/rawxact one", true}, {"/rawxact two", true}, {"/rawxact three", true}}, false);
    window.btnSend_Click();
    EXPECT_EQ(window.txtCommandList->text(),
              "Sending Commands:\r\n" + kRule +
                  "\r\n"
                  " Sending: /rawxact one --> ACK one\r\n"
                  " Sending: /rawxact two -->  NO RESPONSE!!!!\r\n"
                  " Sending: /rawxact three -->  NO RESPONSE!!!!\r\n" +
                  kRule + "\r\nDone");
}

TEST_F(Sending, RepliesInPiecesOrAmongNoiseStayWholeOnTheirLines)
{
    for (const QStringList& fault : {QStringList{"--pieces", "3"}, QStringList{"--noise", "10"}}) {
        SimulatedDriver driver(fault);
        ASSERT_TRUE(driver.ready());
        load({{"/rawxact first", true}, {"/rawxact second", true}}, false);
        window.btnSend_Click();
        // Noise that comes right behind a reply joins its reading, as on a
        // real line; the reply itself is never cut.
        const QStringList lines = window.txtCommandList->text().split("\r\n");
        ASSERT_EQ(lines.size(), 6) << window.txtCommandList->text().toStdString();
        EXPECT_TRUE(lines[2].startsWith(" Sending: /rawxact first --> ACK first"))
            << lines[2].toStdString();
        EXPECT_TRUE(lines[3].startsWith(" Sending: /rawxact second --> ACK second"))
            << lines[3].toStdString();
    }
}

TEST_F(Sending, ALineWaitingForItsReplyIsShownWhileItWaits)
{
    // A long reply in pieces 10 ms apart keeps the run waiting for half a second.
    SimulatedDriver driver({"--pieces", "2"});
    ASSERT_TRUE(driver.ready());
    const QString line = "/rawxact " + QString(90, u'x');
    load({{line, true}}, false);
    bool shownWaiting = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        shownWaiting = shownWaiting || window.txtCommandList->toPlainText().endsWith(
                                           "\n Sending: " + line + " --> ");
    });
    look.start(20);
    window.btnSend_Click();
    EXPECT_TRUE(shownWaiting);
    // How the pieces group into readings is the grouping rule's business, not this test's.
    EXPECT_TRUE(window.txtCommandList->text().contains("\n Sending: " + line + " --> ACK x"));
    EXPECT_TRUE(window.txtCommandList->text().endsWith(kRule + "\r\nDone"))
        << window.txtCommandList->text().toStdString();
}

TEST_F(Sending, EnterInTheSerialBoxSendsOnlyWithANumber)
{
    SimulatedDriver driver({"--log", logPath});
    ASSERT_TRUE(driver.ready());
    load({{"/rawsend {{SN}}", false}}, true);
    window.show();
    window.txtSerialNumber->setFocus();
    window.txtSerialNumber_Change();
    QTest::keyClick(window.txtSerialNumber, Qt::Key_Return);
    QTest::qWait(100);
    EXPECT_EQ(log.lines(), QStringList());
    EXPECT_FALSE(window.btnSend->isEnabled());

    QTest::keyClicks(window.txtSerialNumber, "7");
    EXPECT_TRUE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);
    QTest::keyClick(window.txtSerialNumber, Qt::Key_Return);
    // The simulator logs what it reads a moment after the program has sent it.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return commandsReceived() == QStringList{"COM5: /rawsend 0000000000000007"}; },
        2000))
        << commandsReceived().join(" | ").toStdString();
}

TEST_F(Sending, ClosingTheWindowDuringARunEndsItCleanly)
{
    ScriptedReader reader(
        {{"/ver", "/ver 1.0\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    load({{"/rawxact waits", true}, {"/rawsend never", false}}, false);
    window.show();
    QTimer::singleShot(300, &window, [this] {
        EXPECT_TRUE(window.close());
        QFile::remove(program.settingsFile());
    });
    window.btnSend_Click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.MSComm1->PortOpen());
    EXPECT_FALSE(QFile::exists(program.settingsFile()));
    EXPECT_FALSE(reader.received().contains("/rawsend never"));
    EXPECT_FALSE(window.txtCommandList->text().endsWith("Done"));
}

// A serial number left in the box is one to send with: Go stays ready after a
// run that used none of it, and when a file that asks for one is read.
TEST_F(Sending, ANumberLeftInTheBoxKeepsGoReady)
{
    SimulatedDriver driver({"--log", logPath});
    ASSERT_TRUE(driver.ready());
    const auto expectGoReady = [this] {
        EXPECT_TRUE(window.btnSend->isEnabled());
        EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);
    };
    // The only placeholder stands in a row skipped for its code.
    window.sCmdFile = madeFixture("serial-on-skipped-row.xls");
    ASSERT_TRUE(window.ReadCommandExcelFile(window.sCmdFile));
    EXPECT_FALSE(window.txtSerialNumber->isHidden());
    EXPECT_FALSE(window.btnSend->isEnabled());
    window.txtSerialNumber->setText("42");
    window.btnSend_Click();
    // The simulator logs what it reads a moment after the program has sent it.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return commandsReceived() == QStringList{"COM5: /rawsend plain"}; }, 2000));
    EXPECT_EQ(window.txtSerialNumber->text(), "42");
    expectGoReady();

    window.sCmdFile = madeFixture("serial.xls");
    ASSERT_TRUE(window.ReadCommandExcelFile(window.sCmdFile));
    expectGoReady();
    window.txtSerialNumber->clear();
    EXPECT_FALSE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kWaitingForSerial);
}

// The driver receives Windows-1252, "?" for what that code page cannot hold,
// and the transcript shows the line as it went out; replies are read alike.
TEST_F(Sending, LinesGoOutInTheWiresCodePageAndTheTranscriptShowsThem)
{
    ScriptedReader reader(
        {{"/ver", "/ver 1.0\r\n"},
         {"/get dev_version", "/get dev_version value: RDR\n"},
         {"/rawxact \x80uro \x93q\x94 ? 00000000000000?7", "/rawxact \xe9t\xe9\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    load({{QString::fromUtf8("/rawxact \u20acuro \u201cq\u201d \u0100 {{SN}}"), true}}, true);
    window.txtSerialNumber->setText(QString::fromUtf8("\u03a97"));
    window.btnSend_Click();
    EXPECT_EQ(reader.received().value(4), "/rawxact \x80uro \x93q\x94 ? 00000000000000?7");
    EXPECT_TRUE(window.txtCommandList->text().contains(QString::fromUtf8(
        " Sending: /rawxact \u20acuro \u201cq\u201d ? 00000000000000?7 --> \u00e9t\u00e9\r\n")))
        << window.txtCommandList->text().toStdString();
}

} // namespace
