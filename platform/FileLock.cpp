#include "platform/FileLock.h"

#include <thread>

#ifdef _WIN32
#include "platform/Utf16.h"

#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

constexpr std::chrono::milliseconds kRetry(10);

enum class Attempt { Taken, Held, Failed };

#ifdef _WIN32
std::intptr_t openLockFile(const std::string& path)
{
    const HANDLE file = CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(file);
}

Attempt tryLock(std::intptr_t file)
{
    OVERLAPPED whole{};
    if (LockFileEx(reinterpret_cast<HANDLE>(file),
                   LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   &whole)) {
        return Attempt::Taken;
    }
    return GetLastError() == ERROR_LOCK_VIOLATION ? Attempt::Held : Attempt::Failed;
}

void closeLockFile(std::intptr_t file)
{
    CloseHandle(reinterpret_cast<HANDLE>(file));
}
#else
std::intptr_t openLockFile(const std::string& path)
{
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

// A record lock (not flock), which network file systems pass on to the other computers.
Attempt tryLock(std::intptr_t file)
{
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (fcntl(int(file), F_SETLK, &whole) == 0) {
        return Attempt::Taken;
    }
    return errno == EACCES || errno == EAGAIN || errno == EINTR ? Attempt::Held : Attempt::Failed;
}

void closeLockFile(std::intptr_t file)
{
    close(int(file));
}
#endif

} // namespace

std::unique_ptr<FileLock> FileLock::take(const std::string& path, std::chrono::milliseconds wait)
{
    const std::intptr_t file = openLockFile(path);
    if (file == -1) {
        return nullptr;
    }
    std::unique_ptr<FileLock> lock(new FileLock(file));
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const Attempt attempt = tryLock(file);
        if (attempt == Attempt::Taken) {
            return lock;
        }
        if (attempt == Attempt::Failed || std::chrono::steady_clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(kRetry);
    }
}

FileLock::~FileLock()
{
    closeLockFile(file_);
}

} // namespace platform
