// Opening and closing the picture for every target: a window with its mode
// change or question for the player, a hidden window and off-screen
// framebuffers drawn into in turn for capture; textures and render target on
// both. Reads the shell's options (size, picture mode) and writes
// screenFramebuffer.
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

const char* const DEMO_TITLE = "KV 2007 Demo - Zorblax!";

namespace {

const char* const OFFSCREEN_TITLE = "KV 2007 Demo - Zorblax! (capture)";
constexpr int DEMO_WIDTH = 800;  // client area, pixels
constexpr int DEMO_HEIGHT = 600;
constexpr int DEMO_BITS = 32;    // bits per pixel of the fullscreen mode
// Off-screen depth at 24 bits, at least what the window's 16-bit request gets.
constexpr GLenum OFFSCREEN_DEPTH = GL_DEPTH_COMPONENT24;

Framebuffer offscreenSurfaces[OFFSCREEN_SURFACES];  // capture's screens; no names in live play
bool boxesGoToStderr = false;      // the off-screen stage installed boxToStderr

// Nothing may block an off-screen run: a box the demo would show goes to
// stderr and any question is answered No.
MessageAnswer boxToStderr(const char*, const char* text, MessageIcon, MessageButtons) {
    std::fprintf(stderr, "kv2007demo: capture: %s\n", text);
    return MessageAnswer::No;
}

// Reading one surface while drawing into another needs the separate read
// binding of framebuffer blits.
bool openOffscreenSurfaces(int width, int height) {
    if (!framebufferExtensionAvailable() || !epoxy_has_gl_extension("GL_EXT_framebuffer_blit")) return false;
    bool complete = true;
    for (Framebuffer& surface : offscreenSurfaces) {
        complete = buildFramebuffer(surface, 0, width, height, OFFSCREEN_DEPTH) && complete;
        glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    }
    drawOnOffscreenSurfaceOf(0);
    return complete;
}

}  // namespace

bool startRenderTarget() {
    if (createRenderTarget()) return true;
    showStartupError("Failed to initialize FBO!");
    return false;
}

bool openDemoPicture() {
    startImageDecoding();
    const bool windowed = demoOptions.picture == PictureMode::Windowed;
    const int width = windowed ? demoOptions.width : DEMO_WIDTH;
    const int height = windowed ? demoOptions.height : DEMO_HEIGHT;
    if (!createDemoWindow(DEMO_TITLE, width, height, DEMO_BITS, demoOptions.picture == PictureMode::Fullscreen)) {
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
    if (failure.empty() && !openOffscreenSurfaces(width, height))
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

unsigned int offscreenSurfaceOf(uint64_t frame) { return offscreenSurfaces[frame % OFFSCREEN_SURFACES].name; }

void drawOnOffscreenSurfaceOf(uint64_t frame) {
    screenFramebuffer = offscreenSurfaceOf(frame);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, screenFramebuffer);
}

void closeStage() {
    if (hRC) {  // what exists needs the context it was made in
        deleteRenderTarget();
        for (Framebuffer& surface : offscreenSurfaces) deleteFramebuffer(surface);
        releaseTextures();
    }
    for (Framebuffer& surface : offscreenSurfaces) surface = Framebuffer{};
    screenFramebuffer = 0;
    destroyDemoWindow();
    if (boxesGoToStderr) setMessageBoxHandler(nullptr);
    boxesGoToStderr = false;
}
