// Bracketed position readings against the steady clock (CLOCK_MONOTONIC, the
// clock SDL's performance counter reads on Linux).
#include "support/position_probe.h"

TimedReading readTimed(const std::function<uint64_t()>& readPosition) {
    TimedReading reading;
    reading.before = steadySeconds();
    reading.bytes = readPosition();
    reading.after = steadySeconds();
    return reading;
}

RateBounds rateBetween(const TimedReading& first, const TimedReading& second, double bytesPerSecond) {
    const double gained = double(second.bytes) - double(first.bytes);
    const double longest = second.after - first.before;
    const double shortest = second.before - first.after;
    return {gained / (longest * bytesPerSecond),
            shortest > 0 ? gained / (shortest * bytesPerSecond) : 1e300};
}
