#include "platform/IniFile.h"

#include "platform/Descriptors.h"
#include "platform/IniText.h"

#ifdef _WIN32
#include "platform/Utf16.h"

#include <vector>
#include <windows.h>

namespace platform {

std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize,
                              const std::string& path)
{
    if (bufferSize == 0) {
        return {};
    }
    std::vector<wchar_t> buffer(bufferSize, L' ');
    const DWORD copied =
        GetPrivateProfileStringW(wideFromUtf8(section).c_str(), wideFromUtf8(key).c_str(),
                                 wideFromUtf8(defaultValue).c_str(), buffer.data(),
                                 static_cast<DWORD>(bufferSize), wideFromUtf8(path).c_str());
    return utf8FromWide(std::wstring_view(buffer.data(), copied));
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path)
{
    const std::string written = value.substr(0, value.find('\0'));
    if (!fitsOnOneLine(section, key, written)) {
        return false;
    }
    return WritePrivateProfileStringW(wideFromUtf8(section).c_str(), wideFromUtf8(key).c_str(),
                                      wideFromUtf8(written).c_str(),
                                      wideFromUtf8(path).c_str()) != 0;
}

} // namespace platform

#else
#include "platform/IniEncoding.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The file's text and its encoding; an empty text when there is no file,
// nothing when it cannot be read or its bytes are not what their mark says.
std::optional<IniFileText> readFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? std::optional<IniFileText>(IniFileText{}) : std::nullopt;
    }
    const std::optional<std::string> bytes = readAll(fd);
    close(fd);
    return bytes ? decodeIniFile(*bytes) : std::nullopt;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Removes the unfinished files that writers which were killed left beside
// `path`: their names carry the writer's process number.
void removeLeftovers(const std::string& path)
{
    const std::string folder = folderOf(path);
    const std::string prefix = path.substr(path.rfind('/') + 1) + ".";
    DIR* entries = opendir(folder.c_str());
    if (!entries) {
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() + 4 || !name.starts_with(prefix) ||
            !name.ends_with(".tmp")) {
            continue;
        }
        const pid_t writer = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
        if (writer > 0 && kill(writer, 0) != 0 && errno == ESRCH) {
            unlinkat(dirfd(entries), name.c_str(), 0);
        }
    }
    closedir(entries);
}

// Gives the open file `fd` a name beside `path`: an unnamed file is linked in,
// otherwise `fd` < 0 and a new file is created. Returns the name, or nothing.
std::optional<std::string> nameFile(const std::string& path, int& fd)
{
    static std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 8; ++attempt) {
        // The writer's process number first, as removeLeftovers reads it.
        const std::string name = path + "." + std::to_string(getpid()) + "-" +
                                 std::to_string(attempt) + "-" + std::to_string(random()) + ".tmp";
        if (fd >= 0) {
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                return name;
            }
        } else {
            fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                return name;
            }
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Writes `text` into the file at `path` itself, as the profile functions do.
// A program killed while it writes may leave the file part new, part old.
bool overwriteFile(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Written before it is cut to size, so that a kill leaves no empty file.
    const bool done =
        writeAll(fd, text) && ftruncate(fd, static_cast<off_t>(text.size())) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && done;
}

// Writes `text` to a new file in the folder of `path` and renames it over
// `path`. Where the system allows, the new file has no name until it is
// complete, so that a program killed while writing leaves nothing behind.
// The new file takes the old one's owner, group and mode (a settings file
// written by root stays the technician's); where this user cannot give it
// them, the old file is written in place instead.
bool replaceFile(const std::string& path, const std::string& text)
{
    removeLeftovers(path);
    struct stat old {};
    const bool replacing = stat(path.c_str(), &old) == 0;
    int fd = open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    const bool unnamed = fd >= 0;
    std::optional<std::string> name;
    if (!unnamed && !(name = nameFile(path, fd))) {
        return false;
    }
    if (replacing && fchown(fd, old.st_uid, old.st_gid) != 0) {
        close(fd);
        if (name) {
            unlink(name->c_str());
        }
        return overwriteFile(path, text);
    }
    // The mode after the owner: a change of owner clears the set-id bits.
    bool done = (!replacing || fchmod(fd, old.st_mode & 07777) == 0) && writeAll(fd, text) &&
                fsync(fd) == 0;
    if (done && unnamed) {
        name = nameFile(path, fd);
        done = name.has_value();
    }
    done = done && rename(name->c_str(), path.c_str()) == 0;
    done = close(fd) == 0 && done;
    if (!done && name) {
        unlink(name->c_str());
    }
    return done;
}

// Where a write to `path` goes: through symbolic links to the file they name,
// so that a link stays a link and what it names takes the new text.
std::string linkTarget(std::string path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++hop) {
        const fs::path target = fs::read_symlink(path, error);
        if (error || target.empty()) {
            break;
        }
        path = target.is_absolute() ? target.string() : folderOf(path) + "/" + target.string();
    }
    return path;
}

// The profile functions write into the file itself: one that this user may
// not open for writing (its mode, a read-only mount, an immutable file) is
// not replaced either, though the folder would allow a new one in its place.
bool mayBeWritten(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT;
    }
    close(fd);
    return true;
}

} // namespace

std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize,
                              const std::string& path)
{
    if (bufferSize == 0) {
        return {};
    }
    const std::optional<IniFileText> file = readFile(path);
    const std::optional<std::string> value =
        file ? findIniValue(file->text, section, key) : std::nullopt;
    return (value ? withoutQuotes(*value) : defaultValue).substr(0, bufferSize - 1);
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path)
{
    const std::string target = linkTarget(path);
    // A file that exists but cannot be read is left alone rather than replaced.
    const std::optional<IniFileText> old = readFile(target);
    if (!old || !mayBeWritten(target)) {
        return false;
    }
    const std::optional<std::string> text =
        withIniValue(old->text, section, key, value.substr(0, value.find('\0')));
    const std::optional<std::string> bytes =
        text ? encodeIniFile({old->encoding, *text}) : std::nullopt;
    return bytes && replaceFile(target, *bytes);
}

} // namespace platform
#endif
