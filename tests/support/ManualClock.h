#pragma once

#include "ui/Clock.h"

// A clock that moves only when the test moves it.
class ManualClock final : public Clock {
public:
    time_point now() const override { return now_; }
    void advance(std::chrono::milliseconds by) { now_ += by; }

private:
    time_point now_{std::chrono::hours(1)};
};
