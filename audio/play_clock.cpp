// Arithmetic of the listener's play position; the audio layer keeps one clock
// per channel and calls these under its lock.
#include "audio/play_clock.h"

#include <algorithm>

uint64_t scaleCount(uint64_t count, uint64_t numerator, uint64_t denominator) {
    return count / denominator * numerator + count % denominator * numerator / denominator;
}

void seekClock(PlayClock& clock, uint64_t frame, uint64_t nowTick) {
    clock.anchorFrame = frame;
    clock.anchorTick = nowTick;
    clock.handedFrames = frame;
    clock.reportedFrame = frame;
}

void startClock(PlayClock& clock, uint64_t frame, bool deviceDriven, uint64_t nowTick) {
    seekClock(clock, frame, nowTick);
    clock.running = true;
    clock.deviceDriven = deviceDriven;
}

void noteDeviceFill(PlayClock& clock, uint64_t frames, uint64_t nowTick) {
    clock.anchorFrame = clock.handedFrames;
    clock.anchorTick = nowTick;
    clock.handedFrames += frames;
}

uint64_t readClock(PlayClock& clock, uint64_t nowTick, uint64_t ticksPerSecond) {
    if (!clock.running) return clock.reportedFrame;
    const uint64_t elapsedTicks = nowTick > clock.anchorTick ? nowTick - clock.anchorTick : 0;
    uint64_t heard = clock.anchorFrame + scaleCount(elapsedTicks, OUTPUT_RATE, ticksPerSecond);
    if (clock.deviceDriven) heard = std::min(heard, clock.handedFrames);
    clock.reportedFrame = std::max(clock.reportedFrame, heard);
    return clock.reportedFrame;
}

void leaveDevice(PlayClock& clock, uint64_t nowTick, uint64_t ticksPerSecond) {
    clock.anchorFrame = readClock(clock, nowTick, ticksPerSecond);
    clock.anchorTick = nowTick;
    clock.deviceDriven = false;
}
