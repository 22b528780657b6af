#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace platform {

// A lock that programs sharing a folder take in turns, held as a lock file of the folder (made
// when missing). The system gives it back when the object goes or its program ends, however it
// ends, so a killed holder never leaves it taken; it works across a network share as the file
// system passes such locks on. (QLockFile's lock files outlive a holder killed while making them
// by up to 30 s.)
class FileLock {
public:
    // The lock on `path` (UTF-8), waiting up to `wait` while another program holds it; nothing
    // when it could not be had: held all that time, or the file cannot be made or locked.
    static std::unique_ptr<FileLock> take(const std::string& path, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    explicit FileLock(std::intptr_t file)
        : file_(file)
    {
    }
    std::intptr_t file_;
};

} // namespace platform
