// The demo window and its OpenGL context over SDL2, in the roles of the
// Windows original: video init stands in for the window-class registration, a
// real display-mode change for fullscreen (or the windowed-mode question), a
// double-buffered RGBA context with a 16-bit depth buffer, and the fixed GL
// state every scene starts from. Reads SDL events into windowActive/keyDown,
// the Escape press latch and the facts it hands the shell; opens the gamepads
// as they come. Reads demoOptions' picture mode and --vsync. Wayland has no
// mode changes: there the default start is borderless fullscreen at the
// output's size, as --desktop.
#include "shell/window.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/message_box.h"
#include "shell/options.h"
#include "shell/startup_timings.h"
#include "shell/viewport.h"

SDL_Window* hWnd = nullptr;  // the demo window; null until created
void* hRC = nullptr;         // its OpenGL context; null until created
bool fullscreen = true;      // display mode changed (or to be); read by the teardown
bool windowActive = true;    // false while the window is minimised
bool keyDown[256] = {};      // key state by Windows virtual-key code
bool desktopFullscreen = false;  // from --desktop, or the fullscreen start on Wayland
static bool escapePressLatched = false;  // an Escape press not yet seen by a frame
static bool padsOpened = false;          // the game controller subsystem is ours to close

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

// Adaptive falls back to every refresh where the driver lacks it.
static void setSwapInterval() {
    const int wanted = demoOptions.vsync == VsyncMode::Adaptive ? -1 : demoOptions.vsync == VsyncMode::On ? 1 : 0;
    if (SDL_GL_SetSwapInterval(wanted) != 0 && wanted < 0) SDL_GL_SetSwapInterval(1);
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
}

// Gamepads reach the controls as button presses. Their sticks, triggers,
// touchpads and sensors are no controls: those events are never queued. The
// raw joystick events must be, since SDL derives the gamepad's own from them
// as they are queued; takeWindowEvent passes over them.
static void openGamepads() {
    padsOpened = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!padsOpened) return;
    for (Uint32 type : {SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERBUTTONUP, SDL_CONTROLLERTOUCHPADDOWN,
                        SDL_CONTROLLERTOUCHPADMOTION, SDL_CONTROLLERTOUCHPADUP, SDL_CONTROLLERSENSORUPDATE})
        SDL_EventState(type, SDL_IGNORE);
}

static bool isRawJoystickEvent(const SDL_Event& event) {
    return event.type >= SDL_JOYAXISMOTION && event.type < SDL_CONTROLLERAXISMOTION;
}

bool takeWindowEvent(SDL_Event& event) {
    while (SDL_PollEvent(&event))
        if (!isRawJoystickEvent(event)) return true;
    return false;
}

// Closes every gamepad still open as well.
static void closeGamepads() {
    if (padsOpened) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    padsOpened = false;
}

bool createDemoWindow(const char* title, int width, int height, int bits, bool fullscreenRequested) {
    desktopFullscreen = demoOptions.picture == PictureMode::Desktop;
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
    fourThreePicture = desktopFullscreen || demoOptions.picture == PictureMode::Windowed;
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

    const PixelSize drawable = drawableSize();
    resizeViewport(drawable.width, drawable.height);
    markStartup(&StartupTimings::windowAndContext);

    if (!setupGLState()) {
        failCreation("Initialization Failed.");
        return false;
    }
    openGamepads();
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
    closeGamepads();
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

PixelSize drawableSize() {
    PixelSize size = {0, 0};
    SDL_GL_GetDrawableSize(hWnd, &size.width, &size.height);
    return size;
}

static void enterWindow(int width, int height) {
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
static void enterDesktopFullscreen() {
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

PixelSize toggleWindowPlacement(int windowWidth, int windowHeight) {
    if (!hWnd) return {0, 0};
    if (fullscreen) {
        int width = 0, height = 0;
        SDL_GetWindowSize(hWnd, &width, &height);
        enterWindow(width, height);
    } else if (desktopFullscreen) {
        enterWindow(windowWidth, windowHeight);
    } else {
        enterDesktopFullscreen();
    }
    return drawableSize();
}

// SDL keycodes that have a Windows virtual-key code other than their own
// letter or digit.
struct KeyMapping {
    SDL_Keycode sdl;
    int vk;
};
static const KeyMapping KEY_MAP[] = {
    {SDLK_BACKSPACE, VK_BACK_CODE},    {SDLK_TAB,       VK_TAB_CODE},      {SDLK_RETURN,    VK_RETURN_CODE},
    {SDLK_KP_ENTER,  VK_RETURN_CODE},  {SDLK_LSHIFT,    VK_SHIFT_CODE},    {SDLK_RSHIFT,    VK_SHIFT_CODE},
    {SDLK_LCTRL,     VK_CONTROL_CODE}, {SDLK_RCTRL,     VK_CONTROL_CODE},  {SDLK_LALT,      VK_MENU_CODE},
    {SDLK_RALT,      VK_MENU_CODE},    {SDLK_PAUSE,     VK_PAUSE_CODE},    {SDLK_CAPSLOCK,  VK_CAPITAL_CODE},
    {SDLK_ESCAPE,    VK_ESCAPE_CODE},  {SDLK_SPACE,     VK_SPACE_CODE},    {SDLK_PAGEUP,    VK_PRIOR_CODE},
    {SDLK_PAGEDOWN,  VK_NEXT_CODE},    {SDLK_END,       VK_END_CODE},      {SDLK_HOME,      VK_HOME_CODE},
    {SDLK_LEFT,      VK_LEFT_CODE},    {SDLK_UP,        VK_UP_CODE},       {SDLK_RIGHT,     VK_RIGHT_CODE},
    {SDLK_DOWN,      VK_DOWN_CODE},    {SDLK_INSERT,    VK_INSERT_CODE},   {SDLK_DELETE,    VK_DELETE_CODE},
    {SDLK_AUDIONEXT, VK_MEDIA_NEXT_TRACK_CODE}, {SDLK_AUDIOPREV, VK_MEDIA_PREV_TRACK_CODE},
    {SDLK_AUDIOSTOP, VK_MEDIA_STOP_CODE},       {SDLK_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE_CODE},
};

int virtualKeyFromSdl(int sdlKeycode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return 'A' + (sdlKeycode - SDLK_a);
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return '0' + (sdlKeycode - SDLK_0);
    if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) return VK_F1_CODE + (sdlKeycode - SDLK_F1);
    for (const KeyMapping& m : KEY_MAP)
        if (m.sdl == sdlKeycode) return m.vk;
    return 0;
}

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

static void handleWindowEvent(const SDL_WindowEvent& event, WindowFacts& facts) {
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
        if (hRC) facts.resizedTo = toDrawablePixels(event.data1, event.data2);
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

WindowFacts demoWindowProc(const SDL_Event& event) {
    WindowFacts facts;
    switch (event.type) {
    case SDL_QUIT:
        facts.closeRequested = true;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (int vk = virtualKeyFromSdl(event.key.keysym.sym)) {
            keyDown[vk] = event.type == SDL_KEYDOWN;
            if (event.type == SDL_KEYDOWN) {
                facts.pressedKey = vk;
                facts.ctrlDown = (event.key.keysym.mod & KMOD_CTRL) != 0;
                facts.keyRepeat = event.key.repeat != 0;
            }
        }
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) escapePressLatched = true;
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(event.window, facts);
        break;
    case SDL_CONTROLLERDEVICEADDED:
        SDL_GameControllerOpen(event.cdevice.which);  // closed with the subsystem, or by SDL when unplugged
        break;
    case SDL_CONTROLLERBUTTONDOWN:
        facts.pressedPadButton = event.cbutton.button;
        break;
    default:
        break;
    }
    return facts;
}
