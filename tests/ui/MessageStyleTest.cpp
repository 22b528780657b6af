#include "ui/MessageStyle.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageStyle, StyleValuesShowTheirIcons)
{
    EXPECT_EQ(messageIcon(0), QMessageBox::NoIcon);
    EXPECT_EQ(messageIcon(16), QMessageBox::Critical);
    EXPECT_EQ(messageIcon(32), QMessageBox::Question);
    EXPECT_EQ(messageIcon(48), QMessageBox::Warning);
    EXPECT_EQ(messageIcon(64), QMessageBox::Information);
    // Information and critical together show the critical icon.
    EXPECT_EQ(messageIcon(80), QMessageBox::Critical);
}

TEST(MessageStyle, FileFiltersBecomeQtNameFilters)
{
    EXPECT_EQ(qtNameFilters("Command File (*.xls)|*.xls"), "Command File (*.xls)");
    EXPECT_EQ(qtNameFilters("Sheets|*.xls|All files|*"), "Sheets (*.xls);;All files (*)");
    EXPECT_EQ(qtNameFilters(""), "");
}

} // namespace
