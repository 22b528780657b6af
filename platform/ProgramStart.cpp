#include "platform/ProgramStart.h"

#ifdef _WIN32
#include "platform/Utf16.h"

#include <windows.h>

namespace platform {

bool startProgram(const std::string& commandLine)
{
    // CreateProcessW may write into the command line it is given.
    std::wstring mutableLine = wideFromUtf8(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace platform

#else
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// The places where `name` may be run from, in the order of the PATH search.
std::vector<std::string> candidatePaths(const std::string& name)
{
    if (name.find('/') != std::string::npos) {
        return {name};
    }
    std::vector<std::string> paths;
    const char* searchPath = std::getenv("PATH");
    std::string folders = searchPath ? searchPath : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string path = folder + "/" + name;
        if (access(path.c_str(), X_OK) == 0) {
            paths.push_back(path);
        }
        start = end + 1;
    }
    return paths;
}

} // namespace

bool isOnPath(const std::string& name)
{
    return name.find('/') == std::string::npos && !candidatePaths(name).empty();
}

bool startProgram(const std::string& commandLine)
{
    const std::size_t blank = commandLine.find(' ');
    std::string name = commandLine.substr(0, blank);
    std::string argument =
        blank == std::string::npos ? std::string() : commandLine.substr(blank + 1);
    if (name.empty()) {
        return false;
    }
    const std::vector<std::string> paths = candidatePaths(name);
    if (paths.empty() || access(paths.front().c_str(), X_OK) != 0) {
        return false;
    }

    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls are allowed in a program that has threads.
    std::vector<char*> argv{name.data()};
    if (blank != std::string::npos) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    // Fork twice so that the program is adopted by init and never becomes our zombie.
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            for (const std::string& path : paths) {
                execve(path.c_str(), argv.data(), environ);
            }
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform
#endif
