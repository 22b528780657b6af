// A send of 999 "/rawxact" lines to kvr-sim answering at once: the time from
// Go to "Done" and the program's CPU time, next to a bare loop that writes the
// same lines to the same kind of port and waits for each answer, in one run;
// and the program's peak resident memory.
//
//   send-bench

#include "bench/BenchSupport.h"
#include "platform/Descriptors.h"
#include "platform/KvrFolder.h"
#include "ui/Fonts.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kLines = 999;

// Writes each line to the port and waits for the line that answers it.
double bareLoopSeconds(const std::string& port)
{
    const int fd = open(port.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < kLines; ++i) {
        platform::writeAll(fd, "/rawxact item " + std::to_string(i) + "\n");
        std::string answer;
        while (answer.find('\n') == std::string::npos) {
            pollfd ready{fd, POLLIN, 0};
            char buffer[256];
            if (poll(&ready, 1, 5000) <= 0) {
                close(fd);
                return -1;
            }
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                close(fd);
                return -1;
            }
            answer.append(buffer, std::size_t(got));
        }
    }
    close(fd);
    return wall.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    const BenchEnvironment environment;
    QApplication app(argc, argv);
    installFontSubstitutes();

    auto simulator = std::make_unique<Simulator>(QStringList());

    QuietDesktop desktop;
    frmMain window(desktop, environment.programFile());
    window.Combo2->setEditText(QStringLiteral("KVR Reader 0 (COM5)"));
    for (int i = 0; i < kLines; ++i) {
        window.sCmdList[i] = QStringLiteral("/rawxact item %1").arg(i);
        window.bWaitReply[i] = true;
    }
    window.nCmdCount = kLines;

    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    window.btnSend_Click();
    const double programWall = wall.nsecsElapsed() / 1e9;
    const double programCpu = cpuSeconds() - cpuBefore;
    const bool done = window.txtCommandList->text().endsWith(QStringLiteral("Done")) &&
                      !window.txtCommandList->text().contains(QStringLiteral("NO RESPONSE"));

    const double bare = bareLoopSeconds(*platform::kvrFolder() + "/dosdevices/com5");
    simulator.reset();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d /rawxact lines against kvr-sim answering at once\n", kLines);
    std::printf("  program, Go to Done: %.3f s wall, %.3f s CPU (%s)\n", programWall, programCpu,
                done ? "every line answered" : "NOT every line answered");
    std::printf("  bare loop, same lines, same kind of port: %.3f s\n", bare);
    std::printf("  program / bare: %.2f (bar: at most 3)\n", programWall / bare);
    std::printf("  peak resident memory of the program: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    const bool met = done && bare > 0 && programWall <= 3 * bare;
    std::printf("%s\n", met ? "bar met" : "BAR NOT MET");
    return met ? 0 : 1;
}
