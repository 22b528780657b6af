#include "ui/MainLayout.h"

#include "ui/MainWindowDesign.h"

#include <gtest/gtest.h>

namespace {

constexpr int kLabelHeight = 195;

TEST(MainLayout, AtTheMinimumSizeGivesTheDesignedFigures)
{
    const MainLayout l = layOutMainWindow({9555, 6930}, kLabelHeight);
    EXPECT_EQ(l.outer, (TwipsSize{9555, 6930}));
    EXPECT_EQ(l.frmKVRPort, (TwipsRect{50, 4365, 9330, 1815}));
    EXPECT_EQ(l.frmLastUsed, (TwipsRect{7485, 240, 1695, 735}));
    EXPECT_EQ(l.txtCurrName, (TwipsRect{7485, 1080, 1695, 615}));
    EXPECT_EQ(l.btnOpen, (TwipsRect{6120, 230, 1215, 350}));
    EXPECT_EQ(l.line2X2, 5770);
    EXPECT_EQ(l.Combo2, (TwipsRect{120, 240, 5620, 330}));
    EXPECT_EQ(l.btnSend, (TwipsRect{4800, 4020, 1305, 350}));
    EXPECT_EQ(l.lblSerialNumberTop, 4020);
    EXPECT_EQ(l.txtSerialNumber, (TwipsRect{3030, 4020, 1575, 285}));
    EXPECT_EQ(l.btnExit, (TwipsRect{8100, 4020, 1305, 350}));
    EXPECT_EQ(l.txtCommandList, (TwipsRect{50, 0, 9305, 3820}));
}

TEST(MainLayout, WideningStretchesAndMovesOnlyTheRightSide)
{
    const int more = 1500;
    const MainLayout narrow = layOutMainWindow({9555, 6930}, kLabelHeight);
    const MainLayout wide = layOutMainWindow({9555 + more, 6930}, kLabelHeight);

    EXPECT_EQ(wide.frmKVRPort.width, narrow.frmKVRPort.width + more);
    EXPECT_EQ(wide.Combo2.width, narrow.Combo2.width + more);
    EXPECT_EQ(wide.line2X2, narrow.line2X2 + more);
    EXPECT_EQ(wide.txtCommandList.width, narrow.txtCommandList.width + more);
    EXPECT_EQ(wide.frmLastUsed.left, narrow.frmLastUsed.left + more);
    EXPECT_EQ(wide.txtCurrName.left, narrow.txtCurrName.left + more);
    EXPECT_EQ(wide.btnOpen.left, narrow.btnOpen.left + more);
    EXPECT_EQ(wide.btnExit.left, narrow.btnExit.left + more);

    EXPECT_EQ(wide.btnSend, narrow.btnSend);
    EXPECT_EQ(wide.txtSerialNumber, narrow.txtSerialNumber);
    EXPECT_EQ(wide.frmKVRPort.top, narrow.frmKVRPort.top);
    EXPECT_EQ(wide.txtCommandList.height, narrow.txtCommandList.height);
    EXPECT_EQ(wide.frmLastUsed.width, design::frmLastUsed.width);
    EXPECT_EQ(wide.Combo2.left, design::Combo2.left);
}

TEST(MainLayout, HeighteningMovesThePortFrameAndSerialRowDown)
{
    const int more = 2250;
    const MainLayout low = layOutMainWindow({9555, 6930}, kLabelHeight);
    const MainLayout tall = layOutMainWindow({9555, 6930 + more}, kLabelHeight);

    EXPECT_EQ(tall.frmKVRPort.top, low.frmKVRPort.top + more);
    EXPECT_EQ(tall.btnSend.top, low.btnSend.top + more);
    EXPECT_EQ(tall.lblSerialNumberTop, low.lblSerialNumberTop + more);
    EXPECT_EQ(tall.txtSerialNumber.top, low.txtSerialNumber.top + more);
    EXPECT_EQ(tall.btnExit.top, low.btnExit.top + more);
    EXPECT_EQ(tall.txtCommandList.height, low.txtCommandList.height + more);

    EXPECT_EQ(tall.frmKVRPort.height, design::frmKVRPort.height);
    EXPECT_EQ(tall.frmKVRPort.width, low.frmKVRPort.width);
    EXPECT_EQ(tall.btnExit.left, low.btnExit.left);
    EXPECT_EQ(tall.txtCommandList.width, low.txtCommandList.width);
}

TEST(MainLayout, SpringsBackOnlyInTheDimensionThatIsTooSmall)
{
    EXPECT_EQ(layOutMainWindow({5000, 8000}, kLabelHeight).outer, (TwipsSize{9555, 8000}));
    EXPECT_EQ(layOutMainWindow({12000, 100}, kLabelHeight).outer, (TwipsSize{12000, 6930}));
    EXPECT_EQ(layOutMainWindow({1, 1}, kLabelHeight).outer, (TwipsSize{9555, 6930}));
    // Too narrow lays out exactly as the minimum width does.
    EXPECT_EQ(layOutMainWindow({5000, 8000}, kLabelHeight).Combo2,
              layOutMainWindow({9555, 8000}, kLabelHeight).Combo2);
}

TEST(MainLayout, TheSerialLabelHeightCountsForTheRowAboveThePortFrame)
{
    const MainLayout l = layOutMainWindow({9555, 6930}, 300);
    EXPECT_EQ(l.btnSend.top, 4365 - 300 - 150);
    EXPECT_EQ(l.txtCommandList.height, l.btnSend.top - 200);
}

} // namespace
