// The demo window and its OpenGL context over SDL2: creation (with the
// fullscreen mode change or the windowed-mode question), its placement
// (window, borderless fullscreen, the display's mode given back), the
// translation of SDL events into window facts and presses, and teardown. On
// Wayland the default start plays on the desktop as --desktop does.
#pragma once
#include <string>

#include "shell/keys.h"

struct SDL_Window;
union SDL_Event;

// hWnd and hRC keep the names of a window handle and a rendering context on
// Windows, where the demo began.
extern SDL_Window* hWnd;   // the demo window; null until created
extern void* hRC;          // its OpenGL context (SDL_GLContext); null until created
// Display mode changed (or to be); cleared when windowed is accepted, and on
// Wayland, where the fullscreen start is desktopFullscreen instead.
extern bool fullscreen;
extern bool windowActive;  // false while the window is minimised
extern bool desktopFullscreen;  // borderless fullscreen at the desktop's resolution; no mode change
// Down state of every key, indexed by Windows virtual-key code (shell/keys.h),
// whatever the platform: see virtualKeyFromSdl.
extern bool keyDown[256];

// True once per Escape press since the last call, which clears it: a press
// and release that both arrive between two frames leave keyDown false, and
// the frame pass still has to see them.
bool takeEscapePress();

// The window with its context current, the swap interval --vsync asks for,
// the viewport for its drawable and the fixed GL state (shell/viewport.h);
// --desktop or --windowed (demoOptions) keep the picture 4:3 in it.
bool createDemoWindow(const char* title, int width, int height, int bits, bool fullscreenRequested);
// A hidden window whose current context draws only into framebuffer objects:
// no mode change, no box. "" when made; else the reason, with what was made
// left for destroyDemoWindow.
std::string createHiddenWindow(const char* title);
void destroyDemoWindow();
struct PixelSize {
    int width, height;
};
// The drawable's size in pixels (differs from the window's on high-density screens).
PixelSize drawableSize();
// The next placement of the window: the exclusive mode -> a window of the
// same size (the display gets its own mode back); a window -> borderless
// fullscreen at the desktop's resolution; borderless -> a centred window of
// windowWidth x windowHeight. The new drawable's size.
PixelSize toggleWindowPlacement(int windowWidth, int windowHeight);

// What one SDL event tells the shell. keyDown, windowActive and the Escape
// press latch are written on the way, as the window's own state.
struct WindowFacts {
    bool closeRequested = false;  // the counterpart of WM_QUIT with code 0
    PixelSize resizedTo = {0, 0}; // > 0: the drawable's new size, for the viewport in this pass
    int pressedKey = 0;           // a key pressed: its virtual-key code (0: none)
    bool ctrlDown = false;        // with Ctrl held
    bool keyRepeat = false;       // an auto-repeat of a held key
    int pressedPadButton = -1;    // a gamepad button pressed (SDL_GameControllerButton); -1: none
};
// The next event for the loop, as SDL_PollEvent gives it, passing over the raw
// joystick events (a stick's noise must not cost the loop a pass; the
// gamepad's own button events are what counts). False when none is waiting.
bool takeWindowEvent(SDL_Event& event);
// Turns one SDL event into window state and facts; decides nothing.
WindowFacts demoWindowProc(const SDL_Event& event);

// Windows virtual-key code for an SDL keycode; 0 when the key has none.
int virtualKeyFromSdl(int sdlKeycode);
