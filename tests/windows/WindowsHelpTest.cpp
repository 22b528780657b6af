#include "platform/ProgramStart.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <windows.h>

// Help, Show Help on Windows: "HH.exe " and the program's folder, unquoted,
// then "\Help\OrvelleHelp.chm". A stub HH.exe beside this test program, in a
// folder whose name holds a blank, records how it was started.

namespace {

namespace fs = std::filesystem;

std::string programFolder()
{
    char file[MAX_PATH];
    GetModuleFileNameA(nullptr, file, MAX_PATH);
    const std::string path(file);
    return path.substr(0, path.find_last_of('\\'));
}

std::string recordedCommandLine(const fs::path& record)
{
    for (int i = 0; i < 500 && !fs::exists(record); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The stub may still be writing: read once its file stops growing.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ostringstream text;
    text << std::ifstream(record, std::ios::binary).rdbuf();
    return text.str();
}

TEST(WindowsHelp, TheViewerGetsTheProgramFolderWithItsBlanksUnquoted)
{
    const std::string folder = programFolder();
    ASSERT_NE(folder.find(' '), std::string::npos) << "the test program's folder has no blank";
    const fs::path record = fs::path(folder) / "HH-command-line.txt";
    const std::string commandLine = "HH.exe " + folder + "\\Help\\OrvelleHelp.chm";
    for (int start = 0; start < 2; ++start) {
        fs::remove(record);
        ASSERT_TRUE(platform::startProgram(commandLine));
        EXPECT_EQ(recordedCommandLine(record), commandLine) << "start " << start;
    }
    fs::remove(record);
}

} // namespace
