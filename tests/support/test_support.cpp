// The shared test rig: message-box recorder, bare GL context or the demo's own
// window on the test X server, pixel read-back and DevIL-written fixtures.
#include "support/test_support.h"

#include <epoxy/gl.h>
#include <IL/il.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "shell/demo.h"
#include "shell/window.h"
#include "support/working_directory.h"

// ---- message boxes -------------------------------------------------------
static std::vector<RecordedBox> boxes;
static MessageAnswer questionAnswer = MessageAnswer::No;

static MessageAnswer recordBox(const char* caption, const char* text, MessageIcon icon,
                               MessageButtons buttons) {
    boxes.push_back({caption, text, icon, buttons});
    return buttons == MessageButtons::YesNo ? questionAnswer : MessageAnswer::Ok;
}

void installMessageRecorder(MessageAnswer answer) {
    boxes.clear();
    questionAnswer = answer;
    setMessageBoxHandler(recordBox);
}

void removeMessageRecorder() { setMessageBoxHandler(nullptr); }

std::vector<RecordedBox>& recordedBoxes() { return boxes; }

std::vector<std::string> recordedTexts() {
    std::vector<std::string> texts;
    for (const RecordedBox& b : boxes) texts.push_back(b.text);
    return texts;
}

// ---- GL context ----------------------------------------------------------
bool openTestGLContext(int width, int height) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    hWnd = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL);
    if (!hWnd) return false;
    hRC = SDL_GL_CreateContext(hWnd);
    if (!hRC || SDL_GL_MakeCurrent(hWnd, hRC) != 0) return false;
    fullscreen = false;
    resizeViewport(width, height);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    return true;
}

void closeTestGLContext() {
    fullscreen = false;
    destroyDemoWindow();
}

// Entered by openDemoWindowIn, left by closeDemoWindow: the open window's
// tests go on reading data/ (the music, a scene's files) relative to it.
static std::optional<ScopedWorkingDirectory> demoWindowDir;

bool openDemoWindowIn(const std::string& dataDir) {
    demoWindowDir.emplace(dataDir);
    installMessageRecorder();
    if (openDemoPicture(false)) return true;
    demoWindowDir.reset();  // no window is left to close
    return false;
}

void closeDemoWindow() {
    destroyDemoWindow();
    demoWindowDir.reset();
}

// ---- pixels --------------------------------------------------------------
Rgb readPixel(int x, int y) {
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    if (framebuffer == 0) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    unsigned char rgb[3] = {};
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

std::vector<uint8_t> readFrameRgb(int width, int height) {
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    if (framebuffer == 0) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> rgb(std::size_t(width) * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

bool near(Rgb a, Rgb e, int tolerance) {
    return std::abs(a.r - e.r) <= tolerance && std::abs(a.g - e.g) <= tolerance &&
           std::abs(a.b - e.b) <= tolerance;
}

std::string describe(Rgb c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// ---- files ---------------------------------------------------------------
std::string makeScratchDir(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::current_path() / "scratch" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

bool writeImage(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                bool withAlpha) {
    namespace fs = std::filesystem;
    fs::create_directories(fs::path(path).parent_path());
    const int channels = withAlpha ? 4 : 3;
    // DevIL keeps images bottom row first; the caller gives rows top first.
    std::vector<uint8_t> pixels(size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                pixels[(size_t(height - 1 - y) * width + x) * channels + c] =
                    rgba[(size_t(y) * width + x) * 4 + c];
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool ok = ilTexImage(width, height, 1, ILubyte(channels), withAlpha ? IL_RGBA : IL_RGB,
                         IL_UNSIGNED_BYTE, pixels.data());
    ilEnable(IL_FILE_OVERWRITE);
    ok = ok && ilSaveImage(path.c_str());
    ilDeleteImages(1, &image);
    return ok;
}

bool writeSolidImage(const std::string& path, int width, int height, uint8_t r, uint8_t g,
                     uint8_t b, uint8_t a) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = r;
        rgba[i + 1] = g;
        rgba[i + 2] = b;
        rgba[i + 3] = a;
    }
    return writeImage(path, width, height, rgba, a != 255 || path.find(".png") != std::string::npos);
}
