// Watching controls of live play: pause, seeks (by time, by part, from the
// start), the fullscreen toggle, mute, --loop's restart, and the timeline bar
// shown for a while after a control key. Reads musicBytePos and demoOptions;
// moves the signals only through the timeline's preparation and the music.
// Keys reach it as press events from the window; the browser page's buttons
// call the same plain functions.
#pragma once
#include <cstdint>

// ---- state -----------------------------------------------------------------
extern bool demoPaused;              // music, position and elapsed time held
extern bool musicMuted;              // the device hands silence; the clock runs on
extern bool seekPending;             // a target waits for the next frame
extern double seekTargetBytes;       // that target, bytes of music, clamped below at 0
extern uint64_t timelineBarUntilMs;  // SDL ticks (ms) up to which the bar shows; 0: hidden
constexpr uint64_t TIMELINE_BAR_SHOWN_MS = 2000;

// ---- actions (the same from a key and from a page button) ------------------
void togglePause();
// `seconds` after the latest target (else after the position shown; before it
// when negative). Calls before the next frame add up to one target.
void seekBy(double seconds);
// To the first byte of the part `delta` parts after (before, when negative)
// the one the latest target lies in; after the last part: the end.
void seekToPart(int delta);
// To `seconds` of music; 0 plays from the start.
void seekTo(double seconds);
// Under --mute (no device) nothing happens.
void toggleMute();
// Exclusive 800x600 mode -> a window; a window -> borderless fullscreen at the
// desktop's resolution; borderless -> a centred window of --size.
void toggleFullscreen();
// The position shown (or the latest target), seconds; for a page's seek bar.
double shownPositionSeconds();

// A key press (Windows virtual-key code; Ctrl held; an auto-repeat of a held
// key): true when it is a control key, which then shows the timeline bar.
// Repeats move seeks on; they never toggle.
bool handleControlKey(int virtualKey, bool ctrlDown, bool repeat);

// ---- frame hooks --------------------------------------------------------------
// Before the scene chain: prepares the latest target, once. False when it lay
// at or past the end of the timeline without --loop: the run ends there as at
// the end of the timeline.
bool applyPendingSeek();
// When every scene has declined: with --loop, timeline and music start again
// as a fresh run does (true); without it false.
bool restartTimelineIfLooping();
// After the scenes: the bar while it is shown; no GL call otherwise.
void drawTimelineBarIfShown();
// The bar over the picture now; every piece of GL state it touches restored.
void drawTimelineBar();
// The elapsed-time signal for a frame-timer reading (seconds): the reading
// itself until a control moves it; held while paused; from 0 at a seek.
float shownElapsedSeconds(float timerSeconds);
