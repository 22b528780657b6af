#include "ScratchIniFile.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

// The settings go through the system's profile functions, to a file beside
// the program under its full path.

namespace {

using platform::readProfileString;
using platform::writeProfileString;

TEST(WindowsSettings, WhatTheProgramStoresReadsBackFromTheFileBesideIt)
{
    const ScratchIniFile file;
    ASSERT_TRUE(writeProfileString("Select_Window_frmMain", "Settings", " 1200, 1500, 9555, 6930",
                                   file.path()));
    ASSERT_TRUE(writeProfileString("Select_Window_frmMain", "WindowState", " 2", file.path()));
    ASSERT_TRUE(writeProfileString("Current_Port", "Port_Num", " 1", file.path()));
    ASSERT_TRUE(writeProfileString("File", "LastFile", "bench\\Room 4.xls", file.path()));
    EXPECT_TRUE(std::filesystem::exists(file.path()));

    EXPECT_EQ(readProfileString("select_window_frmmain", "SETTINGS", "", 40, file.path()),
              "1200, 1500, 9555, 6930");
    EXPECT_EQ(readProfileString("Select_Window_frmMain", "WindowState", "", 40, file.path()), "2");
    EXPECT_EQ(readProfileString("Current_Port", "Port_Num", "", 40, file.path()), "1");
    EXPECT_EQ(readProfileString("File", "LastFile", "", 255, file.path()), "bench\\Room 4.xls");
    EXPECT_EQ(readProfileString("File", "LastFile", "", 6, file.path()), "bench");
}

} // namespace
