#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/LineShape.h"
#include "ui/MainLayout.h"
#include "ui/MainWindowDesign.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class frmMainResize : public testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QSize client() const { return window.centralWidget()->size(); }

    void resizeClient(QSize size)
    {
        window.resize(size + (window.size() - client()));
        QApplication::processEvents();
    }

    // Every resizable control stands where the layout puts it for the present size.
    void expectLaidOut() const
    {
        const MainLayout l =
            layOutMainWindow({toTwips(client().width()) + design::nonClientArea.width,
                              toTwips(client().height()) + design::nonClientArea.height},
                             toTwips(window.lblSerialNumber->height()));
        EXPECT_EQ(window.frmKVRPort->geometry(), toPixels(l.frmKVRPort));
        EXPECT_EQ(window.frmLastUsed->geometry(), toPixels(l.frmLastUsed));
        EXPECT_EQ(window.txtCurrName->geometry(), toPixels(l.txtCurrName));
        EXPECT_EQ(window.btnOpen->geometry(), toPixels(l.btnOpen));
        EXPECT_EQ(window.Line2->to().x, l.line2X2);
        EXPECT_EQ(window.Combo2->geometry(), toPixels(l.Combo2));
        EXPECT_EQ(window.btnSend->geometry(), toPixels(l.btnSend));
        EXPECT_EQ(window.lblSerialNumber->y(), toPixels(l.lblSerialNumberTop));
        EXPECT_EQ(window.txtSerialNumber->geometry(), toPixels(l.txtSerialNumber));
        EXPECT_EQ(window.btnExit->geometry(), toPixels(l.btnExit));
        EXPECT_EQ(window.txtCommandList->geometry(), toPixels(l.txtCommandList));
    }

    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(frmMainResize, OpensAtItsDesignedSizeLaidOutForIt)
{
    EXPECT_EQ(client(), QSize(9435 / 15, 6240 / 15));
    expectLaidOut();
    EXPECT_LE(window.frmKVRPort->geometry().bottom(), client().height());
    EXPECT_LE(window.btnExit->geometry().right(), client().width());
}

TEST_F(frmMainResize, GrowingLaysTheControlsOutAgain)
{
    const QRect port = window.frmKVRPort->geometry();
    const QRect deviceDriver = window.txtDeviceDriver->geometry();
    resizeClient(client() + QSize(100, 150));
    expectLaidOut();
    EXPECT_EQ(window.frmKVRPort->geometry(), port.adjusted(0, 150, 100, 150));
    EXPECT_EQ(window.txtDeviceDriver->geometry(), deviceDriver);
}

TEST_F(frmMainResize, TooSmallSpringsBackInThatDimensionOnly)
{
    const QSize designed = client();
    resizeClient(QSize(300, designed.height() + 120));
    EXPECT_EQ(client(), designed + QSize(0, 120));
    expectLaidOut();

    resizeClient(QSize(designed.width() + 200, 100));
    EXPECT_EQ(client(), designed + QSize(200, 0));
    expectLaidOut();

    resizeClient(QSize(10, 10));
    EXPECT_EQ(client(), designed);
}

TEST_F(frmMainResize, MinimisedLeavesEverythingInPlace)
{
    const QRect port = window.frmKVRPort->geometry();
    const QRect transcript = window.txtCommandList->geometry();
    window.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(window.isMinimized());
    resizeClient(client() + QSize(200, 200));
    EXPECT_EQ(window.frmKVRPort->geometry(), port);
    EXPECT_EQ(window.txtCommandList->geometry(), transcript);

    window.setWindowState(Qt::WindowNoState);
    window.Form_Resize();
    expectLaidOut();
    EXPECT_NE(window.frmKVRPort->geometry(), port);
}

} // namespace
