// kvr-sim: plays the KVR driver and its readers on Linux, where there is no
// such driver, for demonstrations and tests, each port a pseudo-terminal.
// kUsage (Options.cpp) says what it makes and which faults it can play.

#include "DriverFolder.h"
#include "Options.h"
#include "Replies.h"
#include "Simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

int failure(const std::string& problem, int status)
{
    std::fprintf(stderr, "kvr-sim: %s\n", problem.c_str());
    if (status == 2) {
        std::fputs("Try 'kvr-sim --help'.\n", stderr);
    }
    return status;
}

// The stopping signals arrive as reads on a descriptor that the port loop
// waits on with the ports; blocked from the start, one that comes during
// setting up still leads to clearing up.
int stoppingSignals()
{
    sigset_t stopping;
    sigemptyset(&stopping);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&stopping, signal);
    }
    return sigprocmask(SIG_BLOCK, &stopping, nullptr) == 0 ? signalfd(-1, &stopping, SFD_CLOEXEC)
                                                           : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    std::string error;
    const std::optional<kvrsim::Options> options = kvrsim::parseOptions(argc, argv, error);
    if (!options) {
        return failure(error, 2);
    }
    if (options->help) {
        std::fputs(kvrsim::kUsage, stdout);
        return 0;
    }
    kvrsim::ReplyTable table;
    if (!options->replyPath.empty() && !kvrsim::loadReplies(options->replyPath, table, error)) {
        return failure(error, 2);
    }
    int logFd = -1;
    if (!options->logPath.empty()) {
        logFd = open(options->logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0) {
            return failure("cannot open the log " + options->logPath + ": " + std::strerror(errno),
                           2);
        }
    }
    // "ready" goes to a reader that may be gone by then; that must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = stoppingSignals();
    if (signalFd < 0) {
        return failure(std::string("cannot wait for signals: ") + std::strerror(errno), 1);
    }

    kvrsim::DriverFolder folder;
    if (!folder.take(error)) {
        return failure(error, 1);
    }
    kvrsim::Simulator simulator(*options, table, logFd);
    // Opens the port `name` of COM port `number` and links it as `sub`/`link` in the folder.
    const auto addPort = [&](const char* sub, const std::string& link, const std::string& name,
                             int number, bool device) {
        const std::optional<std::string> path = simulator.addPort(name, number, device);
        return path && folder.link(sub, link, *path);
    };
    for (int i = 0; i < options->readers; ++i) {
        const int number = options->firstPort + i;
        const std::string device = "KVR" + std::to_string(i);
        if (!addPort("dosdevices", "com" + std::to_string(number), "COM" + std::to_string(number),
                     number, false) ||
            !addPort("devices", device, device, number, true)) {
            return failure("cannot make the ports of reader " + std::to_string(i) + " in " +
                               folder.path() + ": " + std::strerror(errno),
                           1);
        }
    }
    // The records come last: a program that finds them finds the ports too.
    if (!folder.writeRegistry(*options)) {
        return failure("cannot write " + folder.path() + "/registry.reg: " + std::strerror(errno),
                       1);
    }
    std::puts("ready");
    std::fflush(stdout);
    return simulator.run(signalFd)
               ? 0
               : failure(std::string("waiting on the ports failed: ") + std::strerror(errno), 1);
}
