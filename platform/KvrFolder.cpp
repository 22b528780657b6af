#include "platform/KvrFolder.h"

#ifndef _WIN32
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

bool isFolder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder under /tmp is ours only when nobody else could have made or changed it.
bool isOwnPrivateFolder(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The folder, and whether it is the /tmp form, which counts only when it is
// this user's own private folder.
std::pair<std::string, bool> folderPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && isFolder(runtime)) {
        return {std::string(runtime) + "/kvr", false};
    }
    return {"/tmp/kvr-" + std::to_string(getuid()), true};
}

} // namespace

std::optional<std::string> kvrFolder()
{
    const auto [folder, underTmp] = folderPath();
    return !underTmp || isOwnPrivateFolder(folder) ? std::optional(folder) : std::nullopt;
}

std::optional<std::string> createKvrFolder()
{
    const auto [folder, underTmp] = folderPath();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    const bool usable = underTmp ? isOwnPrivateFolder(folder) : isFolder(folder);
    return usable ? std::optional(folder) : std::nullopt;
}

} // namespace platform
#endif
