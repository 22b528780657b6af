#include "device/MSComm.h"
#include "support/Pty.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Closing : public testing::Test {
protected:
    void SetUp() override
    {
        window.MSComm1->setPortLocator([this](int) { return pty.slavePath(); });
        window.Combo2->addSorted("Reader A (COM5)");
        window.Combo2->setCurrentIndex(0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void openPort()
    {
        window.MSComm1->setCommPort(5);
        const auto error = window.MSComm1->setPortOpen(true);
        ASSERT_FALSE(error) << error->description.toStdString();
        ASSERT_TRUE(window.MSComm1->PortOpen());
    }

    Pty pty;
    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(Closing, WithThePortClosedNoMessageIsShown)
{
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Closing, AnOpenPortIsClosedFirstAndTheUserIsTold)
{
    openPort();
    bool portOpenDuringMessage = true;
    desktop.whileMessageShown = [this, &portOpenDuringMessage](const auto&) {
        portOpenDuringMessage = window.MSComm1->PortOpen();
    };
    EXPECT_TRUE(window.close());

    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Closing the comm port before exiting");
    EXPECT_EQ(desktop.messages[0].style, 48);
    EXPECT_EQ(desktop.messages[0].title, "Reader A (COM5) is open");
    EXPECT_FALSE(portOpenDuringMessage);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Closing, SettingsAreStoredLastPortEntryBeforePlacement)
{
    openPort();
    bool storedDuringMessage = true;
    desktop.whileMessageShown = [this, &storedDuringMessage](const auto&) {
        storedDuringMessage = QFile::exists(program.settingsFile());
    };
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(storedDuringMessage);

    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_LT(text.indexOf("[Current_Port]"), text.indexOf("[Select_Window_frmMain]"));
    EXPECT_GE(text.indexOf("[Current_Port]"), 0);
}

TEST_F(Closing, WhileThePortIsBeingOpenedTheCloseIsRefused)
{
    window.bOpeningPort = true;
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(QFile::exists(program.settingsFile()));

    // A port that already reads open is closed all the same, with the message.
    openPort();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.MSComm1->PortOpen());
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, "Reader A (COM5) is open");

    window.bOpeningPort = false;
    EXPECT_TRUE(window.close());
    EXPECT_EQ(desktop.messages.size(), 1u);
}

TEST_F(Closing, ExitButtonAndMenuCloseTheWindow)
{
    window.btnExit->click();
    EXPECT_FALSE(window.isVisible());

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.mnuFileExit->trigger();
    EXPECT_FALSE(window.isVisible());

    // Both go through the same request, which may be refused.
    window.show();
    window.bOpeningPort = true;
    window.btnExit->click();
    window.mnuFileExit->trigger();
    EXPECT_TRUE(window.isVisible());
}

} // namespace
