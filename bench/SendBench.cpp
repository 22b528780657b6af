// A send of 999 "/rawxact" lines to kvr-sim answering at once, with the window
// shown on an X server as a user has it and Go pressed by a key: the lines'
// time and CPU next to a bare loop that writes the same lines to the same kind
// of port and waits for each answer, taking turns; the longest the event loop
// went without handling events; Go to Done with the open dialogues apart; and
// the program's peak resident memory.
//
//   send-bench      (bench/send runs it on the xcb platform, under Xvfb when
//                    there is no display)

#include "bench/BenchSupport.h"
#include "platform/Descriptors.h"
#include "platform/KvrFolder.h"
#include "support/WindowAccess.h"
#include "ui/Clock.h"
#include "ui/ColourButton.h"
#include "ui/Fonts.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

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

struct ProgramRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double worstGapMilliseconds = 0;
    bool everyLineAnswered = false;
};

// Go pressed with the space bar, as on the focused button; the run ends within the press.
ProgramRun sendOnce(frmMain& window)
{
    access(window).btnSend()->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    const LoopGapMeter gaps;
    wall.start();
    QApplication::sendEvent(access(window).btnSend(), &press);
    QApplication::sendEvent(access(window).btnSend(), &release);
    ProgramRun run{wall.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore, gaps.worstMilliseconds(),
                   false};
    const QString transcript = access(window).txtCommandList()->text();
    run.everyLineAnswered = transcript.endsWith(QStringLiteral("Done")) &&
                            transcript.count(QStringLiteral(" --> ACK item ")) == kLines;
    return run;
}

struct DialogueRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// The two open dialogues that every run makes before its first line, alone.
DialogueRun openDialogues(frmMain& window)
{
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    window.btnOpen_Click();
    window.btnOpen_Click();
    const DialogueRun run{wall.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore};
    window.SetClosedState();
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    constexpr int kRounds = 5;
    const BenchEnvironment environment;
    QApplication app(argc, argv);
    installFontSubstitutes();

    auto simulator = std::make_unique<Simulator>(QStringList());

    QuietDesktop desktop;
    const SteadyClock clock;
    frmMain window(desktop, clock, environment.programFile());
    showOnScreen(window);
    access(window).Combo2()->setEditText(QStringLiteral("KVR Reader 0 (COM5)"));
    for (int i = 0; i < kLines; ++i) {
        access(window).sCmdList()[i] = QStringLiteral("/rawxact item %1").arg(i);
        access(window).bWaitReply()[i] = true;
    }
    access(window).nCmdCount() = kLines;
    const std::string port = *platform::kvrFolder() + "/dosdevices/com5";

    // The program and the bare loop take turns, so that both meet the same
    // moments of a noisy machine; the medians are compared.
    std::vector<double> goToDone, linesWall, linesCpu, gaps, bare, dialogues;
    bool everyLineAnswered = true;
    for (int round = 0; round < kRounds; ++round) {
        const ProgramRun run = sendOnce(window);
        everyLineAnswered = everyLineAnswered && run.everyLineAnswered;
        bare.push_back(bareLoopSeconds(port));
        const DialogueRun opened = openDialogues(window);
        goToDone.push_back(run.wallSeconds);
        dialogues.push_back(opened.wallSeconds);
        linesWall.push_back(run.wallSeconds - opened.wallSeconds);
        linesCpu.push_back(run.cpuSeconds - opened.cpuSeconds);
        gaps.push_back(run.worstGapMilliseconds);
    }
    simulator.reset();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const bool bareFailed = *std::min_element(bare.begin(), bare.end()) <= 0;
    const double linesRatio = median(linesWall) / median(bare);
    const double worstGap = *std::max_element(gaps.begin(), gaps.end());
    const double peakMiB = usage.ru_maxrss / 1024.0;
    std::printf("%d /rawxact lines against kvr-sim answering at once, window shown on the %s "
                "platform, %d rounds taking turns (medians)\n",
                kLines, qPrintable(QGuiApplication::platformName()), kRounds);
    std::printf("  program, Go to Done: %.3f s (%s)\n", median(goToDone),
                everyLineAnswered ? "every line answered" : "NOT every line answered");
    std::printf("    the two open dialogues before the first line (tick-counted waits): %.3f s\n",
                median(dialogues));
    std::printf("    the lines, Go to Done less the dialogues: %.3f s, %.3f s CPU (bar: at most "
                "0.3 s CPU)\n",
                median(linesWall), median(linesCpu));
    std::printf("  bare loop, same lines, same kind of port: %.3f s%s\n", median(bare),
                bareFailed ? " (A BARE LOOP FAILED)" : "");
    std::printf("  program / bare, the lines: %.2f (bar: at most 3)\n", linesRatio);
    std::printf("  program / bare, Go to Done: %.2f\n", median(goToDone) / median(bare));
    std::printf("  longest the window went without handling events: %.1f ms in the worst round "
                "(bar: at most 50)\n",
                worstGap);
    std::printf("  peak resident memory of the program: %.1f MiB (bar: at most 80)\n", peakMiB);
    // The dialogues wait whole ticks of the 60-ms timer by design, however
    // fast the reader is; the bars are on what the program does per line.
    const bool met = everyLineAnswered && !bareFailed && linesRatio <= 3 &&
                     median(linesCpu) <= 0.3 && worstGap <= 50 && peakMiB <= 80;
    std::printf("%s\n", met ? "bars met" : "BARS NOT MET");
    return met ? 0 : 1;
}
