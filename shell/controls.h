// Watching controls of live play: the one set of control actions that every
// input source maps into (keys, media keys, a gamepad, the page's buttons),
// what each does to the music and the timeline, and --loop's restart. Reads
// musicBytePos and demoOptions; moves the signals only through the timeline's
// preparation and the music. The window reports presses; it decides nothing.
#pragma once
#include <cstdint>

// ---- the vocabulary ------------------------------------------------------------
enum class ControlAction {
    TogglePause,
    SeekBy,            // amount: seconds, negative back
    SeekToPart,        // amount: viewer's parts, negative back
    SeekTo,            // amount: seconds of music; 0 is the start
    ToggleFullscreen,
    ToggleMute,
    End,               // as an Escape press ends the run, without Escape being down
};
struct Control {
    ControlAction action;
    double amount = 0.0;
};

// What a source's press means: null for a press that is no control. Keys by
// Windows virtual-key code (Ctrl held or not), gamepad buttons by
// SDL_GameControllerButton.
const Control* controlForKey(int virtualKey, bool ctrlDown);
const Control* controlForPadButton(int button);

// A control from any source. A repeat (a key held down) moves seeks on and
// never toggles or ends.
void performControl(const Control& control, bool repeat = false);

// ---- state -----------------------------------------------------------------
extern bool demoPaused;         // music, position and elapsed time held
extern bool musicMuted;         // the device hands silence; the clock runs on
extern bool seekPending;        // a target waits for the next frame
extern double seekTargetBytes;  // that target, bytes of music, clamped below at 0
// What the fullscreen control does instead of the window's placement cycle
// (with the viewport set for the new drawable): a page puts its own here.
extern void (*fullscreenToggle)();

// ---- actions ------------------------------------------------------------------
void togglePause();
// `seconds` after the latest target (else after the position shown; before it
// when negative). Calls before the next frame add up to one target.
void seekBy(double seconds);
// To the first byte of the viewer's part `delta` parts after (before, when
// negative) the one the latest target lies in; after the last part: the end.
void seekToPart(int delta);
// To `seconds` of music; 0 plays from the start.
void seekTo(double seconds);
// Under --mute (no device) nothing happens.
void toggleMute();
// The latest target, else the position shown; bytes of music.
double shownPositionBytes();

// ---- frame hooks --------------------------------------------------------------
// True once after an End control: the frame is dropped as for Escape.
bool takeEndRequest();
// Before the scene chain: prepares the latest target, once. False when it lay
// at or past the end of the timeline without --loop: the run ends there as at
// the end of the timeline.
bool applyPendingSeek();
// When every scene has declined: with --loop, timeline and music start again
// as a fresh run does (true); without it false.
bool restartTimelineIfLooping();
// The elapsed-time signal for a frame-timer reading (seconds): the reading
// itself until a control moves it; held while paused; from 0 at a seek.
float shownElapsedSeconds(float timerSeconds);
