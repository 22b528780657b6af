// Test clicked while the reader's port pours out random bytes as fast as the
// line takes them, next to the same click against a port that stays silent,
// taking turns, with the window shown on an X server: how long the window
// went without handling events, how long the dialogue took, and how much the
// program's resident memory grew with the flood.
//
//   flood-bench     (bench/flood runs it on the xcb platform, under Xvfb when
//                    there is no display)

#include "bench/BenchSupport.h"
#include "device/MSComm.h"
#include "support/WindowAccess.h"
#include "ui/Clock.h"
#include "ui/Fonts.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <stdlib.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A pseudo-terminal standing in for the reader's port; while `flooding`, a
// thread of its own writes random bytes into it whenever the line takes them
// and reads away what the program sends.
class ReaderPort {
public:
    explicit ReaderPort(bool flooding)
        : master_(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        grantpt(master_);
        unlockpt(master_);
        path_ = QString::fromLocal8Bit(ptsname(master_));
        if (flooding) {
            thread_ = std::thread([this] { flood(); });
        }
    }
    ~ReaderPort()
    {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        close(master_);
    }
    ReaderPort(const ReaderPort&) = delete;
    ReaderPort& operator=(const ReaderPort&) = delete;

    QString path() const { return path_; }
    double megabytesSent() const { return sent_ / 1e6; }

private:
    void flood()
    {
        std::mt19937 random(7);
        std::vector<unsigned char> bytes(4096);
        for (auto& byte : bytes) {
            byte = static_cast<unsigned char>(random());
        }
        while (!stop_) {
            pollfd ready{master_, POLLIN | POLLOUT, 0};
            if (poll(&ready, 1, 10) <= 0) {
                continue;
            }
            char drained[4096];
            if ((ready.revents & POLLIN) && read(master_, drained, sizeof drained) < 0) {
                continue;
            }
            if (ready.revents & POLLOUT) {
                const auto at = random() % bytes.size();
                const ssize_t written = write(master_, bytes.data() + at, bytes.size() - at);
                sent_ += written > 0 ? written : 0;
            }
        }
    }

    int master_;
    QString path_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> sent_{0};
    std::thread thread_;
};

long residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Click {
    double seconds = 0;
    double worstGapMilliseconds = 0;
    double megabytes = 0;
};

Click testAgainst(frmMain& window, bool flooding)
{
    ReaderPort port(flooding);
    access(window).MSComm1()->setPortLocator([&port](int) { return port.path(); });
    const LoopGapMeter gaps;
    QElapsedTimer wall;
    wall.start();
    window.btnOpen_Click();
    const Click click{wall.nsecsElapsed() / 1e9, gaps.worstMilliseconds(), port.megabytesSent()};
    window.SetClosedState();
    return click;
}

} // namespace

int main(int argc, char* argv[])
{
    constexpr int kRounds = 3;
    const BenchEnvironment environment;
    QApplication app(argc, argv);
    installFontSubstitutes();
    const Simulator driver({});
    QuietDesktop desktop;
    const SteadyClock clock;
    frmMain window(desktop, clock, environment.programFile());
    showOnScreen(window);
    access(window).Combo2()->setEditText(QStringLiteral("KVR Reader 0 (COM5)"));

    std::vector<double> silentSeconds, floodSeconds, silentGap, floodGap;
    double megabytes = 0;
    testAgainst(window, true); // the first flood's allocations are the program's working set
    const long residentBefore = residentKiB();
    for (int round = 0; round < kRounds; ++round) {
        const Click silent = testAgainst(window, false);
        const Click flood = testAgainst(window, true);
        silentSeconds.push_back(silent.seconds);
        silentGap.push_back(silent.worstGapMilliseconds);
        floodSeconds.push_back(flood.seconds);
        floodGap.push_back(flood.worstGapMilliseconds);
        megabytes += flood.megabytes;
    }
    const double grownMiB = (residentKiB() - residentBefore) / 1024.0;
    const double worstFloodGap = *std::max_element(floodGap.begin(), floodGap.end());
    const double worstSilentGap = *std::max_element(silentGap.begin(), silentGap.end());

    std::printf("Test against a port pouring out random bytes and against a silent one, window "
                "shown on the %s platform, %d rounds taking turns (medians)\n",
                qPrintable(QGuiApplication::platformName()), kRounds);
    std::printf("  dialogue: flooded %.3f s, silent %.3f s, flooded / silent %.2f\n",
                median(floodSeconds), median(silentSeconds),
                median(floodSeconds) / median(silentSeconds));
    std::printf("  longest the window went without handling events: flooded %.1f ms, silent "
                "%.1f ms (worst rounds; bar: flooded at most 50)\n",
                worstFloodGap, worstSilentGap);
    std::printf("  bytes poured in: %.1f MB; resident memory grew %.1f MiB over the rounds "
                "(bar: at most 8)\n",
                megabytes, grownMiB);
    const bool met = worstFloodGap <= 50 && grownMiB <= 8;
    std::printf("%s\n", met ? "bars met" : "BARS NOT MET");
    return met ? 0 : 1;
}
