// FrameTimer over SDL's performance counter. The start reading is kept in a
// 32-bit float on purpose: every elapsed() carries the same small constant
// offset (up to half the float spacing at the counter's magnitude).
#include "shell/frame_timer.h"

#include "shell/startup_timings.h"

#include <SDL.h>

FrameTimer frameTimer;      // counts from process start-up (static initialisation)
StartupTimings startupTimings = {};

FrameTimer::FrameTimer() {
    frequency = int64_t(SDL_GetPerformanceFrequency());
    secondsPerTick = float(1.0 / double(frequency));
    reset();
}

void FrameTimer::reset() { startSeconds = float(now()); }

double FrameTimer::now() {
    counter = int64_t(SDL_GetPerformanceCounter());
    return double(counter) * double(secondsPerTick);
}

float FrameTimer::elapsed() {
    lastElapsed = float(now() - double(startSeconds));
    return lastElapsed;
}

void markStartup(float StartupTimings::*milestone) { startupTimings.*milestone = frameTimer.elapsed(); }
