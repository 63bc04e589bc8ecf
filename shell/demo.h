// The life of the demo: start-up, the non-blocking frame loop, shutdown.
// main() is only a call to demoMain(); the loop's pieces are public so that
// tests can drive single frames.
#pragma once
#include <cstdint>
#include <string>

#include "shell/controls.h"
#include "shell/stage.h"  // openDemoPicture, startRenderTarget

union SDL_Event;

enum class FrameOutcome {
    Presented,      // the frame was refreshed and presented
    EscapePressed,  // Escape was down (or an End control came): the frame was not presented, the loop ends
    TimelineOver,   // every scene declined: nothing refreshed or presented, the loop ends
};

// One frame of the loop (the pass with an empty event queue).
FrameOutcome produceFrame();

// A control from any source, as the frame loop takes it: performed, and the
// timeline bar shown.
void takeControl(const Control& control, bool repeat = false);
// One SDL event as every loop takes it: the window's translation, the viewport
// for a new size in the same pass, a press's control. True on a close request.
bool handleDemoEvent(const SDL_Event& event);

// The loop: one event per pass, or one frame when none is waiting.
// Returns the exit code.
int runFrameLoop();

// The music's start-up steps, each failure reported in a box before the next
// step; the demo goes on whatever fails.
void startMusic();

// Window and everything the first frame needs, then the music; false when the
// picture could not be opened (the failure has been reported).
bool startDemo();
// Music, render target, textures and window released, in that order.
void shutdownDemo();

// Start-up, loop and shutdown; the exit code of the process.
int demoMain();

// Frames presented since start; the performance report and tests read it.
extern uint64_t presentedFrameCount;
