#pragma once

#include "ui/Clock.h"

#include <functional>

// Processes window events until `finished` holds or `clock` reaches `deadline`.
// Pending events run at least once. Between events the thread sleeps in the
// event loop; it is woken by the next event or at the deadline, never by polling.
void processEventsUntil(const Clock& clock, Clock::time_point deadline,
                        const std::function<bool()>& finished);
