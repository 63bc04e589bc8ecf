// Timed readings of a play position, for rate checks that hold on a busy
// machine: each reading is bracketed by wall-clock times taken just before and
// just after it, so a pause anywhere widens the bounds instead of biasing them.
#pragma once
#include <cstdint>
#include <functional>

#include "support/test_support.h"  // steadySeconds, sleepSeconds

struct TimedReading {
    uint64_t bytes;  // the position read
    double before;   // steady-clock seconds just before the read
    double after;    // and just after
};

TimedReading readTimed(const std::function<uint64_t()>& readPosition);

// Bounds on the position's rate between two readings, as a share of
// `bytesPerSecond`: the true rate lies between low and high.
struct RateBounds {
    double low, high;
};
RateBounds rateBetween(const TimedReading& first, const TimedReading& second, double bytesPerSecond);
