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

// A file as a person might have edited it by hand, with Windows line ends.
const std::string kHandEdited = "; kept for the bench in room 4\r\n[ SELECT_WINDOW_FRMMAIN ]\r\n"
                                "  settings  =   1200, 1500, 9555, 6930   \r\nWindowState= 2\r\n"
                                "\r\nthis line means nothing\r\n[Other]\r\nkeep = me\r\n";

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

struct Read {
    const char *section, *key;
    std::size_t buffer;
    const char* value;
};

TEST_F(IniFile, AReadFindsTheFirstSectionOfItsNameWithoutRegardToCaseOrBlanks)
{
    EXPECT_EQ(readProfileString("File", "LastFile", "./Commands.xls", 5, path), "./Co");
    store("; note\r\n[ WINDOW ]\r\n  state  =   1, 2   \r\n\r\nnothing\r\n[Other]\r\nkeep = me\r\n"
          "[Q]\nA=\"a b\"  \nB='it''s'\nC=\"\"\nD=\"\nE=\"x'\nF=''x''\n[OTHER]\nlater=1\n[Z]\nz= "
          "2\r");
    // One pair of matching quotes around a value is dropped.
    const Read rows[] = {{"window", "STATE", 40, "1, 2"},
                         {" Other\t", "\tkeep ", 40, "me"},
                         {"Other", "keep", 0, ""},
                         {"Other", "state", 40, "d"},
                         {"None", "keep", 40, "d"},
                         {"Other", "later", 40, "d"},
                         {"Z", "z", 40, "2"},
                         {"Q", "A", 40, "a b"},
                         {"Q", "A", 3, "a "},
                         {"Q", "B", 40, "it''s"},
                         {"Q", "C", 40, ""},
                         {"Q", "D", 40, "\""},
                         {"Q", "E", 40, "\"x'"},
                         {"Q", "F", 40, "'x'"}};
    for (const Read& row : rows) {
        EXPECT_EQ(readProfileString(row.section, row.key, "d", row.buffer, path), row.value)
            << row.section << " " << row.key << " " << row.buffer;
    }
}

// A write changes its own line, or adds one after the section's last entry, or
// a section after a blank line; new lines end as the file's first line does.
// What would add lines of its own or not read back is refused.
TEST_F(IniFile, AWriteKeepsEveryOtherByte)
{
    const struct Write {
        std::string section, key, value;
        bool done = true;
    } refused[] = {{"File", "LastFile", "line\nbreak", false},
                   {"File\n[x]", "LastFile", "a", false},
                   {"File", "Last\rFile", "a", false},
                   {"File", "Last=File", "a", false},
                   {"Other", " \t[", "", false},
                   {"Fi]le", "LastFile", "a", false}};
    const struct {
        std::string start;
        std::vector<Write> writes;
        std::string end;
    } cases[] = {
        {"",
         {{"File", "LastFile", "./Commands.xls"},
          {"Current_Port", "Port_Num", " 0"},
          {"File", "Extra", "a.xls\0\nx=1"s}},
         "[File]\nLastFile=./Commands.xls\nExtra=a.xls\n\n[Current_Port]\nPort_Num= 0\n"},
        {kHandEdited, {std::begin(refused), std::end(refused)}, kHandEdited},
        {kHandEdited,
         {{"Current_Port", "Port_Num", " 2"},
          {"Select_Window_frmMain", "Settings", " 0, 0, 1, 1"},
          {"select_window_frmmain", "Extra", "x"},
          {"New\t", " key", "value"},
          {"new", "key", "changed"}},
         "; kept for the bench in room 4\r\n[ SELECT_WINDOW_FRMMAIN ]\r\nSettings= 0, 0, 1, 1\r\n"
         "WindowState= 2\r\nExtra=x\r\n\r\nthis line means nothing\r\n[Other]\r\nkeep = me\r\n"
         "\r\n[Current_Port]\r\nPort_Num= 2\r\n\r\n[New\t]\r\nkey=changed\r\n"},
        {"[Window]\nState= 2\r", {{"File", "A", "1"}}, "[Window]\nState= 2\r\n\n[File]\nA=1\n"},
        {"[File]\nA=1\n[Other]\n[FILE]\nB=2\n",
         {{"File", "B", "3"}},
         "[File]\nA=1\nB=3\n[Other]\n[FILE]\nB=2\n"}};
    for (const auto& c : cases) {
        fs::remove(path);
        if (!c.start.empty()) {
            store(c.start);
        }
        for (const Write& w : c.writes) {
            EXPECT_EQ(writeProfileString(w.section, w.key, w.value, path), w.done)
                << w.section << " " << w.key << " " << w.value;
        }
        EXPECT_EQ(stored(), c.end);
        EXPECT_EQ(files(), 1) << "a temporary file was left";
    }
}

// As an ordinary user, without root's right to write anywhere: what the folder
// or the file does not allow is not written, and what can be read still reads.
TEST_F(IniFile, AWriteThePermissionsRefuseLeavesTheFileAlone)
{
    const struct {
        mode_t file, folder;
        const char* reads;
    } rows[] = {{0644, 0755, "me"}, {0600, 0777, "d"}, {0444, 0777, "me"}};
    for (const auto& row : rows) {
        store(kHandEdited);
        ASSERT_EQ(chmod(path.c_str(), row.file) | chmod(folder.path().c_str(), row.folder), 0);
        EXPECT_EQ(exitCodeInChild(65534,
                                  [&] {
                                      return !writeProfileString("Other", "keep", "new", path) &&
                                             readProfileString("Other", "keep", "d", 40, path) ==
                                                 row.reads;
                                  }),
                  1)
            << std::oct << row.file << " in " << row.folder;
        EXPECT_EQ(stored(), kHandEdited);
        EXPECT_EQ(files(), 1);
    }
}

// A settings file that is a symbolic link stays one: the file it names takes
// the new value, also when it does not exist yet.
TEST_F(IniFile, ASymbolicLinkIsWrittenThrough)
{
    std::ofstream(folder.path() / "Kept.INI") << kHandEdited;
    for (const char* target : {"Kept.INI", "New.INI"}) {
        fs::remove(path);
        fs::create_symlink(target, path);
        EXPECT_TRUE(writeProfileString("Other", "keep", "new", path));
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(readProfileString("Other", "keep", "", 40, folder.path() / target), "new");
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
