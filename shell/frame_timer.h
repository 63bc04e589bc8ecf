// FrameTimer: seconds since process start-up from the high-resolution counter.
// The one global instance, frameTimer, is built during static initialisation;
// the frame loop stores its reading in the scenes' elapsedSeconds after each
// presented frame.
#pragma once
#include <cstdint>

class FrameTimer {
public:
    FrameTimer();
    void reset();
    double now();    // absolute seconds; also updates counter
    float elapsed(); // seconds since reset, single precision

private:
    int64_t counter = 0;       // counter value of the latest reading
    int64_t frequency = 0;     // counts per second
    float secondsPerTick = 0;  // 1 / frequency
    float startSeconds = 0;    // absolute reading taken by reset, as a float
    float lastElapsed = 0;     // value elapsed() returned last
};

extern FrameTimer frameTimer;
