#include "platform/ProgramStart.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A folder holding `recorder`, a program that writes how many arguments it got
// and its first argument into `out`.
class ProgramStart : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(folder / "recorder")
            << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/out.tmp\"\n"
            << "mv \"$(dirname \"$0\")/out.tmp\" \"$(dirname \"$0\")/out\"\n";
        fs::permissions(folder / "recorder", fs::perms::owner_all);
    }

    // What the recorder wrote, once it has run (at most two seconds).
    std::string recorded() const
    {
        for (int i = 0; i < 200 && !fs::exists(folder / "out"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::stringstream content;
        content << std::ifstream(folder / "out").rdbuf();
        return content.str();
    }

    TempFolder temp;
    const fs::path& folder = temp.path();
};

TEST_F(ProgramStart, EverythingAfterTheFirstBlankIsOneArgument)
{
    const std::string recorder = (folder / "recorder").string();
    ASSERT_TRUE(platform::startProgram(recorder + " /opt/My Tools/Help/OrvelleHelp.chm"));
    EXPECT_EQ(recorded(), "1|/opt/My Tools/Help/OrvelleHelp.chm");
}

TEST_F(ProgramStart, AProgramAloneGetsNoArgument)
{
    ASSERT_TRUE(platform::startProgram((folder / "recorder").string()));
    EXPECT_EQ(recorded(), "0|");
}

TEST_F(ProgramStart, TheProgramIsFoundOnThePath)
{
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", ("/nonexistent:" + folder.string() + ":" + savedPath).c_str(), 1);
    const bool started = platform::startProgram("recorder x");
    const bool foundOnPath = platform::isOnPath("recorder");
    const bool otherFound = platform::isOnPath("orvelle-no-such-program");
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_TRUE(foundOnPath);
    EXPECT_FALSE(otherFound);
    EXPECT_FALSE(platform::isOnPath("recorder")) << "found only through the PATH";
    ASSERT_TRUE(started);
    EXPECT_EQ(recorded(), "1|x");
}

TEST_F(ProgramStart, AProgramThatIsNotThereDoesNotStart)
{
    EXPECT_FALSE(platform::startProgram("orvelle-no-such-program x"));
    EXPECT_FALSE(platform::startProgram((folder / "missing").string()));
    EXPECT_FALSE(platform::startProgram(""));
    EXPECT_FALSE(platform::startProgram(" leading-blank"));
}

} // namespace
