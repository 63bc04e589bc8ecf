// Watching controls: the table of every input source's presses, what each
// control does to the music and the timeline, and the pending-seek rule.
// Reads musicBytePos and demoOptions; a seek goes through the same
// preparation as --start, so it shows what that start shows. The window's
// placement and the viewport are the window's and the stage's to change.
#include "shell/controls.h"

#include <SDL_gamecontroller.h>

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"
#include "shell/frame_timer.h"
#include "shell/keys.h"
#include "shell/options.h"
#include "shell/viewport.h"
#include "shell/window.h"

bool demoPaused = false;          // music, position and elapsed time held
bool musicMuted = false;          // silence on the device
bool seekPending = false;         // seekTargetBytes waits for the next frame
double seekTargetBytes = 0.0;     // bytes of music, >= 0
void (*fullscreenToggle)() = nullptr;  // null: the window's placement cycle

namespace {

uint64_t pausedAtBytes = 0;   // where the music holds while paused, bytes
float elapsedOrigin = 0.0f;   // frame-timer seconds where the elapsed signal counts from
float heldElapsed = 0.0f;     // the elapsed signal while paused, seconds
bool endRequested = false;    // an End control not yet seen by a frame

constexpr double SHORT_SEEK_SECONDS = 5.0;   // Left / Right, d-pad left / right
constexpr double LONG_SEEK_SECONDS = 30.0;   // Page Up / Page Down, d-pad down / up

using A = ControlAction;

// ---- the sources' tables --------------------------------------------------------
struct KeyControl {
    int virtualKey;
    bool ctrl;
    Control control;
};
const KeyControl KEY_CONTROLS[] = {
//   key                          Ctrl    action              amount
    {VK_LEFT_CODE,                false, {A::SeekBy,          -SHORT_SEEK_SECONDS}},
    {VK_RIGHT_CODE,               false, {A::SeekBy,           SHORT_SEEK_SECONDS}},
    {VK_LEFT_CODE,                true,  {A::SeekToPart,      -1}},
    {VK_RIGHT_CODE,               true,  {A::SeekToPart,       1}},
    {VK_PRIOR_CODE,               false, {A::SeekBy,          -LONG_SEEK_SECONDS}},
    {VK_NEXT_CODE,                false, {A::SeekBy,           LONG_SEEK_SECONDS}},
    {VK_HOME_CODE,                false, {A::SeekTo,           0}},
    {VK_SPACE_CODE,               false, {A::TogglePause}},
    {'F',                         false, {A::ToggleFullscreen}},
    {'M',                         false, {A::ToggleMute}},
    {VK_MEDIA_PLAY_PAUSE_CODE,    false, {A::TogglePause}},
    {VK_MEDIA_NEXT_TRACK_CODE,    false, {A::SeekToPart,       1}},
    {VK_MEDIA_PREV_TRACK_CODE,    false, {A::SeekToPart,      -1}},
    {VK_MEDIA_STOP_CODE,          false, {A::End}},
};

// Sticks and triggers are no controls: only buttons are in the table.
struct PadControl {
    int button;
    Control control;
};
const PadControl PAD_CONTROLS[] = {
//   button                              action              amount
    {SDL_CONTROLLER_BUTTON_A,             {A::TogglePause}},
    {SDL_CONTROLLER_BUTTON_START,         {A::TogglePause}},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT,     {A::SeekBy,          -SHORT_SEEK_SECONDS}},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT,    {A::SeekBy,           SHORT_SEEK_SECONDS}},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN,     {A::SeekBy,          -LONG_SEEK_SECONDS}},
    {SDL_CONTROLLER_BUTTON_DPAD_UP,       {A::SeekBy,           LONG_SEEK_SECONDS}},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER,  {A::SeekToPart,      -1}},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, {A::SeekToPart,       1}},
    {SDL_CONTROLLER_BUTTON_Y,             {A::ToggleFullscreen}},
    {SDL_CONTROLLER_BUTTON_X,             {A::ToggleMute}},
    {SDL_CONTROLLER_BUTTON_BACK,          {A::End}},
};

double latestPositionBytes() { return seekPending ? seekTargetBytes : double(musicBytePos); }

void requestSeek(double bytes) {
    seekTargetBytes = std::max(0.0, bytes);
    seekPending = true;
}

// The elapsed signal starts again at 0, as the first frame of a run sees it.
void restartElapsedClock() {
    elapsedOrigin = frameTimer.elapsed();
    heldElapsed = 0.0f;
    setFrameInput({{}, {}, 0.0f});
}

// Scenes, signals, music and elapsed time as a run started at `bytes` has
// them before its first frame; a held music stays held there.
void moveTimelineTo(uint64_t bytes) {
    restartTimeline();
    prepareTimelineAt(double(bytes));
    if (demoPaused) {
        pausedAtBytes = bytes;
        holdMusicAt(bytes);
    } else {
        playMusicFrom(bytes);
    }
    restartElapsedClock();
}

// The window's next placement, with the 4:3 picture in its new drawable.
void togglePicturePlacement() {
    if (!hWnd) return;
    const PixelSize drawable = toggleWindowPlacement(demoOptions.width, demoOptions.height);
    fourThreePicture = true;
    resizeViewport(drawable.width, drawable.height);
}

}  // namespace

void togglePause() {
    if (!demoPaused) {
        pausedAtBytes = pauseMusic();
        heldElapsed = elapsedSeconds;
        demoPaused = true;
        return;
    }
    demoPaused = false;
    playMusicFrom(pausedAtBytes);
    elapsedOrigin = frameTimer.elapsed() - heldElapsed;
}

void seekBy(double seconds) {
    const double step = double(bytesAtSeconds(std::fabs(seconds)));
    requestSeek(latestPositionBytes() + (seconds < 0 ? -step : step));
}

void seekToPart(int delta) {
    const int wanted = viewerPartAt(latestPositionBytes()) + delta;
    requestSeek(wanted < 0 ? 0.0 : wanted >= VIEWER_PART_COUNT ? TIMELINE_END : VIEWER_PARTS.parts[wanted].first);
}

void seekTo(double seconds) { requestSeek(double(bytesAtSeconds(std::max(0.0, seconds)))); }

void toggleMute() {
    if (demoOptions.mute) return;
    if (setMusicMuted(!musicMuted)) musicMuted = !musicMuted;
}

double shownPositionBytes() { return latestPositionBytes(); }

const Control* controlForKey(int virtualKey, bool ctrlDown) {
    for (const KeyControl& entry : KEY_CONTROLS)
        if (entry.virtualKey == virtualKey && entry.ctrl == ctrlDown) return &entry.control;
    return nullptr;
}

const Control* controlForPadButton(int button) {
    for (const PadControl& entry : PAD_CONTROLS)
        if (entry.button == button) return &entry.control;
    return nullptr;
}

void performControl(const Control& control, bool repeat) {
    switch (control.action) {
    case A::SeekBy:
        seekBy(control.amount);
        return;
    case A::SeekToPart:
        seekToPart(int(control.amount));
        return;
    default:
        break;
    }
    if (repeat) return;  // a held key toggles once
    switch (control.action) {
    case A::TogglePause: togglePause(); break;
    case A::SeekTo: seekTo(control.amount); break;
    case A::ToggleFullscreen: fullscreenToggle ? fullscreenToggle() : togglePicturePlacement(); break;
    case A::ToggleMute: toggleMute(); break;
    case A::End: endRequested = true; break;
    default: break;
    }
}

bool takeEndRequest() {
    const bool requested = endRequested;
    endRequested = false;
    return requested;
}

bool applyPendingSeek() {
    if (!seekPending) return true;
    seekPending = false;
    double target = seekTargetBytes;
    if (target >= TIMELINE_END) {
        if (!demoOptions.loop) return false;
        target = 0.0;
    }
    // Whole sample frames, as every start position is.
    moveTimelineTo(uint64_t(target) / MUSIC_BYTES_PER_FRAME * MUSIC_BYTES_PER_FRAME);
    return true;
}

bool restartTimelineIfLooping() {
    if (!demoOptions.loop) return false;
    moveTimelineTo(0);
    return true;
}

float shownElapsedSeconds(float timerSeconds) {
    return demoPaused ? heldElapsed : timerSeconds - elapsedOrigin;
}
