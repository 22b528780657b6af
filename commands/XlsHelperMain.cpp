// orvelle-xls-reader: reads the cells of range A1:B1000 of the first worksheet
// of .xls workbooks for the program, which runs it as a separate process so
// that a damaged workbook that crashes the spreadsheet library cannot take the
// program down with it.
//
//   orvelle-xls-reader FILE   writes the cells of FILE to standard output, in
//                             the format of CellProtocol.h
//   orvelle-xls-reader        serves the program: reads requests from standard
//                             input and answers each on standard output
//
// Serving, each workbook is read by a child process of its own (on Linux), so
// a workbook that damages the reader's memory cannot spoil the next answer;
// the server itself never touches a workbook and stays ready, which saves
// starting a program for every read.

#include "commands/CellProtocol.h"
#include "commands/FreeXlRange.h"
#include "commands/HelperFrames.h"

#include <cstdio>
#include <iconv.h>
#include <string>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

constexpr unsigned kLastRow = 1000;

// Loads ahead the character conversions that reading a workbook needs.
void prepareConversions()
{
    for (const char* from : {"UTF-16LE", "CP1252"}) {
        const iconv_t conversion = iconv_open("UTF-8", from);
        if (conversion != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(conversion);
        }
    }
}

std::string readWorkbook(const std::string& path)
{
    return cells::encode(readFirstSheetRange(path.c_str(), kLastRow));
}

std::string failure(const std::string& message)
{
    cells::Range range;
    range.error = message;
    return cells::encode(range);
}

#ifndef _WIN32
bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string readAll(int fd)
{
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// Reads the workbook in a child process; its answer counts only when it ends normally.
std::string readInChild(const std::string& path)
{
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0) {
        return failure("the workbook reader cannot make a pipe");
    }
    const pid_t server = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return failure("the workbook reader cannot start a process");
    }
    if (child == 0) {
        // A child left behind by a server that was stopped ends with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != server) {
            _exit(1);
        }
        close(channel[0]);
        _exit(writeAll(channel[1], readWorkbook(path)) ? 0 : 1);
    }
    close(channel[1]);
    std::string answer = readAll(channel[0]);
    close(channel[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return failure("the workbook reader stopped on it, so the file is probably damaged");
    }
    return answer;
}
#else
// Windows has no fork: the server reads in its own process, which still keeps
// the program apart from the spreadsheet library.
std::string readInChild(const std::string& path)
{
    return readWorkbook(path);
}
#endif

int serve()
{
    prepareConversions();
    std::string path;
    while (helperframes::readRequest(stdin, path)) {
        const std::string frame = helperframes::answerFrame(readInChild(path));
        if (std::fwrite(frame.data(), 1, frame.size(), stdout) != frame.size() ||
            std::fflush(stdout) != 0) {
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 1) {
        return serve();
    }
    if (argc != 2) {
        std::fputs("usage: orvelle-xls-reader [FILE]\n", stderr);
        return 2;
    }
    const std::string out = readWorkbook(argv[1]);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0
               ? 0
               : 1;
}
