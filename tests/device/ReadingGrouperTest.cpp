#include "device/ReadingGrouper.h"

#include <gtest/gtest.h>

namespace {

using Held = ReadingGrouper::Held;

TEST(ReadingGrouper, ALineFeedCompletesAReading)
{
    ReadingGrouper grouper;
    EXPECT_EQ(grouper.held(), Held::Nothing);
    EXPECT_EQ(grouper.add("/get dev_"), Held::Partial);
    EXPECT_EQ(grouper.add("version value:   2.10\r"), Held::Partial);
    EXPECT_EQ(grouper.add("\n"), Held::Complete);
    EXPECT_EQ(grouper.take(), "/get dev_version value:   2.10\r\n");
    EXPECT_EQ(grouper.held(), Held::Nothing);
    EXPECT_EQ(grouper.take(), "");
}

TEST(ReadingGrouper, WhatHasNoLineFeedWaitsForTheQuietPause)
{
    ReadingGrouper grouper;
    EXPECT_EQ(grouper.add(""), Held::Nothing);
    EXPECT_EQ(grouper.add("/write ok"), Held::Partial);
    // The owner takes it once the port has been quiet for the pause.
    EXPECT_EQ(ReadingGrouper::kQuietPauseMs, 25);
    EXPECT_EQ(grouper.take(), "/write ok");
}

TEST(ReadingGrouper, AReadingIsTakenWholeWithWhatCameAfterItsLineFeed)
{
    ReadingGrouper grouper;
    EXPECT_EQ(grouper.add("one\ntw"), Held::Partial);
    EXPECT_EQ(grouper.add("o\n"), Held::Complete);
    EXPECT_EQ(grouper.add("thr"), Held::Partial);
    EXPECT_EQ(grouper.take(), "one\ntwo\nthr");
}

TEST(ReadingGrouper, ClearingDropsWhatIsHeld)
{
    ReadingGrouper grouper;
    grouper.add("left from an earlier opening\n");
    grouper.clear();
    EXPECT_EQ(grouper.held(), Held::Nothing);
    EXPECT_EQ(grouper.take(), "");
}

} // namespace
