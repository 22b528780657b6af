#include "platform/IniFile.h"

#include "ScratchIniFile.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::readProfileString;
using platform::writeProfileString;

class IniFile : public testing::Test {
protected:
    void store(const std::string& text) const { file.store(text); }
    std::string stored() const { return file.stored(); }

    std::size_t filesInFolder() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    ScratchIniFile file;
    const fs::path& folder = file.folder();
    const std::string& path = file.path();
};

TEST_F(IniFile, AWriteChangesItsOwnLineAndKeepsEveryOtherByte)
{
    store(kHandEdited);
    ASSERT_TRUE(writeProfileString("Current_Port", "Port_Num", " 2", path));
    EXPECT_EQ(stored(), kHandEdited + "\r\n[Current_Port]\r\nPort_Num= 2\r\n");

    ASSERT_TRUE(writeProfileString("Select_Window_frmMain", "Settings", " 0, 0, 1, 1", path));
    std::string expected = kHandEdited + "\r\n[Current_Port]\r\nPort_Num= 2\r\n";
    expected.replace(expected.find("  settings  ="), 41, "Settings= 0, 0, 1, 1");
    EXPECT_EQ(stored(), expected);

    // A new key goes after the section's last entry, before its blank line.
    ASSERT_TRUE(writeProfileString("select_window_frmmain", "Extra", "x", path));
    expected.insert(expected.find("\r\n\r\nthis line"), "\r\nExtra=x");
    EXPECT_EQ(stored(), expected);
}

TEST_F(IniFile, ANewFileHasPlainLineEnds)
{
    ASSERT_TRUE(writeProfileString("File", "LastFile", "./Commands.xls", path));
    ASSERT_TRUE(writeProfileString("Current_Port", "Port_Num", " 0", path));
    EXPECT_EQ(stored(), "[File]\nLastFile=./Commands.xls\n\n[Current_Port]\nPort_Num= 0\n");
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(IniFile, TextThatWouldAddLinesIsNotWritten)
{
    store(kHandEdited);
    EXPECT_FALSE(writeProfileString("File", "LastFile", "a\r\n[Evil]\r\nx=1", path));
    EXPECT_FALSE(writeProfileString("File", "LastFile", "line\nbreak", path));
    EXPECT_FALSE(writeProfileString("File\n[x]", "LastFile", "a", path));
    EXPECT_FALSE(writeProfileString("File", "Last\rFile", "a", path));
    EXPECT_FALSE(writeProfileString("File", "Last=File", "a", path));
    EXPECT_EQ(stored(), kHandEdited);

    // The value ends at its first NUL.
    ASSERT_TRUE(writeProfileString("File", "LastFile", std::string("a.xls\0\nx=1", 10), path));
    EXPECT_EQ(readProfileString("File", "LastFile", "", 255, path), "a.xls");
}

TEST_F(IniFile, BlanksAroundTheNamesAskedForDoNotCountEither)
{
    store(kHandEdited);
    EXPECT_EQ(readProfileString(" Other\t", "\tkeep ", "", 40, path), "me");
    ASSERT_TRUE(writeProfileString("New\t", " key", "value", path));
    EXPECT_EQ(readProfileString("New\t", " key", "", 40, path), "value");
    EXPECT_EQ(readProfileString("new", "KEY", "", 40, path), "value");
    ASSERT_TRUE(writeProfileString("new", "key", "changed", path));
    EXPECT_EQ(stored(), kHandEdited + "\r\n[New\t]\r\nkey=changed\r\n");
}

TEST_F(IniFile, ACrThatEndsTheFileEndsItsLastLine)
{
    store("[Select_Window_frmMain]\nWindowState= 2\r");
    EXPECT_EQ(readProfileString("Select_Window_frmMain", "WindowState", "", 40, path), "2");
    // A write elsewhere completes the line end and leaves the value as it was.
    ASSERT_TRUE(writeProfileString("File", "LastFile", "a.xls", path));
    EXPECT_EQ(stored(), "[Select_Window_frmMain]\nWindowState= 2\r\n\n[File]\nLastFile=a.xls\n");
    EXPECT_EQ(readProfileString("Select_Window_frmMain", "WindowState", "", 40, path), "2");
}

TEST_F(IniFile, AKeyThatWouldReadAsASectionIsNotWritten)
{
    store(kHandEdited);
    EXPECT_FALSE(writeProfileString("Other", "[Evil]", "x", path));
    EXPECT_FALSE(writeProfileString("Other", " \t[", "", path));
    EXPECT_EQ(stored(), kHandEdited);
    EXPECT_EQ(readProfileString("Other", "keep", "", 40, path), "me");
}

// An ordinary user, without root's right to write anywhere.
constexpr uid_t kNobody = 65534;

TEST_F(IniFile, AFolderThatCannotBeWrittenKeepsItsFileAndValues)
{
    store(kHandEdited);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const int result = exitCodeInChild(kNobody, [this] {
        const bool written = writeProfileString("Other", "keep", "changed", path);
        const std::string read = readProfileString("Other", "keep", "", 40, path);
        return written ? 1 : read == "me" ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(stored(), kHandEdited);
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(IniFile, AFileThatCannotBeReadIsNotReplaced)
{
    store(kHandEdited);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(folder, fs::perms::all);
    const int result = exitCodeInChild(kNobody, [this] {
        const bool written = writeProfileString("Other", "keep", "changed", path);
        return written ? 1 : readProfileString("Other", "keep", "d", 40, path) == "d" ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(stored(), kHandEdited);
}

// The profile functions write into the file: one the user may not open for
// writing stays as it is and whose it is, though the folder lets anyone
// put a new file in its place.
TEST_F(IniFile, AFileTheUserMayNotWriteIsLeftAlone)
{
    store(kHandEdited);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder, fs::perms::all);
    const int result = exitCodeInChild(
        kNobody, [this] { return writeProfileString("Other", "keep", "changed", path) ? 1 : 0; });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(stored(), kHandEdited);
    struct stat entry {};
    ASSERT_EQ(stat(path.c_str(), &entry), 0);
    EXPECT_EQ(entry.st_uid, getuid());
    EXPECT_EQ(entry.st_mode & 0777, 0444u);
    EXPECT_EQ(filesInFolder(), 1u);
}

// A settings file that is a symbolic link stays one: the file it names takes
// the new value, also when it does not exist yet.
TEST_F(IniFile, ASymbolicLinkIsWrittenThrough)
{
    fs::create_directory(folder / "kept");
    for (const char* target : {"kept/Orvelle.INI", "kept/New.INI"}) {
        SCOPED_TRACE(target);
        if (std::string(target) == "kept/Orvelle.INI") {
            std::ofstream(folder / target) << kHandEdited;
        }
        fs::remove(path);
        fs::create_symlink(target, path);
        EXPECT_TRUE(writeProfileString("Other", "keep", "changed", path));
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(readProfileString("Other", "keep", "", 40, (folder / target).string()),
                  "changed");
        EXPECT_EQ(readProfileString("Other", "keep", "", 40, path), "changed");
    }
}

// A writer killed at random moments, a few hundred times: every file it leaves
// behind must read back whole, with either the old value or the new one.
TEST_F(IniFile, AWriteKilledAtAnyMomentLeavesAWholeFile)
{
    const std::string before = kHandEdited + "\r\n[Counter]\r\nValue=";
    const std::string after = "\r\n\r\n[File]\r\nLastFile=./Commands.xls\r\n";
    store(before + "0" + after);

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMicroseconds(0, 4000);
    const auto started = std::chrono::steady_clock::now();
    int kills = 0;
    int checked = 0;
    int damaged = 0;
    while (kills < 300 && std::chrono::steady_clock::now() - started < std::chrono::seconds(30)) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (long i = 1;; ++i) {
                writeProfileString("Counter", "Value", std::to_string(i), path);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        ++kills;

        const std::string text = stored();
        ++checked;
        const bool whole =
            text.size() > before.size() + after.size() &&
            text.compare(0, before.size(), before) == 0 &&
            text.compare(text.size() - after.size(), after.size(), after) == 0 &&
            text.find_first_not_of("0123456789", before.size()) == text.size() - after.size();
        damaged += whole ? 0 : 1;
    }
    const std::size_t leftOver = filesInFolder() - 1;
    std::cout << "kills: " << kills << ", files checked: " << checked << ", damaged: " << damaged
              << ", unfinished temporary files left: " << leftOver << '\n';
    EXPECT_GE(kills, 100);
    EXPECT_EQ(damaged, 0);
    // Each write clears what killed writers left; only the last one's may remain.
    EXPECT_LE(leftOver, 1u);
}

} // namespace
