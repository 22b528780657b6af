#include "platform/IniFile.h"

#include "platform/Utf16.h"
#include "support/ChildProcess.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <random>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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
    long files() const { return std::distance(fs::directory_iterator(folder), {}); }

    const QTemporaryDir temporary;
    const std::string folder = temporary.path().toStdString(), path = folder + "/Orvelle.INI";
};

// A write changes its own line, or adds one after the section's last entry, or a section after a
// blank line; new lines end as the first does. A link to a file yet to be made stays a link.
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
    store("[Q]\nA=\"\nB=\"x'\nC=\"\"\n");
    EXPECT_EQ(readProfileString("Q", "A", "", 9, path) + "|" +
                  readProfileString("Q", "B", "", 9, path) + "|" +
                  readProfileString("Q", "C", "d", 9, path),
              "\"|\"x'|")
        << "a lone quote and quotes that differ are kept";
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(files(), 2) << "a temporary file was left";
}

// A file keeps its encoding: UTF-16 either way round or UTF-8 behind a byte-order mark, as Windows
// editors save it; bytes that are not what their mark says are left alone and read as no file.
TEST_F(IniFile, AWriteKeepsTheFilesEncoding)
{
    const auto bytesOf = [](std::u16string_view units, bool lowFirst) {
        std::string bytes;
        for (const char16_t unit : units) {
            bytes += {char(lowFirst ? unit : unit >> 8), char(lowFirst ? unit >> 8 : unit)};
        }
        return bytes;
    };
    const std::u16string before = u"[File]\r\nLastFile=Prüf.xls😀",
                         after = before + u"\r\n\r\n[Port]\r\nNum=Ω1\r\n";
    const std::string utf8 = "[File]\nLastFile=Prüf.xls😀";
    for (const auto& [bytes, written] :
         {std::pair{"\xFF\xFE" + bytesOf(before, true), "\xFF\xFE" + bytesOf(after, true)},
          {"\xFE\xFF" + bytesOf(before, false), "\xFE\xFF" + bytesOf(after, false)},
          {"\xEF\xBB\xBF" + utf8, "\xEF\xBB\xBF" + utf8 + "\n\n[Port]\nNum=Ω1\n"},
          {"\xFF\xFE[\0F"s, "\xFF\xFE[\0F"s},
          {"\xFF\xFE\x00\xD8[\0"s, "\xFF\xFE\x00\xD8[\0"s}}) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        store(bytes);
        const bool whole = written != bytes;
        EXPECT_EQ(readProfileString("File", "LastFile", "d", 255, path), whole ? "Prüf.xls😀" : "d");
        EXPECT_TRUE(bytes[0] == '\xEF' || !writeProfileString("Port", "Num", "\xFF", path))
            << "UTF-16 cannot hold bytes that are no UTF-8";
        EXPECT_EQ(writeProfileString("Port", "Num", "Ω1", path), whole);
        EXPECT_EQ(readProfileString("Port", "Num", "d", 40, path), whole ? "Ω1" : "d");
        EXPECT_EQ(stored(), written);
    }
}

// Where the system cannot make unnamed files (O_TMPFILE), the new text goes to a named one.
bool withoutUnnamedFiles()
{
    sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
                            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
                            BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, __O_TMPFILE & ~O_DIRECTORY, 0, 1),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    const sock_fprog program{std::size(filter), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// As another user or root: what the folder, the file or a size limit does not allow is not written,
// what can be read still reads, and no temporary file stays, named or not. The technician's file
// keeps its owner, group and mode: root gives the new file them, another user writes in place.
TEST_F(IniFile, AWriteKeepsTheFilesOwnerAndModeAndOnlyWhatIsAllowedIsWritten)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give files to other users";
    }
    const std::string written = kHandEdited.substr(0, kHandEdited.size() - 11) + "keep=new\r\n";
    for (const bool named : {false, true}) {
        for (const auto& [file, folderMode, limit, reads, writer] :
             {std::tuple{0666, 0777, 1 << 20, "new", 65534},
              {0640, 0777, 1 << 20, "new", 0},
              {0644, 0755, 1 << 20, "me", 65534},
              {0600, 0777, 1 << 20, "d", 65534},
              {0444, 0777, 1 << 20, "me", 65534},
              {0666, 0777, 16, "me", 65534}}) {
            SCOPED_TRACE(testing::Message()
                         << std::oct << file << " in " << folderMode << (named ? ", named" : "")
                         << std::dec << limit << " by " << writer);
            fs::remove(path);
            store(kHandEdited);
            ASSERT_EQ(chown(path.c_str(), 1000, 1001) | chmod(path.c_str(), mode_t(file)) |
                          chmod(folder.c_str(), mode_t(folderMode)),
                      0);
            const bool allowed = reads == "new"s;
            const auto write = [&] {
                const rlimit size{rlim_t(limit), rlim_t(limit)};
                signal(SIGXFSZ, SIG_IGN);
                return (!named || withoutUnnamedFiles()) && setrlimit(RLIMIT_FSIZE, &size) == 0 &&
                       writeProfileString("Other", "keep", "new", path) == allowed &&
                       readProfileString("Other", "keep", "d", 40, path) == reads;
            };
            EXPECT_EQ(exitCodeInChild(writer, write), 1);
            EXPECT_EQ(stored(), allowed ? written : kHandEdited);
            struct stat after {};
            EXPECT_TRUE(stat(path.c_str(), &after) == 0 && after.st_uid == 1000 &&
                        after.st_gid == 1001 && (after.st_mode & 07777) == mode_t(file))
                << after.st_uid << ":" << after.st_gid << std::oct << " " << after.st_mode;
            EXPECT_EQ(files(), 1);
        }
    }
}

// Writers killed at random moments, half of them without unnamed files: every file left reads back
// whole, with the old value or a new one, and the next write clears their temporary files.
TEST_F(IniFile, AWriteKilledAtAnyMomentLeavesAWholeFile)
{
    const std::string before = kHandEdited + "\r\n[Counter]\r\nValue=", after = "\r\n\r\n[X]\r\n";
    store(before + "0" + after);
    std::mt19937 random(20261207);
    for (int kills = 0; kills < 300; ++kills) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0 && kills % 2 && !withoutUnnamedFiles()) {
            _exit(1);
        }
        for (long i = 1; writer == 0; ++i) {
            writeProfileString("Counter", "Value", std::to_string(i), path);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        const std::string value = readProfileString("Counter", "Value", "", 40, path);
        ASSERT_EQ(stored(), before + value + after) << "after " << kills << " kills";
    }
    EXPECT_TRUE(writeProfileString("Counter", "Value", "last", path));
    EXPECT_EQ(files(), 1);
}

// Characters of every length at the edges of their ranges go both ways, in a short text and a long
// one, against Qt's conversions; what is no well-formed UTF-8 becomes U+FFFD a byte, and a
// surrogate that pairs with nothing U+FFFD.
TEST(Utf16, EveryLengthOfCharacterAtItsEdgesAndEachMalformedByte)
{
    const std::u32string edges = U"\x7F\x80\u07FF\u0800\u0FFF\u1000\uD7FF\uE000\uFFFF"
                                 U"\U00010000\U0003FFFF\U00040000\U0010FFFF";
    for (const int times : {1, 20}) {
        const QString text =
            QString::fromUcs4(edges.data(), qsizetype(edges.size())).repeated(times);
        const std::string utf8 = text.toStdString();
        EXPECT_EQ(platform::utf16FromUtf8(utf8), text.toStdU16String());
        EXPECT_EQ(platform::utf8FromUtf16(text.toStdU16String()), utf8);
    }
    for (const std::string bad :
         {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xE0\xA4", "\xFF"}) {
        EXPECT_EQ(platform::utf16FromUtf8(bad), std::u16string(bad.size(), u'\uFFFD'))
            << testing::PrintToString(bad);
    }
    EXPECT_EQ(platform::utf8FromUtf16(u"a\xD800"
                                      u"\xE000\xDC00"),
              "a\uFFFD\uE000\uFFFD");
}

} // namespace
