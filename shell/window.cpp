// The demo window and its OpenGL context over SDL2, in the roles of the
// Windows original: video init stands in for the window-class registration, a
// real display-mode change for fullscreen (or the windowed-mode question), a
// double-buffered RGBA context with a 16-bit depth buffer, and the fixed GL
// state every scene starts from. Reads SDL events into windowActive/keyDown
// and the Escape press latch. Wayland has no mode changes: there the default
// start is borderless fullscreen at the output's size, as --desktop.
#include "shell/window.h"

#include <epoxy/gl.h>
#if defined(_WIN32) && !defined(CALLBACK)
// mingw's glu.h takes CALLBACK from windows.h, whose names (VK_F1 and more)
// this file must not see.
#define CALLBACK __stdcall
#endif
#include <GL/glu.h>
#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "shell/controls.h"
#include "shell/message_box.h"
#include "shell/startup_timings.h"

SDL_Window* hWnd = nullptr;  // the demo window; null until created
void* hRC = nullptr;         // its OpenGL context; null until created
bool fullscreen = true;      // display mode changed (or to be); read by the teardown
bool windowActive = true;    // false while the window is minimised
bool keyDown[256] = {};      // key state by Windows virtual-key code
bool desktopFullscreen = false;  // set by the shell before createDemoWindow, on Wayland by it
bool fourThreePicture = false;   // set by the shell before createDemoWindow, on Wayland by it
int swapIntervalWanted = -1;     // set by the shell before createDemoWindow
static bool escapePressLatched = false;  // an Escape press not yet seen by a frame

// The caption of the windowed-mode question is a name, not a word: the title
// the demo has always given that box.
static const char* const WINDOWED_QUESTION_CAPTION = "Quillfen";
static const char* const WINDOWED_QUESTION =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

// Context attributes: RGBA with 8 bits per colour channel and no alpha planes
// (32 bits per pixel in the framebuffer), 16-bit depth, no stencil or
// accumulation, double-buffered, compatibility profile for fixed function.
struct GLAttribute {
    SDL_GLattr attribute;
    int value;
};
static const GLAttribute CONTEXT_ATTRIBUTES[] = {
    {SDL_GL_RED_SIZE,             8},
    {SDL_GL_GREEN_SIZE,           8},
    {SDL_GL_BLUE_SIZE,            8},
    {SDL_GL_ALPHA_SIZE,           0},
    {SDL_GL_DEPTH_SIZE,           16},
    {SDL_GL_STENCIL_SIZE,         0},
    {SDL_GL_ACCUM_RED_SIZE,       0},
    {SDL_GL_ACCUM_GREEN_SIZE,     0},
    {SDL_GL_ACCUM_BLUE_SIZE,      0},
    {SDL_GL_ACCUM_ALPHA_SIZE,     0},
    {SDL_GL_DOUBLEBUFFER,         1},
#ifdef __EMSCRIPTEN__
    // In a browser: WebGL 2 under emscripten's fixed-function emulation (the
    // render textures are GL_RGBA8, some images repeat with sides that are not
    // powers of two); a compatibility profile would fail context creation.
    {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES},
    {SDL_GL_CONTEXT_MAJOR_VERSION, 3},
    {SDL_GL_CONTEXT_MINOR_VERSION, 0},
#else
    {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY},
#endif
};

static bool setContextAttributes() {
    for (const GLAttribute& a : CONTEXT_ATTRIBUTES)
        if (SDL_GL_SetAttribute(a.attribute, a.value) != 0) return false;
    return true;
}

// A display mode of exactly width x height at `bits` per pixel (4 bytes per
// pixel for 32 bits) on the first display. SDL reports 24 significant bits for
// the usual XRGB8888 modes, so the stored pixel size is compared.
static bool findFullscreenMode(int width, int height, int bits, SDL_DisplayMode* found) {
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w == width && mode.h == height &&
            int(SDL_BYTESPERPIXEL(mode.format)) * 8 == bits) {
            *found = mode;
            return true;
        }
    }
    return false;
}

static void failCreation(const char* message) {
    destroyDemoWindow();
    showStartupError(message);
}

// The yes/no question when the mode is missing or refused: true when the
// user goes on windowed; after No, the closing box has been shown.
static bool userAcceptsWindowed() {
    if (showMessageBox(WINDOWED_QUESTION_CAPTION, WINDOWED_QUESTION, MessageIcon::Exclamation,
                       MessageButtons::YesNo) == MessageAnswer::Yes)
        return true;
    showMessageBox("ERROR", "Program Will Now Close.", MessageIcon::Stop, MessageButtons::Ok);
    return false;
}

// SDL changes the mode when the fullscreen window is shown and says nothing
// when the display refuses; the display's current mode tells.
static bool displayShowsMode(int width, int height) {
    SDL_DisplayMode current = {};
    const int display = SDL_GetWindowDisplayIndex(hWnd);
    return display >= 0 && SDL_GetCurrentDisplayMode(display, &current) == 0 &&
           current.w == width && current.h == height;
}

static void setSwapInterval() {
    if (SDL_GL_SetSwapInterval(swapIntervalWanted) != 0 && swapIntervalWanted < 0)
        SDL_GL_SetSwapInterval(1);
}

static bool onWayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "wayland") == 0;
}

// A Wayland compositor only scales an emulated mode (the output then still
// reports its own, which reads as a refusal) and sway ends when a client asks
// it for an exclusive one: there is no mode to change and nothing to ask, so
// the fullscreen start covers the output at its own size, 4:3 picture centred.
static void playOnTheDesktopInstead() {
    fullscreen = false;
    desktopFullscreen = true;
    fourThreePicture = true;
}

bool createDemoWindow(const char* title, int width, int height, int bits, bool fullscreenRequested) {
    fullscreen = fullscreenRequested && !desktopFullscreen;
    // Switching to another application leaves a fullscreen picture playing;
    // only a real minimise stops the frames.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        showStartupError("Failed To Register The Window Class.");
        return false;
    }
    if (fullscreen && onWayland()) playOnTheDesktopInstead();

    SDL_DisplayMode mode = {};
    if (fullscreen && !findFullscreenMode(width, height, bits, &mode)) {
        if (!userAcceptsWindowed()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        fullscreen = false;
    }
    if (fullscreen || desktopFullscreen) SDL_ShowCursor(SDL_DISABLE);
    // Borderless fullscreen covers the desktop at its own size, also where no
    // window manager is there to stretch it.
    SDL_DisplayMode desktop = {};
    if (desktopFullscreen && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        width = desktop.w;
        height = desktop.h;
    }

    if (!setContextAttributes()) {
        failCreation("Can't Find A Suitable PixelFormat.");
        return false;
    }
    const Uint32 placement = desktopFullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP
                             : fullscreen      ? SDL_WINDOW_FULLSCREEN
                                               : SDL_WINDOW_RESIZABLE;
    // Drawable pixels, not window points, on high-density screens: the 4:3
    // picture is drawn at the screen's own resolution.
    const Uint32 density = fourThreePicture ? SDL_WINDOW_ALLOW_HIGHDPI : 0;
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | placement | density;
    hWnd = SDL_CreateWindow(title, 0, 0, width, height, flags);
    if (!hWnd || (fullscreen && SDL_SetWindowDisplayMode(hWnd, &mode) != 0)) {
        failCreation("Window Creation Error.");
        return false;
    }
    hRC = SDL_GL_CreateContext(hWnd);
    if (!hRC) {
        failCreation("Can't Create A GL Rendering Context.");
        return false;
    }
    if (SDL_GL_MakeCurrent(hWnd, hRC) != 0) {
        failCreation("Can't Activate The GL Rendering Context.");
        return false;
    }
    setSwapInterval();

    SDL_ShowWindow(hWnd);
    SDL_RaiseWindow(hWnd);
    if (fullscreen && !displayShowsMode(width, height)) {
        SDL_SetWindowFullscreen(hWnd, 0);
        fullscreen = false;
        SDL_ShowCursor(SDL_ENABLE);
        if (!userAcceptsWindowed()) {
            destroyDemoWindow();
            return false;
        }
    }
    SDL_DisableScreenSaver();

    int drawableWidth = width, drawableHeight = height;
    SDL_GL_GetDrawableSize(hWnd, &drawableWidth, &drawableHeight);
    resizeViewport(drawableWidth, drawableHeight);
    markStartup(&StartupTimings::windowAndContext);

    if (!setupGLState()) {
        failCreation("Initialization Failed.");
        return false;
    }
    return true;
}

std::string createHiddenWindow(const char* title) {
    constexpr int HIDDEN_WINDOW_SIZE = 64;  // pixels; never drawn to or shown
    fullscreen = desktopFullscreen = false;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return std::string("no video driver: ") + SDL_GetError();
    if (!setContextAttributes()) return std::string("no OpenGL pixel format: ") + SDL_GetError();
    hWnd = SDL_CreateWindow(title, 0, 0, HIDDEN_WINDOW_SIZE, HIDDEN_WINDOW_SIZE,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!hWnd) return std::string("no hidden window: ") + SDL_GetError();
    hRC = SDL_GL_CreateContext(hWnd);
    if (!hRC || SDL_GL_MakeCurrent(hWnd, hRC) != 0) return std::string("no OpenGL context: ") + SDL_GetError();
    return "";
}

static void showShutdownError(const char* text) {
    showMessageBox("SHUTDOWN ERROR", text, MessageIcon::Information, MessageButtons::Ok);
}

void destroyDemoWindow() {
    if (fullscreen) {
        if (hWnd) SDL_SetWindowFullscreen(hWnd, 0);  // back to the desktop mode
        SDL_ShowCursor(SDL_ENABLE);
    }
    if (desktopFullscreen) SDL_ShowCursor(SDL_ENABLE);
    if (hRC) {
        if (SDL_GL_MakeCurrent(hWnd, nullptr) != 0) showShutdownError("Release Of DC And RC Failed.");
        SDL_GL_DeleteContext(hRC);
        hRC = nullptr;
    }
    if (hWnd) {
        SDL_DestroyWindow(hWnd);
        hWnd = nullptr;
    }
    SDL_EnableScreenSaver();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The last subsystem out releases SDL's process-wide state (its D-Bus link).
    if (SDL_WasInit(0) == 0) SDL_Quit();
}

ViewportRect fourThreeViewport(int width, int height) {
    ViewportRect r = {0, 0, width, height};
    if (int64_t(width) * 3 > int64_t(height) * 4)
        r.width = int(int64_t(height) * 4 / 3);
    else
        r.height = int(int64_t(width) * 3 / 4);
    r.width = r.width > 0 ? r.width : 1;
    r.height = r.height > 0 ? r.height : 1;
    r.x = (width - r.width) / 2;
    r.y = (height - r.height) / 2;
    return r;
}

void resizeViewport(int width, int height) {
    constexpr double PICTURE_ASPECT = 800.0 / 600.0;
    if (height == 0) height = 1;
    double aspect = double(width) / double(height);
    if (fourThreePicture) {
        const ViewportRect r = fourThreeViewport(width, height);
        glViewport(r.x, r.y, r.width, r.height);
        aspect = PICTURE_ASPECT;
    } else {
        glViewport(0, 0, width, height);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, aspect, double(0.1f), 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool setupGLState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    return true;
}

// SDL keycodes that have a Windows virtual-key code other than their own
// letter or digit.
struct KeyMapping {
    SDL_Keycode sdl;
    int vk;
};
static const KeyMapping KEY_MAP[] = {
    {SDLK_BACKSPACE, 0x08}, {SDLK_TAB,      0x09}, {SDLK_RETURN,   0x0D}, {SDLK_KP_ENTER, 0x0D},
    {SDLK_LSHIFT,    0x10}, {SDLK_RSHIFT,   0x10}, {SDLK_LCTRL,    0x11}, {SDLK_RCTRL,    0x11},
    {SDLK_LALT,      0x12}, {SDLK_RALT,     0x12}, {SDLK_PAUSE,    0x13}, {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE,    0x1B}, {SDLK_SPACE,    0x20}, {SDLK_PAGEUP,   0x21}, {SDLK_PAGEDOWN, 0x22},
    {SDLK_END,       0x23}, {SDLK_HOME,     0x24}, {SDLK_LEFT,     0x25}, {SDLK_UP,       0x26},
    {SDLK_RIGHT,     0x27}, {SDLK_DOWN,     0x28}, {SDLK_INSERT,   0x2D}, {SDLK_DELETE,   0x2E},
};
static const int VK_F1 = 0x70;

int virtualKeyFromSdl(int sdlKeycode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return 'A' + (sdlKeycode - SDLK_a);
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return '0' + (sdlKeycode - SDLK_0);
    if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) return VK_F1 + (sdlKeycode - SDLK_F1);
    for (const KeyMapping& m : KEY_MAP)
        if (m.sdl == sdlKeycode) return m.vk;
    return 0;
}

struct PixelSize {
    int width, height;
};

// The event gives the client area in window units; the viewport wants drawable
// pixels, which differ on high-density displays.
static PixelSize toDrawablePixels(int width, int height) {
    int windowWidth = 0, windowHeight = 0, drawableWidth = 0, drawableHeight = 0;
    SDL_GetWindowSize(hWnd, &windowWidth, &windowHeight);
    SDL_GL_GetDrawableSize(hWnd, &drawableWidth, &drawableHeight);
    if (windowWidth > 0 && windowHeight > 0) {
        width = width * drawableWidth / windowWidth;
        height = height * drawableHeight / windowHeight;
    }
    return {width, height};
}

static void handleWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        windowActive = false;
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SHOWN:
        windowActive = true;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // A resize before the context is current has nothing to act on.
        if (hRC) {
            const PixelSize size = toDrawablePixels(event.data1, event.data2);
            resizeViewport(size.width, size.height);
        }
        break;
    default:
        break;  // focus changes alone leave windowActive as it is
    }
}

bool takeEscapePress() {
    const bool pressed = escapePressLatched;
    escapePressLatched = false;
    return pressed;
}

bool demoWindowProc(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (int vk = virtualKeyFromSdl(event.key.keysym.sym)) {
            keyDown[vk] = event.type == SDL_KEYDOWN;
            if (event.type == SDL_KEYDOWN)
                handleControlKey(vk, (event.key.keysym.mod & KMOD_CTRL) != 0, event.key.repeat != 0);
        }
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) escapePressLatched = true;
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(event.window);
        break;
    default:
        break;
    }
    return false;
}
