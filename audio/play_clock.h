// The play position as the listener hears it, in output frames at the device
// rate: frames handed to the device minus the buffer still ahead of the
// listener, advanced between device callbacks by the performance counter.
// A silent clock (no device) advances with real time alone.
#pragma once
#include <cstdint>

#include "audio/music_format.h"

constexpr uint32_t OUTPUT_RATE = MUSIC_FRAMES_PER_SECOND;  // device sample frames per second

struct PlayClock {
    bool running = false;        // play was requested; the position advances
    bool deviceDriven = false;   // bounded by what the device was handed; false: silent clock
    uint64_t anchorFrame = 0;    // frames the listener had heard at anchorTick
    uint64_t anchorTick = 0;     // performance-counter value of that moment
    uint64_t handedFrames = 0;   // frames handed to the device; the position never passes it
    uint64_t reportedFrame = 0;  // last position read; later reads never go below it
};

// count * numerator / denominator rounded down, without overflowing while the
// result fits in 64 bits.
uint64_t scaleCount(uint64_t count, uint64_t numerator, uint64_t denominator);

// Puts the position at `frame` now, playing or not as before; a device-driven
// clock then waits for the device to be handed frames from there.
void seekClock(PlayClock& clock, uint64_t frame, uint64_t nowTick);
// Starts the clock at `frame`: device-driven, or silent in real time.
void startClock(PlayClock& clock, uint64_t frame, bool deviceDriven, uint64_t nowTick);
// The device was just handed `frames` more, which start playing now: the
// frames before them have been heard.
void noteDeviceFill(PlayClock& clock, uint64_t frames, uint64_t nowTick);
// The device stopped playing (lost): the position goes on from what was
// heard by now on the silent clock, without a jump.
void leaveDevice(PlayClock& clock, uint64_t nowTick, uint64_t ticksPerSecond);
// The position at `nowTick`: never below the last one read, never past the
// frames handed out. `ticksPerSecond` is the performance-counter frequency.
uint64_t readClock(PlayClock& clock, uint64_t nowTick, uint64_t ticksPerSecond);
