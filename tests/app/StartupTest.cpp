#include "app/Module1.h"
#include "support/ClockDriver.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::chrono_literals;

class SplashWait : public testing::Test {
protected:
    void SetUp() override
    {
        splash.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
        // Should the user's action go unseen, fail instead of waiting for ever.
        QTimer::singleShot(3000, &splash, [this] { clock.advance(1h); });
    }

    std::chrono::milliseconds waited(Clock::time_point since) const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - since);
    }

    ManualClock clock;
    frmSplash splash;
};

TEST_F(SplashWait, AClickOrAKeyOnTheSplashEndsTheWaitAtOnce)
{
    const std::function<void()> actions[] = {
        [this] { QTest::mouseClick(&splash, Qt::LeftButton); },
        [this] { QTest::mouseClick(splash.Picture1, Qt::LeftButton); },
        [this] { QTest::mouseClick(splash.lblCompanyProduct, Qt::LeftButton); },
        [this] { QTest::mouseClick(splash.lblProductName, Qt::LeftButton); },
        [this] { QTest::mouseClick(splash.lblPartNumber, Qt::LeftButton); },
        [this] { QTest::mouseClick(splash.lblVersion, Qt::LeftButton); },
        [this] { QTest::mouseClick(splash.lblCopyright, Qt::LeftButton); },
        [this] { QTest::keyClick(&splash, Qt::Key_Space); },
        [this] { QTest::keyClick(&splash, Qt::Key_Escape); },
    };
    for (const auto& action : actions) {
        splash.show();
        const auto start = clock.now();
        QTimer::singleShot(0, &splash, action);
        Module1::WaitForSplash(splash, clock);
        EXPECT_EQ(waited(start), 0ms);
        EXPECT_FALSE(splash.isVisible());
    }
}

TEST_F(SplashWait, LeftAloneTheSplashStaysFourSeconds)
{
    const auto start = clock.now();
    ClockDriver driver(clock, 100ms);
    Module1::WaitForSplash(splash, clock);
    EXPECT_GE(waited(start), 4000ms);
    EXPECT_LT(waited(start), 4100ms);
    EXPECT_TRUE(splash.isVisible());
}

TEST(Main, ShowsTheMainWindowAfterTheSplashAndLoadsIt)
{
    ManualClock clock;
    ClockDriver driver(clock, 1s);
    TempProgram program;
    RecordingDesktop desktop;
    QPointer<frmMain> main = Module1::Main(desktop, clock, program.file());
    ASSERT_TRUE(main);

    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<frmSplash*>(window), nullptr) << "the splash window is unloaded";
    }
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->lblCurrPort->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(main->lblDevice->frameShape(), QFrame::NoFrame);
    // The serial-number box is hidden, so the focus ends on the port list.
    EXPECT_EQ(main->focusWidget(), main->Combo2);
    // No command file in the current folder: the user is asked for one; and
    // no driver is installed.
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[0].title, "NO FILE SELECTED");
    EXPECT_EQ(desktop.messages[2].title, "No KVR Drivers Loaded!");
    EXPECT_EQ(desktop.fileRequests.size(), 1u);
    EXPECT_TRUE(main->txtCommandList->text().endsWith("Please select a command file"));

    // Closing unloads (destroys) it.
    EXPECT_TRUE(main->close());
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.isNull());
}

} // namespace
