#pragma once

#include <QProcess>
#include <QStringList>

#include <csignal>
#include <sys/prctl.h>

// kvr-sim, the simulated KVR driver, running in this test program's KVR
// folder for as long as the object lives.
class SimulatedDriver {
public:
    explicit SimulatedDriver(const QStringList& options)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test program ended by its watchdog leaves no simulator behind.
        process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start(QStringLiteral(KVR_SIM), options);
        while (process_.waitForReadyRead(10000)) {
            output_ += process_.readAllStandardOutput();
            if (output_.contains("ready\n")) {
                ready_ = true;
                break;
            }
        }
    }

    ~SimulatedDriver()
    {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    SimulatedDriver(const SimulatedDriver&) = delete;
    SimulatedDriver& operator=(const SimulatedDriver&) = delete;

    bool ready() const { return ready_; }

    // The driver gone at once, as when its process is killed: its ports hang
    // up and what it made in the KVR folder stays behind.
    void kill()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
    QByteArray output_;
    bool ready_ = false;
};
