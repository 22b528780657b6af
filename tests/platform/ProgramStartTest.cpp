#include "platform/ProgramStart.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

// `recorder` writes how many arguments it got and its first one into `out`.
TEST(ProgramStart, EverythingAfterTheFirstBlankIsOneArgument)
{
    const TempFolder folder;
    const fs::path out = folder.path() / "out";
    const std::string recorder = folder.path() / "recorder", path = std::getenv("PATH");
    std::ofstream(recorder) << "#!/bin/sh\nprintf '%s|%s' $# \"$1\" >\"$0.tmp\"\nmv \"$0.tmp\" "
                            << out;
    fs::permissions(recorder, fs::perms::owner_all);
    setenv("PATH", ("/nonexistent:" + folder.path().string() + ":" + path).c_str(), 1);
    for (const auto& [line, recorded] :
         {std::pair{recorder + " /opt/My Tools/a.chm", "1|/opt/My Tools/a.chm"},
          {recorder, "0|"},
          {"recorder  x ", "1| x "}}) {
        fs::remove(out);
        EXPECT_TRUE(platform::startProgram(line)) << line;
        for (int i = 0; i < 1000 && !fs::exists(out); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ostringstream text;
        text << std::ifstream(out).rdbuf();
        EXPECT_EQ(text.str(), recorded) << line;
    }
    for (const char* line :
         {"orvelle-no-such-program x", "/nonexistent/recorder", "", " recorder"}) {
        EXPECT_FALSE(platform::startProgram(line)) << line;
    }
    EXPECT_TRUE(platform::isOnPath("recorder"));
    EXPECT_FALSE(platform::isOnPath("orvelle-no-such-program"));
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(platform::isOnPath("recorder")) << "found only through the PATH";
}

} // namespace
