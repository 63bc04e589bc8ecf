// Opening and closing the picture for every target: a window with its mode
// change or question for the player, a hidden window and an off-screen
// framebuffer for capture; textures and render target on both. Reads the
// shell's options (size, picture mode) and writes screenFramebuffer.
#include "shell/stage.h"

#include <epoxy/gl.h>
#include <SDL.h>

#include <cstdio>

#include "resources/render_target.h"
#include "resources/textures.h"
#include "shell/message_box.h"
#include "shell/options.h"
#include "shell/startup_timings.h"
#include "shell/window.h"

namespace {

const char* const DEMO_TITLE = "KV 2007 Demo - Zorblax!";
const char* const OFFSCREEN_TITLE = "KV 2007 Demo - Zorblax! (capture)";
constexpr int DEMO_WIDTH = 800;  // client area, pixels
constexpr int DEMO_HEIGHT = 600;
constexpr int DEMO_BITS = 32;    // bits per pixel of the fullscreen mode
// Off-screen depth at 24 bits, at least what the window's 16-bit request gets.
constexpr GLenum OFFSCREEN_DEPTH = GL_DEPTH_COMPONENT24;

Framebuffer offscreenSurface;      // capture's screen; no names in live play
bool boxesGoToStderr = false;      // the off-screen stage installed boxToStderr

// Nothing may block an off-screen run: a box the demo would show goes to
// stderr and any question is answered No.
MessageAnswer boxToStderr(const char*, const char* text, MessageIcon, MessageButtons) {
    std::fprintf(stderr, "kv2007demo: capture: %s\n", text);
    return MessageAnswer::No;
}

bool openOffscreenSurface(int width, int height) {
    if (!framebufferExtensionAvailable()) return false;
    const bool complete = buildFramebuffer(offscreenSurface, 0, width, height, OFFSCREEN_DEPTH);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    screenFramebuffer = offscreenSurface.name;
    return complete;
}

}  // namespace

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

std::string openOffscreenStage(int width, int height) {
    setMessageBoxHandler(boxToStderr);
    boxesGoToStderr = true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // SIGINT belongs to the capture run
    std::string failure = createHiddenWindow(OFFSCREEN_TITLE);
    if (failure.empty() && !openOffscreenSurface(width, height))
        failure = "no off-screen framebuffer of " + std::to_string(width) + "x" + std::to_string(height);
    if (failure.empty()) {
        fourThreePicture = true;  // other aspects: the player's 4:3 picture between black bars
        resizeViewport(width, height);
        setupGLState();
        loadTextures();
        if (!createRenderTarget()) failure = "no render target: OpenGL lacks complete framebuffer objects";
    }
    if (!failure.empty()) closeStage();
    return failure;
}

void closeStage() {
    if (hRC) {  // what exists needs the context it was made in
        deleteRenderTarget();
        deleteFramebuffer(offscreenSurface);
        releaseTextures();
    }
    offscreenSurface = Framebuffer{};
    screenFramebuffer = 0;
    destroyDemoWindow();
    if (boxesGoToStderr) setMessageBoxHandler(nullptr);
    boxesGoToStderr = false;
}
