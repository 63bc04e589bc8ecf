// Events into shell state: keys by Windows virtual-key code, the minimised
// state, and the close request, as the frame loop sees them.
#include <gtest/gtest.h>
#include <SDL.h>

#include <cstring>

#include "shell/window.h"
#include "support/test_support.h"

namespace {

struct KeyCase {
    SDL_Keycode sdl;
    int vk;
};
const KeyCase KEYS[] = {
    {SDLK_ESCAPE, 27},  {SDLK_RETURN, 13}, {SDLK_SPACE, 32},  {SDLK_TAB, 9},
    {SDLK_BACKSPACE, 8}, {SDLK_LEFT, 37},  {SDLK_UP, 38},     {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},    {SDLK_LSHIFT, 16}, {SDLK_RSHIFT, 16}, {SDLK_LCTRL, 17},
    {SDLK_RCTRL, 17},   {SDLK_LALT, 18},   {SDLK_a, 'A'},     {SDLK_z, 'Z'},
    {SDLK_0, '0'},      {SDLK_9, '9'},     {SDLK_F1, 112},    {SDLK_F12, 123},
    {SDLK_AUDIONEXT, 0xB0}, {SDLK_AUDIOPREV, 0xB1}, {SDLK_AUDIOSTOP, 0xB2}, {SDLK_AUDIOPLAY, 0xB3},
};

TEST(ShellEvents, KeysSetAndClearTheirVirtualKeyEntry) {
    for (const KeyCase& k : KEYS) {
        std::memset(keyDown, 0, sizeof keyDown);
        EXPECT_FALSE(demoWindowProc(keyEvent(SDL_KEYDOWN, k.sdl)).closeRequested);
        EXPECT_TRUE(keyDown[k.vk]) << "key " << k.sdl;
        int down = 0;
        for (bool d : keyDown) down += d;
        EXPECT_EQ(down, 1) << "key " << k.sdl << " touched another entry";
        demoWindowProc(keyEvent(SDL_KEYUP, k.sdl));
        EXPECT_FALSE(keyDown[k.vk]) << "key " << k.sdl;
    }
}

TEST(ShellEvents, KeysAreIndependentAndUnmappedKeysChangeNothing) {
    std::memset(keyDown, 0, sizeof keyDown);
    demoWindowProc(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    demoWindowProc(keyEvent(SDL_KEYDOWN, SDLK_a));
    demoWindowProc(keyEvent(SDL_KEYUP, SDLK_a));
    EXPECT_TRUE(keyDown[27]);
    EXPECT_FALSE(keyDown['A']);
    bool before[256];
    std::memcpy(before, keyDown, sizeof before);
    demoWindowProc(keyEvent(SDL_KEYDOWN, SDLK_VOLUMEUP));
    EXPECT_EQ(std::memcmp(before, keyDown, sizeof before), 0);
    // A key held while focus goes elsewhere stays down until its release.
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_TRUE(keyDown[27]);
}

TEST(ShellEvents, MinimiseClearsWindowActiveAndRestoreSetsIt) {
    windowActive = true;
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_TRUE(windowActive) << "switching away without minimising keeps drawing";
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
    EXPECT_FALSE(windowActive);
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_FALSE(windowActive) << "focus alone does not restore";
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_RESTORED));
    EXPECT_TRUE(windowActive);
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
    demoWindowProc(windowEvent(SDL_WINDOWEVENT_SHOWN));
    EXPECT_TRUE(windowActive);
}

TEST(ShellEvents, CloseRequestEndsTheLoopAndOtherEventsDoNot) {
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    EXPECT_TRUE(demoWindowProc(quit).closeRequested);
    EXPECT_FALSE(demoWindowProc(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE)).closeRequested);
    EXPECT_FALSE(demoWindowProc(windowEvent(SDL_WINDOWEVENT_CLOSE)).closeRequested);
}

// Presses reach the shell as facts: the key with Ctrl and repeat, a gamepad
// button; releases and stick motion are no presses.
TEST(ShellEvents, PressesArriveAsFacts) {
    const WindowFacts key = demoWindowProc(keyEvent(SDL_KEYDOWN, SDLK_LEFT, KMOD_RCTRL, true));
    EXPECT_EQ(key.pressedKey, 0x25);
    EXPECT_TRUE(key.ctrlDown);
    EXPECT_TRUE(key.keyRepeat);
    EXPECT_EQ(demoWindowProc(keyEvent(SDL_KEYUP, SDLK_LEFT)).pressedKey, 0);
    SDL_Event pad = {};
    pad.type = SDL_CONTROLLERBUTTONDOWN;
    pad.cbutton.button = SDL_CONTROLLER_BUTTON_Y;
    EXPECT_EQ(demoWindowProc(pad).pressedPadButton, SDL_CONTROLLER_BUTTON_Y);
    pad.type = SDL_CONTROLLERAXISMOTION;
    EXPECT_EQ(demoWindowProc(pad).pressedPadButton, -1);
}

}  // namespace
