// The life of the demo: the stage (window, context, textures, render target),
// music, the non-blocking frame loop (one event or one frame per pass), then
// shutdown in a fixed order. Each frame is drawn with the sync signals of the
// previous one. Every start-up failure of the lower floors is reported here
// or by the stage, in a box.
#include "shell/demo.h"

#include <epoxy/gl.h>
#include <SDL.h>

#include <string>

#include "audio/music.h"
#include "resources/data_set.h"
#include "scenes/scenes.h"
#include "shell/command_line.h"
#include "shell/controls.h"
#include "shell/frame_timer.h"
#include "shell/message_box.h"
#include "shell/stage.h"
#include "shell/startup_timings.h"
#include "shell/timeline_bar.h"
#include "shell/window.h"

uint64_t presentedFrameCount = 0;   // frames presented since start-up
static uint64_t startPosition = 0;  // bytes of music where music and timeline begin (--start)

// A seek waiting from the keys is prepared first; with --loop the end of the
// chain draws the first frame of the run again instead.
FrameOutcome produceFrame() {
    if (!applyPendingSeek()) return FrameOutcome::TimelineOver;
    if (windowActive && !runSceneChain() && !(restartTimelineIfLooping() && runSceneChain()))
        return FrameOutcome::TimelineOver;
    drawTimelineBarIfShown(shownPositionBytes());
    // Whatever the chain drew in this pass is dropped: the frame is never shown.
    if (keyDown[VK_ESCAPE_CODE] || takeEscapePress() || takeEndRequest()) return FrameOutcome::EscapePressed;
    refreshSyncSignals();
    SDL_GL_SwapWindow(hWnd);
    setFrameInput({{}, {}, shownElapsedSeconds(frameTimer.elapsed())});
    if (presentedFrameCount++ == 0) startupTimings.firstFrame = elapsedSeconds;
    return FrameOutcome::Presented;
}

void takeControl(const Control& control, bool repeat) {
    performControl(control, repeat);
    showTimelineBar();
}

bool handleDemoEvent(const SDL_Event& event) {
    const WindowFacts facts = demoWindowProc(event);
    if (facts.resizedTo.width > 0) resizeViewport(facts.resizedTo.width, facts.resizedTo.height);
    const Control* control = facts.pressedKey ? controlForKey(facts.pressedKey, facts.ctrlDown)
                                              : controlForPadButton(facts.pressedPadButton);
    if (control) takeControl(*control, facts.keyRepeat);
    return facts.closeRequested;
}

int runFrameLoop() {
    for (;;) {
        SDL_Event event;
        if (takeWindowEvent(event)) {
            if (handleDemoEvent(event)) return 0;  // close request: quit code 0
            continue;                              // one event per pass, no frame
        }
        // Escape and the end of the timeline end the run with code 0 as well.
        if (produceFrame() != FrameOutcome::Presented) return 0;
    }
}

// --audio-offset in bytes of music, whole frames, keeping its sign.
static int64_t pictureDelayFor(int milliseconds) {
    const int64_t bytes = int64_t(bytesAtSeconds((milliseconds < 0 ? -milliseconds : milliseconds) / 1000.0));
    return milliseconds < 0 ? -bytes : bytes;
}

void startMusic() {
    if (!demoOptions.mute && !openMusicOutput())
        showStartupError("Bass init failed! Remembered the bass.dll file?");
    if (!openMusicTrack(dataSetPath(MUSIC_FILE).c_str())) showStartupError("Bass file loading failed!");
    pictureDelayBytes = pictureDelayFor(demoOptions.audioOffsetMs);
    const bool playing = startPosition == 0 ? playMusicFromStart() : playMusicFrom(startPosition);
    if (!playing) showStartupError("Music failed to play!");
}

bool startDemo() {
    dataDirectory = findDataDirectory(demoOptions.dataDirectory, executableDirectory());
    startPosition = bytesAtSeconds(demoOptions.startSeconds);
    if (!openDemoPicture()) return false;
    if (startPosition > 0) prepareTimelineAt(double(startPosition));
    startMusic();
    markStartup(&StartupTimings::music);
    return true;
}

void shutdownDemo() {
    stopMusic();
    closeStage();
}

int demoMain() {
    if (!startDemo()) return 0;
    const int exitCode = runFrameLoop();
    shutdownDemo();
    return exitCode;
}
