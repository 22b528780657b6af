#pragma once

#include "ui/DesktopServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <sys/resource.h>
#include <vector>

// What the window benchmarks share.

// A runtime folder of the benchmark's own (so it meets only its own
// simulated driver), a data folder for the run records, and the offscreen
// platform; made before the application.
class BenchEnvironment {
public:
    BenchEnvironment()
    {
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }

    QString programFile() const { return runtime_.filePath(QStringLiteral("Orvelle")); }

private:
    QTemporaryDir runtime_;
    QTemporaryDir data_;
};

// Answers nothing and shows nothing: boxes and beeps cost no time here.
class QuietDesktop final : public DesktopServices {
public:
    void messageBox(const QString&, int, const QString&) override {}
    using DesktopServices::messageBox;
    void beep() override {}
    std::optional<QString> chooseFileToOpen(const OpenFileRequest&) override
    {
        return std::nullopt;
    }
    void startProgram(const QString&) override {}
    void openFolder(const QString&) override {}
};

// User and system CPU time of this process so far, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// kvr-sim with `options`, ready once constructed, until the object goes.
class Simulator {
public:
    explicit Simulator(const QStringList& options)
    {
        process_.start(QStringLiteral(KVR_SIM), options);
        while (process_.waitForReadyRead(10000) &&
               !process_.readAllStandardOutput().contains("ready")) {
        }
    }
    ~Simulator()
    {
        process_.terminate();
        process_.waitForFinished();
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

private:
    QProcess process_;
};

// The longest time between two firings of a 5-ms timer while it runs: how
// long the window went without handling events.
class LoopGapMeter {
public:
    LoopGapMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            worst_ = std::max(worst_, since_.nsecsElapsed());
            since_.restart();
        });
        since_.start();
        timer_.start(5);
    }
    double worstMilliseconds() const { return std::max(worst_, since_.nsecsElapsed()) / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 worst_ = 0;
};

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Shows `window` and waits until the window system has put it on screen (10 s at most).
inline void showOnScreen(QWidget& window)
{
    window.show();
    QElapsedTimer shown;
    shown.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) &&
           shown.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}
