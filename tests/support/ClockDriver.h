#pragma once

#include "support/ManualClock.h"

#include <QTimer>

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
