// Shared test rig: a real GL context on the test X server (Xvfb + llvmpipe),
// a message-box recorder in place of real boxes, fixture images, pixel and
// frame read-back, scratch data directories, whole files, scoped environment
// variables and waits bounded by a deadline.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/message_box.h"

// ---- message boxes -------------------------------------------------------
struct RecordedBox {
    std::string caption;
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
};

// Records every box from now on; yes/no questions get `answer`.
void installMessageRecorder(MessageAnswer answer = MessageAnswer::No);
void removeMessageRecorder();
std::vector<RecordedBox>& recordedBoxes();
std::vector<std::string> recordedTexts();
// Every box recorded so far is one of the demo's error boxes: the ERROR
// caption, the exclamation icon and one OK button.
void expectOnlyErrorBoxes();

// ---- GL context ----------------------------------------------------------
struct SDL_Window;
// A window of width x height (`hidden`: never shown) with a compatibility
// context of its own (16-bit depth, double-buffered), made current; the
// context, or nullptr when the video subsystem or the driver gives none.
void* createGLWindow(SDL_Window*& window, int width, int height, bool hidden = false);
// A plain 800x600 window with a compatibility context, made current, with
// resizeViewport applied; no textures, no render target. Returns false (and
// the test should fail) when no display is available.
bool openTestGLContext(int width = 800, int height = 600);
void closeTestGLContext();

// The demo's own start-up in a window of 800x600 (--windowed: no mode change)
// with the message recorder installed, run in `dataDir` as working directory.
// The process stays there while the window is open and is back where it was
// after closeDemoWindow, or at once when the start-up fails (false). One
// window at a time; throws std::filesystem::filesystem_error when `dataDir`
// cannot be entered.
bool openDemoWindowIn(const std::string& dataDir);
void closeDemoWindow();

// ---- pixels --------------------------------------------------------------
struct Rgb {
    int r, g, b;
};
// Reads the pixel at window coordinates (x from the left, y from the BOTTOM)
// of the current framebuffer's back buffer.
Rgb readPixel(int x, int y);
// The bottom-left width x height of that buffer as RGB bytes, rows from the BOTTOM.
std::vector<uint8_t> readFrameRgb(int width, int height);
// A texture's level 0 as GL gives it back: RGBA bytes, rows from the BOTTOM.
struct TextureImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    Rgb at(int x, int y) const;  // x from the left, y from the bottom
    bool operator==(const TextureImage& o) const {
        return width == o.width && height == o.height && rgba == o.rgba;
    }
};
// Binds `texture` (to GL_TEXTURE_2D) and reads its level 0.
TextureImage readTexture(unsigned int texture);
// True when every channel is within `tolerance` of the expected value.
bool near(Rgb actual, Rgb expected, int tolerance = 8);
std::string describe(Rgb c);

// ---- GL state --------------------------------------------------------------
// The first value glGetIntegerv gives for `name`.
int glInteger(unsigned int name);
struct Viewport {
    int x, y, width, height;
    bool operator==(const Viewport& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};
void PrintTo(const Viewport& v, std::ostream* out);
Viewport currentViewport();
// The framebuffer object bound for drawing; 0 is the window's own.
unsigned int boundFramebuffer();
// Binds `texture` (to GL_TEXTURE_2D) and reads one of its (level's) parameters.
int levelParameter(unsigned int texture, int level, unsigned int name);
int textureParameter(unsigned int texture, unsigned int name);
// A quad from (x0, y0) to (x1, y1) at depth z in the current matrices, texture
// coordinate (0, 0) at its lower-left corner and (1, 1) at its upper-right.
void drawQuad(float x0, float y0, float x1, float y1, float z = 0);

// ---- files ---------------------------------------------------------------
// A fresh empty directory under the test's working directory.
std::string makeScratchDir(const std::string& name);
// Writes an image with DevIL's saver; format follows the extension (.png/.jpg).
// `rgba` holds width*height*4 bytes, rows from the TOP of the picture down.
bool writeImage(const std::string& path, int width, int height,
                const std::vector<uint8_t>& rgba, bool withAlpha = true);
bool writeSolidImage(const std::string& path, int width, int height,
                     uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);

// An image as DevIL decodes it, converted to RGBA, rows from the TOP.
struct DecodedImage {
    int width = 0, height = 0;
    bool hasAlpha = false;  // the file itself has an alpha channel
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};
// False when DevIL cannot read `path`.
bool loadImage(const std::string& path, DecodedImage& out);

// A whole file's bytes; "" when it cannot be read.
std::string readFileBytes(const std::string& path);
// Replaces the file (creating its directory) with `bytes`.
void writeFileBytes(const std::string& path, const std::string& bytes);

// ---- environment ---------------------------------------------------------
// Environment variables set for the length of a scope and put back as they
// were at its end (unset again when they were unset), so that a failing
// ASSERT cannot leave the next case of the process on another driver.
class ScopedEnv {
public:
    // `value` nullptr unsets the variable for the scope.
    ScopedEnv(const std::string& name, const char* value);
    ScopedEnv(const std::string& name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    // "NAME=value" entries, as TestPulseServer::clientEnv gives them.
    explicit ScopedEnv(const std::vector<std::string>& entries);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::string& name, const char* value);
    std::vector<std::pair<std::string, std::optional<std::string>>> previous_;  // in setting order
};

// ---- waiting -------------------------------------------------------------
// Steady-clock seconds since an arbitrary origin.
double steadySeconds();
void sleepSeconds(double seconds);
// Checks `condition` every `pollSeconds` until it holds (true) or
// `timeoutSeconds` have passed (false). It is checked at least once, and once
// more at the deadline, so a timeout of 0 asks just once. The timeout is a
// hang guard, never the expectation: a condition that holds returns at once.
bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds,
               double pollSeconds = 0.02);

// ---- events ----------------------------------------------------------------
// SDL events as the window receives them.
SDL_Event keyEvent(Uint32 type, SDL_Keycode key, Uint16 mod = 0, bool repeat = false);
SDL_Event windowEvent(Uint8 what, int data1 = 0, int data2 = 0);
// A key press through the shell's own event handling (handleDemoEvent); true
// when the key is a control key.
bool pressKey(SDL_Keycode key, bool ctrl = false, bool repeat = false);
