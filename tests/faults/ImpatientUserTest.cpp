#include "support/CommandListEntries.h"
#include "support/PortArea.h"
#include "support/QtPrinters.h"
#include "support/ScriptedReader.h"
#include "support/WindowFixture.h"
#include "ui/ColourButton.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

const QString kRule(45, u'=');

// A user who does not wait: Go, Test, and Enter in the port list and in the
// serial-number box, `times` over, queued in the event loop.
void queueImpatientClicks(frmMain& window, int times)
{
    for (int i = 0; i < times; ++i) {
        QMetaObject::invokeMethod(window.btnSend, &QAbstractButton::click, Qt::QueuedConnection);
        QMetaObject::invokeMethod(window.btnOpen, &QAbstractButton::click, Qt::QueuedConnection);
        for (QWidget* box : {static_cast<QWidget*>(window.Combo2->lineEdit()),
                             static_cast<QWidget*>(window.txtSerialNumber)}) {
            QCoreApplication::postEvent(
                box, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
            QCoreApplication::postEvent(
                box, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
        }
    }
}

// At every line the reader receives the user clicks again, and the reader
// answers only after those clicks, so that each of the program's waits has
// them to handle.
class RepeatedClicks : public WindowFixture {
protected:
    void SetUp() override
    {
        window.MSComm1->setPortLocator([this](int) { return reader.path(); });
        window.Combo2->setEditText("Bench (COM5)");
        window.show();
        loadCommandList(window,
                        {{" Comment:start", false},
                         {"/rawxact one", true},
                         {"/rawsend two", false},
                         {"/rawxact three", true}},
                        false);
        reader.whenReceived = [this](const QByteArray& line) {
            if (!clicking) {
                return;
            }
            queueImpatientClicks(window, 3);
            if (const QByteArray reply = replies.value(line); !reply.isEmpty()) {
                QMetaObject::invokeMethod(
                    &window, [this, reply] { reader.send(reply); }, Qt::QueuedConnection);
            }
        };
    }

    const QMap<QByteArray, QByteArray> replies{
        {"/ver", "/ver 1.0\r\n"},
        {"/get dev_version", "/get dev_version value: RDR\n"},
        {"/rawxact one", "/rawxact one done\r\n"},
        {"/rawxact three", "/rawxact three done\r\n"}};
    bool clicking = true;
    ScriptedReader reader{{}};
};

const QList<QByteArray> kDialogue{"/ver", "/get dev_version"};

TEST_F(RepeatedClicks, DuringARunNeitherRunNorDialogueStartsAgain)
{
    window.btnSend_Click();

    EXPECT_EQ(window.txtCommandList->text(), "Sending Commands:\r\n" + kRule +
                                                 "\r\n"
                                                 " Comment:start\r\n"
                                                 " Sending: /rawxact one --> one done\r\n"
                                                 " Sending: /rawsend two\r\n"
                                                 " Sending: /rawxact three --> three done\r\n" +
                                                 kRule + "\r\nDone");
    const QList<QByteArray> commands{"/rawxact one", "/rawsend two", "/rawxact three"};
    EXPECT_EQ(reader.received(), kDialogue + kDialogue + commands);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(portAreaOf(window),
              (PortArea{"&Test", true, true, "closed", "none", "5", "Bench", false, false}));
    EXPECT_TRUE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);
}

TEST_F(RepeatedClicks, DuringATestDialogueNoRunStarts)
{
    window.btnOpen_Click();
    clicking = false;

    EXPECT_EQ(reader.received(), kDialogue);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(portAreaOf(window),
              (PortArea{"&Open Port", true, true, "1.0", "RDR", "5", "Bench", true, true}));

    // Go still works once the dialogue is over; clicks queued meanwhile may start it.
    reader.whenReceived = [this](const QByteArray& line) { reader.send(replies.value(line)); };
    QCoreApplication::removePostedEvents(nullptr);
    window.btnSend_Click();
    EXPECT_TRUE(window.txtCommandList->text().endsWith(
        " Sending: /rawxact three --> three done\r\n" + kRule + "\r\nDone"))
        << window.txtCommandList->text().toStdString();
    EXPECT_EQ(portAreaOf(window),
              (PortArea{"&Test", true, true, "closed", "none", "5", "Bench", false, false}));
}

} // namespace
