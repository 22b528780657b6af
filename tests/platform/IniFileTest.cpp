#include "platform/IniFile.h"

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using platform::readProfileString;
using platform::writeProfileString;

const std::string kHandEdited =
    "; room 4\r\n[ WINDOW ]\r\n  state  =   1, 2   \r\n\r\nnote\r\n[Other]\r\nkeep = me\r\n";

class IniFile : public testing::Test {
protected:
    std::string stored() const
    {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }
    void store(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
    long files() const { return std::distance(fs::directory_iterator(folder.path()), {}); }

    const TempFolder folder;
    const std::string path = folder.path() / "Orvelle.INI";
};

// A write changes its own line, or adds one after the section's last entry, or a section
// after a blank line; new lines end as the first line does. The file is a link to a file
// yet to be made: written through, it stays one.
TEST_F(IniFile, AWriteKeepsEveryOtherByte)
{
    fs::create_symlink("Target.INI", path);
    const auto write = [&](const std::string& section, const std::string& key,
                           const std::string& value) {
        return writeProfileString(section, key, value, path);
    };
    EXPECT_TRUE(write("File", "LastFile", "./Commands.xls") && write("Port", "Num", " 0"));
    EXPECT_TRUE(write("File", "X", "a\0\nx=1"s)) << "the value ends at its first NUL";
    EXPECT_EQ(stored(), "[File]\nLastFile=./Commands.xls\nX=a\n\n[Port]\nNum= 0\n");
    store(kHandEdited);
    // What would add lines of its own or not read back is refused.
    EXPECT_FALSE(write("File", "A", "line\nbreak"));
    EXPECT_FALSE(write("File\n[x]", "A", "a"));
    EXPECT_FALSE(write("File", "A\r", "a"));
    EXPECT_FALSE(write("File", "A=B", "a"));
    EXPECT_FALSE(write("Other", " \t[", ""));
    EXPECT_FALSE(write("Fi]le", "A", "a"));
    EXPECT_EQ(stored(), kHandEdited);
    EXPECT_TRUE(write("Port", "Num", " 2") && write("window", "State", "3") &&
                write("Window", "Extra", "x") && write("New\t", " key", "1") &&
                write("new", "key", "2"));
    EXPECT_EQ(stored(), "; room 4\r\n[ WINDOW ]\r\nState=3\r\nExtra=x\r\n\r\nnote\r\n[Other]\r\n"
                        "keep = me\r\n\r\n[Port]\r\nNum= 2\r\n\r\n[New\t]\r\nkey=2\r\n");
    // The first section of a name takes the key; a CR that ends the file begins a CR LF.
    store("[File]\nA=1\n[Other]\n[FILE]\nB=2\r");
    EXPECT_TRUE(write("File", "B", "3"));
    EXPECT_EQ(stored(), "[File]\nA=1\nB=3\n[Other]\n[FILE]\nB=2\r\n");
    store("[Q]\nA= 'a \"b\"'\r");
    EXPECT_EQ(readProfileString("Q", "A", "", 5, path), "a \"b")
        << "one pair of quotes dropped, cut to the buffer, a CR ending the line";
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(files(), 2) << "a temporary file was left";
}

// As an ordinary user, without root's right to write anywhere: what the folder
// or the file does not allow is not written, and what can be read still reads.
TEST_F(IniFile, AWriteThePermissionsRefuseLeavesTheFileAlone)
{
    for (const auto& [file, folderMode, reads] :
         {std::tuple{0644, 0755, "me"}, {0600, 0777, "d"}, {0444, 0777, "me"}}) {
        store(kHandEdited);
        ASSERT_EQ(chmod(path.c_str(), file) | chmod(folder.path().c_str(), folderMode), 0);
        const auto refused = [&] {
            return !writeProfileString("Other", "keep", "new", path) &&
                   readProfileString("Other", "keep", "d", 40, path) == reads;
        };
        EXPECT_EQ(exitCodeInChild(65534, refused), 1) << std::oct << file << " in " << folderMode;
        EXPECT_EQ(stored(), kHandEdited);
        EXPECT_EQ(files(), 1);
    }
}

// A writer killed at random moments, a few hundred times: every file it leaves
// behind reads back whole, with either the old value or a new one.
TEST_F(IniFile, AWriteKilledAtAnyMomentLeavesAWholeFile)
{
    const std::string before = kHandEdited + "\r\n[Counter]\r\nValue=", after = "\r\n\r\n[X]\r\n";
    store(before + "0" + after);
    std::mt19937 random(20261207);
    for (int kills = 0; kills < 300; ++kills) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        for (long i = 1; writer == 0; ++i) {
            writeProfileString("Counter", "Value", std::to_string(i), path);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        const std::string value = readProfileString("Counter", "Value", "", 40, path);
        ASSERT_EQ(stored(), before + value + after) << "after " << kills << " kills";
    }
    // Each write clears what killed writers left; only the last one's may remain.
    EXPECT_LE(files(), 2);
}

} // namespace
