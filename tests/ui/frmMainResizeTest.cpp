#include "support/RecordingDesktop.h"
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

// Where every control of the window stands, in pixels.
struct Placement {
    QList<QRect> rects;
    int line2End = 0;

    friend bool operator==(const Placement&, const Placement&) = default;
};

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

    Placement placement() const
    {
        Placement p;
        for (const QWidget* w : std::initializer_list<const QWidget*>{
                 window.frmKVRPort, window.frmLastUsed, window.txtCurrName, window.btnOpen,
                 window.Combo2, window.btnSend, window.lblSerialNumber, window.txtSerialNumber,
                 window.btnExit, window.txtCommandList, window.txtDeviceDriver, window.Label3,
                 window.D, window.lblDevice}) {
            p.rects << w->geometry();
        }
        p.line2End = window.Line2->to().x;
        return p;
    }

    // What the layout asks for at the window's present client size.
    MainLayout expected() const
    {
        return layOutMainWindow({toTwips(client().width()) + design::nonClientArea.width,
                                 toTwips(client().height()) + design::nonClientArea.height},
                                toTwips(window.lblSerialNumber->height()));
    }

    void expectLaidOut() const
    {
        const MainLayout l = expected();
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

    RecordingDesktop desktop;
    frmMain window{desktop};
};

TEST_F(frmMainResize, OpensAtItsDesignedSizeLaidOutForIt)
{
    EXPECT_EQ(client(), QSize(9435 / 15, 6240 / 15));
    expectLaidOut();
    // The designed size is the smallest: the port frame ends inside the client area.
    EXPECT_LE(window.frmKVRPort->geometry().bottom(), client().height());
    EXPECT_LE(window.btnExit->geometry().right(), client().width());
}

TEST_F(frmMainResize, GrowingLaysTheControlsOutAgain)
{
    const Placement small = placement();
    resizeClient(client() + QSize(100, 0));
    expectLaidOut();
    const Placement wide = placement();
    EXPECT_EQ(wide.rects[0].width(), small.rects[0].width() + 100); // frmKVRPort
    EXPECT_EQ(wide.rects[8].left(), small.rects[8].left() + 100);   // btnExit
    EXPECT_EQ(wide.rects[5], small.rects[5]);                       // btnSend
    EXPECT_EQ(wide.rects[10], small.rects[10]);                     // txtDeviceDriver

    resizeClient(client() + QSize(0, 150));
    expectLaidOut();
    const Placement tall = placement();
    EXPECT_EQ(tall.rects[0].top(), wide.rects[0].top() + 150);       // frmKVRPort
    EXPECT_EQ(tall.rects[9].height(), wide.rects[9].height() + 150); // txtCommandList
    EXPECT_EQ(tall.rects[5].top(), wide.rects[5].top() + 150);       // btnSend
}

TEST_F(frmMainResize, TooSmallSpringsBackInThatDimensionOnly)
{
    const QSize designed = client();
    resizeClient(designed + QSize(200, 120));

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
    const Placement before = placement();
    window.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(window.isMinimized());
    resizeClient(client() + QSize(200, 200));
    EXPECT_EQ(placement(), before);

    window.setWindowState(Qt::WindowNoState);
    window.Form_Resize();
    expectLaidOut();
    EXPECT_NE(placement(), before);
}

} // namespace
