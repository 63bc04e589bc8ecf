// Shared test rig: a real GL context on the test X server (Xvfb + llvmpipe),
// a message-box recorder in place of real boxes, fixture images, pixel
// read-back and scratch data directories.
#pragma once
#include <cstdint>
#include <string>
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

// ---- GL context ----------------------------------------------------------
// A plain 800x600 window with a compatibility context, made current, with
// resizeViewport applied; no textures, no render target. Returns false (and
// the test should fail) when no display is available.
bool openTestGLContext(int width = 800, int height = 600);
void closeTestGLContext();

// The demo's own windowed start-up (openDemoPicture with fullscreen false)
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
// True when every channel is within `tolerance` of the expected value.
bool near(Rgb actual, Rgb expected, int tolerance = 8);
std::string describe(Rgb c);

// ---- files ---------------------------------------------------------------
// A fresh empty directory under the test's working directory.
std::string makeScratchDir(const std::string& name);
// Writes an image with DevIL's saver; format follows the extension (.png/.jpg).
// `rgba` holds width*height*4 bytes, rows from the TOP of the picture down.
bool writeImage(const std::string& path, int width, int height,
                const std::vector<uint8_t>& rgba, bool withAlpha = true);
bool writeSolidImage(const std::string& path, int width, int height,
                     uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
