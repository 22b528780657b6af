#pragma once

#include <chrono>

// Elapsed time, unaffected by changes of the time of day. Tests use a clock they move by hand.
class Clock {
public:
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual time_point now() const = 0;
};

class SteadyClock final : public Clock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
};
