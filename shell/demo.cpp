// The life of the demo: window and context (with the images decoding on a
// worker meanwhile), textures, render target, music, the non-blocking frame
// loop (one event or one frame per pass), then shutdown in a fixed order.
// Each frame is drawn with the sync signals of the previous one. Every
// start-up failure of the lower floors is reported here, in a box.
#include "shell/demo.h"

#include <epoxy/gl.h>
#include <SDL.h>

#include <string>

#include "audio/music.h"
#include "resources/data_set.h"
#include "resources/render_target.h"
#include "resources/textures.h"
#include "scenes/scenes.h"
#include "shell/command_line.h"
#include "shell/frame_timer.h"
#include "shell/message_box.h"
#include "shell/startup_timings.h"
#include "shell/window.h"

uint64_t presentedFrameCount = 0;  // frames presented since start-up

static const char* const DEMO_TITLE = "KV 2007 Demo - Zorblax!";
static const int DEMO_WIDTH = 800;   // client area, pixels
static const int DEMO_HEIGHT = 600;
static const int DEMO_BITS = 32;     // bits per pixel of the fullscreen mode

FrameOutcome produceFrame() {
    if (windowActive && !runSceneChain()) return FrameOutcome::TimelineOver;
    // Whatever the chain drew in this pass is dropped: the frame is never shown.
    if (keyDown[VK_ESCAPE_CODE] || takeEscapePress()) return FrameOutcome::EscapePressed;
    refreshSyncSignals();
    SDL_GL_SwapWindow(hWnd);
    elapsedSeconds = frameTimer.elapsed();
    if (presentedFrameCount++ == 0) startupTimings.firstFrame = elapsedSeconds;
    return FrameOutcome::Presented;
}

int runFrameLoop() {
    for (;;) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            if (demoWindowProc(event)) return 0;  // close request: quit code 0
            continue;                             // one event per pass, no frame
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
    const uint64_t startBytes = bytesAtSeconds(demoOptions.startSeconds);
    if (!demoOptions.mute && !openMusicOutput())
        showStartupError("Bass init failed! Remembered the bass.dll file?");
    if (!openMusicTrack(dataSetPath(MUSIC_FILE).c_str())) showStartupError("Bass file loading failed!");
    pictureDelayBytes = pictureDelayFor(demoOptions.audioOffsetMs);
    const bool playing = startBytes == 0 ? playMusicFromStart() : playMusicFrom(startBytes);
    if (!playing) showStartupError("Music failed to play!");
}

bool startRenderTarget() {
    if (createRenderTarget()) return true;
    showStartupError("Failed to initialize FBO!");
    return false;
}

bool openDemoPicture(bool fullscreenRequested) {
    startImageDecoding();
    const bool windowed = demoOptions.picture == PictureMode::Windowed;
    const int width = windowed ? demoOptions.width : DEMO_WIDTH;
    const int height = windowed ? demoOptions.height : DEMO_HEIGHT;
    if (!createDemoWindow(DEMO_TITLE, width, height, DEMO_BITS, fullscreenRequested)) {
        discardDecodedImages();
        return false;
    }
    loadTextures();
    markStartup(&StartupTimings::textures);
    if (!startRenderTarget()) {
        destroyDemoWindow();
        showStartupError("Initialization Failed.");
        return false;
    }
    markStartup(&StartupTimings::renderTarget);
    return true;
}

std::string executableDirectory() {
    char* base = SDL_GetBasePath();
    const std::string dir = base ? base : "";
    SDL_free(base);
    return dir;
}

// The shell state demoOptions asks for, set before anything opens.
static void applyDemoOptions() {
    dataDirectory = findDataDirectory(demoOptions.dataDirectory, executableDirectory());
    fullscreen = demoOptions.picture == PictureMode::Fullscreen;
    desktopFullscreen = demoOptions.picture == PictureMode::Desktop;
    fourThreePicture = demoOptions.picture != PictureMode::Fullscreen;
    swapIntervalWanted = demoOptions.vsync == VsyncMode::Adaptive ? -1
                         : demoOptions.vsync == VsyncMode::On     ? 1
                                                                  : 0;
}

bool startDemo() {
    applyDemoOptions();
    if (!openDemoPicture(fullscreen)) return false;
    const uint64_t startBytes = bytesAtSeconds(demoOptions.startSeconds);
    if (startBytes > 0) prepareTimelineAt(double(startBytes));
    startMusic();
    markStartup(&StartupTimings::music);
    return true;
}

void shutdownDemo() {
    stopMusic();
    deleteRenderTarget();
    releaseTextures();
    destroyDemoWindow();
}

int demoMain() {
    if (!startDemo()) return 0;
    const int exitCode = runFrameLoop();
    shutdownDemo();
    return exitCode;
}
