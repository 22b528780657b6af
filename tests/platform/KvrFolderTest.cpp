#include "platform/KvrFolder.h"

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs `body` in a child process with XDG_RUNTIME_DIR set to `runtime` (unset
// when empty), as the user `uid`, and gives its exit code.
template <typename Body> int inChild(const std::string& runtime, uid_t uid, Body body)
{
    return exitCodeInChild(uid, [&] {
        if (runtime.empty()) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        return body();
    });
}

TEST(KvrFolder, LiesInTheRuntimeFolderWhenThereIsOne)
{
    TempFolder runtime;
    const std::string expected = runtime.path().string() + "/kvr";
    EXPECT_EQ(inChild(runtime.path().string(), geteuid(),
                      [&] { return platform::kvrFolder() == expected ? 0 : 1; }),
              0);
    EXPECT_EQ(inChild(runtime.path().string(), geteuid(),
                      [&] {
                          return platform::createKvrFolder() == expected &&
                                         fs::is_directory(expected)
                                     ? 0
                                     : 1;
                      }),
              0);
}

// The /tmp form, for a user of its own so that the test does not meet a real
// simulator's folder: 54321 is no account on these machines.
TEST(KvrFolder, UnderTmpOnlyAPrivateFolderOfTheUserCounts)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    constexpr uid_t user = 54321;
    const std::string folder = "/tmp/kvr-" + std::to_string(user);
    fs::remove_all(folder);

    EXPECT_EQ(inChild("", user, [] { return platform::kvrFolder() ? 1 : 0; }), 0);
    EXPECT_EQ(inChild("", user, [&] { return platform::createKvrFolder() == folder ? 0 : 1; }), 0);
    EXPECT_EQ(inChild("", user, [&] { return platform::kvrFolder() == folder ? 0 : 1; }), 0);

    // Writable by others, or made by someone else: not the driver's.
    fs::permissions(folder, fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(inChild("", user, [] { return platform::kvrFolder() ? 1 : 0; }), 0);
    EXPECT_EQ(inChild("", user, [] { return platform::createKvrFolder() ? 1 : 0; }), 0);
    fs::remove_all(folder);
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(inChild("", user, [] { return platform::kvrFolder() ? 1 : 0; }), 0);
    // A link to a folder of the user's is not taken either.
    fs::remove_all(folder);
    TempFolder elsewhere;
    ASSERT_EQ(chown(elsewhere.path().c_str(), user, user), 0);
    fs::create_directory_symlink(elsewhere.path(), folder);
    EXPECT_EQ(inChild("", user, [] { return platform::kvrFolder() ? 1 : 0; }), 0);
    fs::remove(folder);
}

} // namespace
