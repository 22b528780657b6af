#include "platform/KvrFolder.h"

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// Without a runtime folder, as a user of its own so that the test meets no
// real simulator's folder (54321 is no account on these machines): 1 when
// kvrFolder() gives /tmp/kvr-54321, plus 2 when createKvrFolder() then does.
TEST(KvrFolder, UnderTmpOnlyAPrivateFolderOfTheUsersOwnCounts)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const std::string folder = "/tmp/kvr-54321";
    const auto found = [&] {
        return exitCodeInChild(54321, [&] {
            unsetenv("XDG_RUNTIME_DIR");
            return (platform::kvrFolder() == folder) + 2 * (platform::createKvrFolder() == folder);
        });
    };
    fs::remove_all(folder);
    EXPECT_EQ(found(), 2) << "none yet, then made";
    EXPECT_EQ(found(), 3) << "made before";
    fs::permissions(folder, fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(found(), 0) << "writable by others";
    fs::remove_all(folder);
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(found(), 0) << "made by someone else";
    fs::remove_all(folder);
    const TempFolder elsewhere;
    ASSERT_EQ(chown(elsewhere.path().c_str(), 54321, 54321), 0);
    fs::create_directory_symlink(elsewhere.path(), folder);
    EXPECT_EQ(found(), 0) << "a link to a folder of the user's";
    fs::remove(folder);
}

} // namespace
