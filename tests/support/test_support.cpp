// The shared test rig: message-box recorder, bare GL context or the demo's own
// window on the test X server, pixel read-back, DevIL-written and -read images,
// whole files, the environment and bounded waits.
#include "support/test_support.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <IL/il.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <optional>
#include <thread>

#include "shell/demo.h"
#include "shell/options.h"
#include "shell/window.h"
#include "support/demo_messages.h"
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

void expectOnlyErrorBoxes() {
    for (const RecordedBox& box : boxes) {
        EXPECT_EQ(box.caption, ERROR_CAPTION) << box.text;
        EXPECT_EQ(box.icon, MessageIcon::Exclamation) << box.text;
        EXPECT_EQ(box.buttons, MessageButtons::Ok) << box.text;
    }
}

// ---- GL context ----------------------------------------------------------
void* createGLWindow(SDL_Window*& window, int width, int height, bool hidden) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | (hidden ? SDL_WINDOW_HIDDEN : 0));
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    return context && SDL_GL_MakeCurrent(window, context) == 0 ? context : nullptr;
}

bool openTestGLContext(int width, int height) {
    if (!(hRC = createGLWindow(hWnd, width, height))) return false;
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
    const PictureMode asked = demoOptions.picture;
    demoOptions.picture = PictureMode::Windowed;  // no mode change, no question
    const bool opened = openDemoPicture();
    demoOptions.picture = asked;
    if (opened) return true;
    demoWindowDir.reset();  // no window is left to close
    return false;
}

void closeDemoWindow() {
    destroyDemoWindow();
    demoWindowDir.reset();
}

// ---- pixels --------------------------------------------------------------
static std::vector<uint8_t> readRegionRgb(int x, int y, int width, int height) {
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    if (framebuffer == 0) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

Rgb readPixel(int x, int y) {
    const std::vector<uint8_t> rgb = readRegionRgb(x, y, 1, 1);
    return {rgb[0], rgb[1], rgb[2]};
}

std::vector<uint8_t> readFrameRgb(int width, int height) { return readRegionRgb(0, 0, width, height); }

Rgb TextureImage::at(int x, int y) const {
    const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2]};
}

TextureImage readTexture(unsigned int texture) {
    TextureImage t;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.height);
    t.rgba.resize(size_t(t.width) * t.height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.rgba.data());
    return t;
}

bool near(Rgb a, Rgb e, int tolerance) {
    return std::abs(a.r - e.r) <= tolerance && std::abs(a.g - e.g) <= tolerance &&
           std::abs(a.b - e.b) <= tolerance;
}

std::string describe(Rgb c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// ---- GL state --------------------------------------------------------------
int glInteger(unsigned int name) {
    GLint values[4] = {};
    glGetIntegerv(name, values);
    return values[0];
}

void PrintTo(const Viewport& v, std::ostream* out) {
    *out << "viewport " << v.x << ", " << v.y << ", " << v.width << " x " << v.height;
}

Viewport currentViewport() {
    GLint v[4] = {};
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

unsigned int boundFramebuffer() { return unsigned(glInteger(GL_FRAMEBUFFER_BINDING_EXT)); }

int levelParameter(unsigned int texture, int level, unsigned int name) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

int textureParameter(unsigned int texture, unsigned int name) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

void drawQuad(float x0, float y0, float x1, float y1, float z) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex3f(x0, y0, z);
    glTexCoord2f(1, 0), glVertex3f(x1, y0, z);
    glTexCoord2f(1, 1), glVertex3f(x1, y1, z);
    glTexCoord2f(0, 1), glVertex3f(x0, y1, z);
    glEnd();
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

bool loadImage(const std::string& path, DecodedImage& out) {
    ilInit();
    ILuint id = 0;
    ilGenImages(1, &id);
    ilBindImage(id);
    bool ok = ilLoadImage(path.c_str()) == IL_TRUE;
    if (ok) {
        const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
        out.hasAlpha = format == IL_RGBA || format == IL_BGRA || format == IL_LUMINANCE_ALPHA;
        const bool bottomFirst = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
        ok = ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
        out.width = ilGetInteger(IL_IMAGE_WIDTH);
        out.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* data = ilGetData();
        const size_t rowBytes = size_t(out.width) * 4;
        out.rgba.resize(rowBytes * out.height);
        for (int y = 0; ok && y < out.height; ++y) {
            const int from = bottomFirst ? out.height - 1 - y : y;
            std::copy_n(data + from * rowBytes, rowBytes, out.rgba.begin() + y * rowBytes);
        }
    }
    ilDeleteImages(1, &id);
    return ok;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// ---- environment ---------------------------------------------------------
ScopedEnv::ScopedEnv(const std::string& name, const char* value) { set(name, value); }

ScopedEnv::ScopedEnv(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const size_t equals = entry.find('=');
        set(entry.substr(0, equals), entry.c_str() + equals + 1);
    }
}

void ScopedEnv::set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    previous_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) setenv(name.c_str(), value, 1);
    else unsetenv(name.c_str());
}

ScopedEnv::~ScopedEnv() {
    for (auto it = previous_.rbegin(); it != previous_.rend(); ++it) {
        if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
        else unsetenv(it->first.c_str());
    }
}

// ---- waiting -------------------------------------------------------------
double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleepSeconds(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds, double pollSeconds) {
    const double until = steadySeconds() + timeoutSeconds;
    for (;;) {
        if (condition()) return true;
        if (steadySeconds() >= until) return false;
        sleepSeconds(pollSeconds);
    }
}

// ---- events ------------------------------------------------------------------
SDL_Event keyEvent(Uint32 type, SDL_Keycode key, Uint16 mod, bool repeat) {
    SDL_Event event = {};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat ? 1 : 0;
    return event;
}

SDL_Event windowEvent(Uint8 what, int data1, int data2) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

bool pressKey(SDL_Keycode key, bool ctrl, bool repeat) {
    handleDemoEvent(keyEvent(SDL_KEYDOWN, key, ctrl ? KMOD_LCTRL : 0, repeat));
    return controlForKey(virtualKeyFromSdl(key), ctrl) != nullptr;
}
