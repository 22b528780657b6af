#include "DriverFolder.h"

#include "platform/Descriptors.h"
#include "platform/KvrFolder.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvrsim {
namespace {

const char* const kSubfolders[] = {"dosdevices", "devices"};

bool isFolder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "com<N>" in dosdevices, "KVR<i>" in devices: the names a simulator links.
bool isPortName(const std::string& name, const char* prefix)
{
    const std::size_t length = std::strlen(prefix);
    return name.size() > length && name.compare(0, length, prefix) == 0 &&
           name.find_first_not_of("0123456789", length) == std::string::npos;
}

} // namespace

DriverFolder::~DriverFolder()
{
    if (lock_ < 0) {
        return;
    }
    for (const std::string& file : made_) {
        unlink(file.c_str());
    }
    for (const char* sub : kSubfolders) {
        rmdir((path_ + "/" + sub).c_str());
    }
    // The lock goes last but one, so no other simulator comes in while we clear up.
    unlink((path_ + "/kvr-sim.lock").c_str());
    close(lock_);
    if (madeFolder_) {
        rmdir(path_.c_str());
    }
}

bool DriverFolder::take(std::string& error)
{
    const std::optional<std::string> before = platform::kvrFolder();
    const bool existed = before && isFolder(*before);
    const std::optional<std::string> folder = platform::createKvrFolder();
    if (!folder) {
        error = "the KVR folder cannot be used: set XDG_RUNTIME_DIR to a folder of yours, or "
                "make /tmp/kvr-" +
                std::to_string(getuid()) + " a folder that only you can write to";
        return false;
    }
    const std::string lockPath = *folder + "/kvr-sim.lock";
    // A simulator that is stopping removes the lock file after we opened it:
    // the lock counts only while the name still leads to the file we locked.
    for (;;) {
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = "cannot create " + lockPath + ": " + std::strerror(errno);
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int problem = errno;
            close(fd);
            error = problem == EWOULDBLOCK
                        ? "another kvr-sim is already running in " + *folder
                        : "cannot lock " + lockPath + ": " + std::strerror(problem);
            return false;
        }
        struct stat locked {};
        struct stat named {};
        if (fstat(fd, &locked) == 0 && stat(lockPath.c_str(), &named) == 0 &&
            locked.st_ino == named.st_ino && locked.st_dev == named.st_dev) {
            lock_ = fd;
            break;
        }
        close(fd);
    }
    path_ = *folder;
    madeFolder_ = !existed;
    for (const char* sub : kSubfolders) {
        const std::string subfolder = path_ + "/" + sub;
        if (mkdir(subfolder.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + subfolder + ": " + std::strerror(errno);
            return false;
        }
    }
    removeStaleLinks("dosdevices");
    removeStaleLinks("devices");
    return true;
}

// Links left by a simulator that was killed would lead to pseudo-terminals
// that the system may since have given to someone else.
void DriverFolder::removeStaleLinks(const std::string& sub)
{
    DIR* entries = opendir((path_ + "/" + sub).c_str());
    if (!entries) {
        return;
    }
    const char* prefix = sub == "dosdevices" ? "com" : "KVR";
    while (const dirent* entry = readdir(entries)) {
        struct stat info {};
        if (isPortName(entry->d_name, prefix) &&
            fstatat(dirfd(entries), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode)) {
            unlinkat(dirfd(entries), entry->d_name, 0);
        }
    }
    closedir(entries);
}

bool DriverFolder::link(const std::string& sub, const std::string& name, const std::string& target)
{
    const std::string path = path_ + "/" + sub + "/" + name;
    if (symlink(target.c_str(), path.c_str()) != 0) {
        return false;
    }
    made_.push_back(path);
    return true;
}

bool DriverFolder::writeRegistry(const std::string& text)
{
    const std::string path = path_ + "/registry.reg";
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = platform::writeAll(fd, text);
    if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    made_.push_back(path);
    return true;
}

} // namespace kvrsim
