#include "ScratchIniFile.h"
#include "commands/WorkbookCells.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

// Paths are UTF-8 in the platform layer and reach Windows as UTF-16: a folder
// whose name holds characters beyond the ANSI code page still works.

namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class WidePath : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }

    const fs::path folder_ = ScratchIniFile().folder() / fs::path(u8"Prüfstand Ω №4");
};

TEST_F(WidePath, SettingsAreStoredAndReadBack)
{
    const fs::path file = folder_ / "Orvelle.INI";
    ASSERT_TRUE(platform::writeProfileString("File", "LastFile", "bench\\Room 4.xls", utf8(file)));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(platform::readProfileString("File", "LastFile", "", 255, utf8(file)),
              "bench\\Room 4.xls");
}

TEST_F(WidePath, AWorkbookIsRead)
{
    const fs::path file = folder_ / "Commands.xls";
    fs::copy_file(fs::path(ORVELLE_SAMPLE_WORKBOOK), file);
    const cells::Range range = cellsOfWorkbook(utf8(file), cells::kRangeRows);
    EXPECT_FALSE(range.error) << *range.error;
    EXPECT_GT(range.rows.size(), 1u);
}

} // namespace
