// orvelle-xls-reader: reads the cells of range A1:B1000 of the first worksheet
// of .xls workbooks for the program with our own workbook reader. The
// program runs it as a separate process, so that even a fault the reader's
// checks missed cannot take the program down with it, and so that a read
// can be stopped when it takes too long.
//
//   orvelle-xls-reader FILE   writes the cells of FILE to standard output, in
//                             the format of CellProtocol.h
//   orvelle-xls-reader        serves the program: reads requests from standard
//                             input and answers each on standard output
//
// Serving, each workbook is read by a child process of its own, forked ahead
// of the request (on Linux), so a workbook that damages the reader's memory
// cannot spoil the next answer; the server itself never touches a workbook
// and stays ready, which saves starting a program for every read.

#include "commands/CellProtocol.h"
#include "commands/HelperFrames.h"
#include "commands/WorkbookCells.h"
#include "platform/Descriptors.h"

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr unsigned kLastRow = 1000;

std::string readWorkbook(const std::string& path)
{
    return cells::encode(cellsOfWorkbook(path, kLastRow));
}

#ifndef _WIN32
std::string failure(const std::string& message)
{
    cells::Range range;
    range.error = message;
    return cells::encode(range);
}

// A child process forked ahead of the request it will serve: it waits for a
// path on its request pipe, reads that workbook and writes the answer to its
// answer pipe. Forking ahead keeps the fork out of the time a read takes.
struct Reader {
    pid_t pid = -1;
    int request = -1;
    int answer = -1;
};

void closeAll(std::initializer_list<int> fds)
{
    for (const int fd : fds) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

Reader forkReader()
{
    int request[2];
    int answer[2];
    if (pipe2(request, O_CLOEXEC) != 0) {
        return {};
    }
    if (pipe2(answer, O_CLOEXEC) != 0) {
        closeAll({request[0], request[1]});
        return {};
    }
    const pid_t server = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // A reader left behind by a server that was stopped ends with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != server) {
            _exit(1);
        }
        closeAll({request[1], answer[0]});
        const std::string path = platform::readAll(request[0]).value_or(std::string());
        _exit(!path.empty() && platform::writeAll(answer[1], readWorkbook(path)) ? 0 : 1);
    }
    closeAll({request[0], answer[1]});
    if (child < 0) {
        closeAll({request[1], answer[0]});
        return {};
    }
    return {child, request[1], answer[0]};
}

// Reads the workbook in the reader; its answer counts only when it ends normally.
std::string readIn(Reader reader, const std::string& path)
{
    if (reader.pid < 0) {
        return failure("the workbook reader cannot start a process");
    }
    const bool sent = platform::writeAll(reader.request, path);
    close(reader.request);
    std::string answer =
        sent ? platform::readAll(reader.answer).value_or(std::string()) : std::string();
    close(reader.answer);
    int status = 0;
    while (waitpid(reader.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!sent || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return failure("the workbook reader stopped on it, so the file is probably damaged");
    }
    return answer;
}

void stopReader(const Reader& reader)
{
    if (reader.pid >= 0) {
        closeAll({reader.request, reader.answer});
        kill(reader.pid, SIGKILL);
        waitpid(reader.pid, nullptr, 0);
    }
}

int serve()
{
    Reader next = forkReader();
    std::string path;
    int result = 0;
    while (helperframes::readRequest(stdin, path)) {
        const std::string frame = helperframes::answerFrame(readIn(next, path));
        next = forkReader();
        if (std::fwrite(frame.data(), 1, frame.size(), stdout) != frame.size() ||
            std::fflush(stdout) != 0) {
            result = 1;
            break;
        }
    }
    stopReader(next);
    return result;
}
#else
// Windows has no fork: the server reads in its own process, which still keeps
// the program apart from the reader.
int serve()
{
    std::string path;
    while (helperframes::readRequest(stdin, path)) {
        const std::string frame = helperframes::answerFrame(readWorkbook(path));
        if (std::fwrite(frame.data(), 1, frame.size(), stdout) != frame.size() ||
            std::fflush(stdout) != 0) {
            return 1;
        }
    }
    return 0;
}
#endif

} // namespace

int main(int argc, char* argv[])
{
#ifdef _WIN32
    // Frames and cells are bytes: no line-end translation on the way.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
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
