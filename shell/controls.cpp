// Watching controls: what each control key does to the music, the timeline
// and the window, and the timeline bar drawn after the scenes while shown.
// Reads musicBytePos, demoOptions and the window state; a seek goes through
// the same preparation as --start, so it shows what that start shows.
#include "shell/controls.h"

#include <epoxy/gl.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"
#include "shell/frame_timer.h"
#include "shell/options.h"
#include "shell/window.h"

bool demoPaused = false;          // music, position and elapsed time held
bool musicMuted = false;          // silence on the device
bool seekPending = false;         // seekTargetBytes waits for the next frame
double seekTargetBytes = 0.0;     // bytes of music, >= 0
uint64_t timelineBarUntilMs = 0;  // SDL ticks, ms; 0: hidden

namespace {

uint64_t pausedAtBytes = 0;   // where the music holds while paused, bytes
float elapsedOrigin = 0.0f;   // frame-timer seconds where the elapsed signal counts from
float heldElapsed = 0.0f;     // the elapsed signal while paused, seconds

constexpr double SHORT_SEEK_SECONDS = 5.0;   // Left / Right
constexpr double LONG_SEEK_SECONDS = 30.0;   // Page Up / Page Down

// Windows virtual-key codes of the control keys.
constexpr int VK_SPACE_CODE = 0x20, VK_PRIOR_CODE = 0x21, VK_NEXT_CODE = 0x22,
              VK_HOME_CODE = 0x24, VK_LEFT_CODE = 0x25, VK_RIGHT_CODE = 0x27;

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

void enterWindow(int width, int height) {
    SDL_SetWindowFullscreen(hWnd, 0);
    SDL_SetWindowBordered(hWnd, SDL_TRUE);
    SDL_SetWindowResizable(hWnd, SDL_TRUE);
    SDL_SetWindowSize(hWnd, width, height);
    SDL_SetWindowPosition(hWnd, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_ShowCursor(SDL_ENABLE);
    fullscreen = desktopFullscreen = false;
}

// The window first covers its display without a border: where no window
// manager is there to make it fullscreen (a bare X server), that is what
// borderless fullscreen is.
void enterDesktopFullscreen() {
    SDL_Rect display = {};
    if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(hWnd)), &display) == 0) {
        SDL_SetWindowBordered(hWnd, SDL_FALSE);
        SDL_SetWindowPosition(hWnd, display.x, display.y);
        SDL_SetWindowSize(hWnd, display.w, display.h);
    }
    SDL_SetWindowFullscreen(hWnd, SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_ShowCursor(SDL_DISABLE);
    desktopFullscreen = true;
}

// ---- the bar ------------------------------------------------------------------
// In the picture's own units, 0..1 across and up the 4:3 viewport.
constexpr float BAR_LEFT = 0.04f, BAR_RIGHT = 0.96f;
constexpr float BAR_BOTTOM = 0.03f, BAR_TOP = 0.045f;
constexpr float MARK_OVERHANG = 0.008f;  // part marks reach this far above and below
constexpr float MARK_HALF_WIDTH = 0.0012f;

void fillRect(float x0, float y0, float x1, float y1, float r, float g, float b, float a) {
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

float barX(double bytes) {
    const double share = std::clamp(bytes / TIMELINE_END, 0.0, 1.0);
    return BAR_LEFT + float(share) * (BAR_RIGHT - BAR_LEFT);
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
    const TimelinePart* current = timelinePartAt(latestPositionBytes());
    const int index = current ? int(current - TIMELINE_PARTS) : TIMELINE_PART_COUNT;
    const int wanted = index + delta;
    requestSeek(wanted < 0 ? 0.0 : wanted >= TIMELINE_PART_COUNT ? TIMELINE_END : TIMELINE_PARTS[wanted].first);
}

void seekTo(double seconds) { requestSeek(double(bytesAtSeconds(std::max(0.0, seconds)))); }

void toggleMute() {
    if (demoOptions.mute) return;
    if (setMusicMuted(!musicMuted)) musicMuted = !musicMuted;
}

void toggleFullscreen() {
    if (!hWnd) return;
    if (fullscreen) {
        // The display gets its own mode back; the window keeps 800x600.
        int width = 0, height = 0;
        SDL_GetWindowSize(hWnd, &width, &height);
        enterWindow(width, height);
    } else if (desktopFullscreen) {
        enterWindow(demoOptions.width, demoOptions.height);
    } else {
        enterDesktopFullscreen();
    }
    fourThreePicture = true;
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(hWnd, &drawableWidth, &drawableHeight);
    resizeViewport(drawableWidth, drawableHeight);
}

double shownPositionSeconds() { return secondsAtBytes(latestPositionBytes()); }

bool handleControlKey(int virtualKey, bool ctrlDown, bool repeat) {
    switch (virtualKey) {
    case VK_LEFT_CODE:
        ctrlDown ? seekToPart(-1) : seekBy(-SHORT_SEEK_SECONDS);
        break;
    case VK_RIGHT_CODE:
        ctrlDown ? seekToPart(1) : seekBy(SHORT_SEEK_SECONDS);
        break;
    case VK_PRIOR_CODE:
        seekBy(-LONG_SEEK_SECONDS);
        break;
    case VK_NEXT_CODE:
        seekBy(LONG_SEEK_SECONDS);
        break;
    case VK_HOME_CODE:
    case VK_SPACE_CODE:
    case 'F':
    case 'M':
        if (repeat) break;  // a held key toggles once
        if (virtualKey == VK_HOME_CODE) seekTo(0.0);
        if (virtualKey == VK_SPACE_CODE) togglePause();
        if (virtualKey == 'F') toggleFullscreen();
        if (virtualKey == 'M') toggleMute();
        break;
    default:
        return false;
    }
    timelineBarUntilMs = SDL_GetTicks64() + TIMELINE_BAR_SHOWN_MS;
    return true;
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

void drawTimelineBarIfShown() {
    if (timelineBarUntilMs == 0) return;
    if (SDL_GetTicks64() >= timelineBarUntilMs) {
        timelineBarUntilMs = 0;
        return;
    }
    drawTimelineBar();
}

void drawTimelineBar() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    fillRect(BAR_LEFT, BAR_BOTTOM, BAR_RIGHT, BAR_TOP, 0.15f, 0.15f, 0.15f, 0.7f);
    fillRect(BAR_LEFT, BAR_BOTTOM, barX(latestPositionBytes()), BAR_TOP, 0.95f, 0.95f, 0.95f, 0.9f);
    for (const TimelinePart& part : TIMELINE_PARTS) {
        const float x = barX(part.first);
        fillRect(x - MARK_HALF_WIDTH, BAR_BOTTOM - MARK_OVERHANG, x + MARK_HALF_WIDTH,
                 BAR_TOP + MARK_OVERHANG, 1.0f, 0.8f, 0.2f, 1.0f);
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();  // the matrix mode too, with every enable, colour and function above
}

float shownElapsedSeconds(float timerSeconds) {
    return demoPaused ? heldElapsed : timerSeconds - elapsedOrigin;
}
