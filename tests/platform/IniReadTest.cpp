#include "ScratchIniFile.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

// Reading settings: the same through our store on Linux and the system's
// profile functions on Windows.

namespace {

using platform::readProfileString;

class IniRead : public testing::Test {
protected:
    ScratchIniFile file;
    const std::string& path = file.path();
    void store(const std::string& text) const { file.store(text); }
};

TEST_F(IniRead, AMissingFileSectionOrKeyGivesTheDefaultCutToTheBuffer)
{
    EXPECT_EQ(readProfileString("File", "LastFile", "./Commands.xls", 255, path), "./Commands.xls");
    EXPECT_EQ(readProfileString("File", "LastFile", "./Commands.xls", 5, path), "./Co");
    store(kHandEdited);
    EXPECT_EQ(readProfileString("File", "LastFile", "", 255, path), "");
    EXPECT_EQ(readProfileString("Other", "missing", "d", 40, path), "d");
    EXPECT_EQ(readProfileString("Other", "keep", "d", 0, path), "");
}

TEST_F(IniRead, NamesMatchWithoutCaseAndBlanksAroundDoNotCount)
{
    store(kHandEdited);
    EXPECT_EQ(readProfileString("Select_Window_frmMain", "Settings", "", 40, path),
              "1200, 1500, 9555, 6930");
    EXPECT_EQ(readProfileString("select_window_frmmain", "WINDOWSTATE", "", 40, path), "2");
    EXPECT_EQ(readProfileString("other", "Keep", "", 40, path), "me");
    EXPECT_EQ(readProfileString("Other", "Keep", "", 2, path), "m");
    // Keys belong to their own section only.
    EXPECT_EQ(readProfileString("Other", "WindowState", "none", 40, path), "none");
}

TEST_F(IniRead, ALaterSectionOfTheSameNameIsNotRead)
{
    store("[File]\nLastFile=first.xls\n[Other]\nx=1\n[FILE]\nLastFile=second.xls\nExtra=2\n");
    EXPECT_EQ(readProfileString("File", "LastFile", "", 255, path), "first.xls");
    EXPECT_EQ(readProfileString("File", "Extra", "none", 255, path), "none");
}

TEST_F(IniRead, OnePairOfMatchingQuotesAroundAValueIsDropped)
{
    store("[File]\nLastFile = \"/tmp/a b.xls\"  \nA='it''s'\nB=\"\"\nC=\"\nD=\"x'\nE=''x''\n");
    const auto read = [this](const char* key, std::size_t buffer = 255) {
        return readProfileString("File", key, "d", buffer, path);
    };
    EXPECT_EQ(read("LastFile"), "/tmp/a b.xls");
    EXPECT_EQ(read("LastFile", 5), "/tmp");
    EXPECT_EQ(read("A"), "it''s");
    EXPECT_EQ(read("B"), "");
    EXPECT_EQ(read("C"), "\"");
    EXPECT_EQ(read("D"), "\"x'");
    EXPECT_EQ(read("E"), "'x'");
}

} // namespace
