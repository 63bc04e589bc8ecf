// The demo window and its OpenGL context over SDL2: creation (with the
// fullscreen mode change or the windowed-mode question), the fixed GL state,
// event handling into the shell state, and teardown. On Wayland the default
// start plays on the desktop as --desktop does.
#pragma once
#include <string>

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
extern bool fourThreePicture;   // the picture kept 4:3 in the largest centred viewport, black beside
extern int swapIntervalWanted;  // -1 adaptive (else 1), 1 every refresh, 0 none
// Down state of every key, indexed by Windows virtual-key code (Escape is 27,
// letters their capital's ASCII code), whatever the platform: see
// virtualKeyFromSdl.
extern bool keyDown[256];

constexpr int VK_ESCAPE_CODE = 27;

// True once per Escape press since the last call, which clears it: a press
// and release that both arrive between two frames leave keyDown false, and
// the frame pass still has to see them.
bool takeEscapePress();

bool createDemoWindow(const char* title, int width, int height, int bits, bool fullscreenRequested);
// A hidden window whose current context draws only into framebuffer objects:
// no mode change, no box. "" when made; else the reason, with what was made
// left for destroyDemoWindow.
std::string createHiddenWindow(const char* title);
void destroyDemoWindow();
// The viewport and projection for a drawable of width x height pixels: the
// whole drawable at its own aspect, or with fourThreePicture the largest
// centred 4:3 part of it under the projection of 800x600.
void resizeViewport(int width, int height);

struct ViewportRect {
    int x, y, width, height;  // pixels, from the lower-left corner
};
// The largest 4:3 rectangle centred in width x height (at least 1x1).
ViewportRect fourThreeViewport(int width, int height);
bool setupGLState();

// Turns one SDL event into shell state. Returns true when the event asks the
// loop to end (a close request, the counterpart of WM_QUIT with code 0).
bool demoWindowProc(const SDL_Event& event);

// Windows virtual-key code for an SDL keycode; 0 when the key has none.
int virtualKeyFromSdl(int sdlKeycode);
