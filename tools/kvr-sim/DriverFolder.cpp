#include "DriverFolder.h"

#include "platform/Descriptors.h"
#include "platform/KvrFolder.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kvrsim {
namespace {

// Each subfolder with the prefix of the names a simulator links there:
// dosdevices/com<N>, devices/KVR<i>.
constexpr std::pair<const char*, std::string_view> kSubfolders[] = {{"dosdevices", "com"},
                                                                    {"devices", "KVR"}};

// Links left by a simulator that was killed would lead to pseudo-terminals
// that the system may since have given to someone else.
void removeStaleLinks(const std::string& folder, std::string_view prefix)
{
    DIR* entries = opendir(folder.c_str());
    if (!entries) {
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const std::string_view name = entry->d_name;
        struct stat info {};
        if (name.size() > prefix.size() && name.starts_with(prefix) &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string_view::npos &&
            fstatat(dirfd(entries), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode)) {
            unlinkat(dirfd(entries), entry->d_name, 0);
        }
    }
    closedir(entries);
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

std::string key(const std::string& path)
{
    return "\n[HKEY_LOCAL_MACHINE\\" + path + "]\n";
}

std::string value(const std::string& name, const std::string& data)
{
    return quoted(name) + "=" + quoted(data) + "\n";
}

// The records of the readers in the registry editor's export format, as the
// program reads them: reader i is described as "<name> <i>" and is port
// COM<first port + i>; the layout picks the keys that hold them, as the
// driver's versions do.
std::string registryText(const Options& options)
{
    const std::string services = "System\\CurrentControlSet\\Services\\";
    const std::string family = options.layout == 'B' ? "Vorlan" : "Vor-Lan";
    std::string text = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; i < options.readers; ++i) {
        std::string index = std::to_string(i);
        const std::string description = options.name + " " + index;
        const std::string port = "COM" + std::to_string(options.firstPort + i);
        if (options.layout == 'C') {
            text += key(services + "VORLANCL\\Parameters\\Devices\\KVRDevice" + index) +
                    value("FriendlyName", description) + value("PortName", port);
            continue;
        }
        index.insert(0, index.size() < 4 ? 4 - index.size() : 0, '0');
        text +=
            key(services + "Class\\" + family + "\\" + index) + value("DriverDesc", description);
        text += key("Enum\\Root\\" + family + "\\" + index) + value("PortName", port);
    }
    return text;
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
    for (const auto& [sub, prefix] : kSubfolders) {
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
    struct stat info {};
    const bool existed = before && stat(before->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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
    for (const auto& [sub, prefix] : kSubfolders) {
        const std::string subfolder = path_ + "/" + sub;
        if (mkdir(subfolder.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + subfolder + ": " + std::strerror(errno);
            return false;
        }
    }
    for (const auto& [sub, prefix] : kSubfolders) {
        removeStaleLinks(path_ + "/" + sub, prefix);
    }
    return true;
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

bool DriverFolder::writeRegistry(const Options& options)
{
    const std::string path = path_ + "/registry.reg";
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = platform::writeAll(fd, registryText(options));
    if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    made_.push_back(path);
    return true;
}

} // namespace kvrsim
