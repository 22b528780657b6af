#pragma once

#include "ui/Clock.h"

#include <QTimer>

// A clock that moves only when the test moves it.
class ManualClock final : public Clock {
public:
    time_point now() const override { return now_; }
    void advance(std::chrono::milliseconds by) { now_ += by; }

private:
    time_point now_{std::chrono::hours(1)};
};

// Moves a hand-moved clock on by `step` every few milliseconds of real time,
// for as long as it lives, so that long waits pass quickly.
class ClockDriver {
public:
    ClockDriver(ManualClock& clock, std::chrono::milliseconds step)
    {
        QObject::connect(&timer_, &QTimer::timeout, [&clock, step] { clock.advance(step); });
        timer_.start(5);
    }

private:
    QTimer timer_;
};
