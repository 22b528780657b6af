#include "platform/KvrFolder.h"

#ifndef _WIN32
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

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

std::string runtimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && isFolder(runtime) ? std::string(runtime) : std::string();
}

std::string tmpFolder()
{
    return "/tmp/kvr-" + std::to_string(getuid());
}

} // namespace

std::optional<std::string> kvrFolder()
{
    const std::string runtime = runtimeFolder();
    if (!runtime.empty()) {
        return runtime + "/kvr";
    }
    const std::string folder = tmpFolder();
    return isOwnPrivateFolder(folder) ? std::optional(folder) : std::nullopt;
}

std::optional<std::string> createKvrFolder()
{
    const std::string runtime = runtimeFolder();
    const std::string folder = runtime.empty() ? tmpFolder() : runtime + "/kvr";
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    const bool usable = runtime.empty() ? isOwnPrivateFolder(folder) : isFolder(folder);
    return usable ? std::optional(folder) : std::nullopt;
}

} // namespace platform
#endif
