// Fixtures for driving the scenes directly: a data set in which every image
// is a solid colour of its own (so a read-back pixel names its texture), with
// five alpha bands across each PNG (so a pixel tells which alpha-test
// reference was in force), plus the signal and flag setters and the eye-to-
// window projection of the demo's 800x600 window.
#pragma once
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/music.h"
#include "resources/textures.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"
#include "support/test_support.h"

namespace scenefix {

constexpr int WINDOW_W = 800, WINDOW_H = 600;

// Alpha of the five vertical bands of every PNG fixture, left to right. The
// references in use (0.4, 0.6, 0.82, 0.99) each fall between two of them, so
// band b passes reference r exactly when BAND_ALPHA[b] / 255 > r.
constexpr int BAND_COUNT = 5;
constexpr int BAND_ALPHA[BAND_COUNT] = {77, 128, 179, 230, 255};  // 0.30 0.50 0.70 0.90 1.00
constexpr int FIXTURE_W = 160, FIXTURE_H = 32;

// A colour of its own for catalogue row i (65 rows): channels at least 50 apart.
inline Rgb fixtureColour(int i) {
    return {40 + 60 * (i % 4), 40 + 60 * ((i / 4) % 4), 30 + 50 * (i / 16)};
}

inline int catalogueRow(const unsigned int& handle) {
    for (int i = 0; i < IMAGE_TEXTURE_COUNT; ++i)
        if (textureCatalogue[i].handle == &handle) return i;
    return -1;
}

// The colour a texture shows at full brightness.
inline Rgb colourOf(const unsigned int& handle) { return fixtureColour(catalogueRow(handle)); }

// Under GL_MODULATE with the meshes' current colour (0.3, 0.3, 0.3).
inline Rgb dimmed(Rgb c) {
    auto d = [](int v) { return static_cast<int>(std::lround(v * 0.3)); };
    return {d(c.r), d(c.g), d(c.b)};
}

constexpr Rgb BLACK = {0, 0, 0};

// Which fixture a pixel shows, for failure messages.
inline std::string nameOf(Rgb c) {
    if (near(c, BLACK)) return "black";
    for (int i = 0; i < IMAGE_TEXTURE_COUNT; ++i) {
        if (near(c, fixtureColour(i))) return textureCatalogue[i].path;
        if (near(c, dimmed(fixtureColour(i)), 4))
            return std::string("dimmed ") + textureCatalogue[i].path;
    }
    return describe(c);
}

inline bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

inline std::vector<uint8_t> bandedImage(Rgb c, int width, int height) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            p[0] = c.r, p[1] = c.g, p[2] = c.b;
            p[3] = BAND_ALPHA[x * BAND_COUNT / width];
        }
    return rgba;
}

// Writes the whole catalogue under <scratch>/data and returns the directory
// to run in. JPEG rows carry no alpha and are written solid.
inline std::string buildSceneFixtures(const std::string& name, int width = FIXTURE_W,
                                      int height = FIXTURE_H) {
    const std::string dir = makeScratchDir(name);
    for (int i = 0; i < IMAGE_TEXTURE_COUNT; ++i) {
        const std::string path = dir + "/" + textureCatalogue[i].path;
        const Rgb c = fixtureColour(i);
        const bool jpeg = endsWith(path, ".jpg");
        const bool ok = jpeg ? writeSolidImage(path, width, height, c.r, c.g, c.b)
                             : writeImage(path, width, height, bandedImage(c, width, height), true);
        EXPECT_TRUE(ok) << path;
    }
    return dir;
}

// Opens the demo window over the fixtures once per test process. CTest runs
// each case of a file as its own process in one working directory, maybe
// side by side, so every process writes and removes a data set of its own.
class SceneWindow : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = buildSceneFixtures("scene_data_" + std::to_string(getpid()));
        ASSERT_TRUE(openDemoWindowIn(dir_));
    }
    void TearDown() override {
        closeDemoWindow();
        std::filesystem::remove_all(dir_);
    }

private:
    std::string dir_;
};

// ---- timeline ----------------------------------------------------------------
// The program's scene ids as numbers, for tables, loops and switches.
constexpr int INTRO = int(SceneId::Intro), SPIN = int(SceneId::Spin), GREETINGS = int(SceneId::Greetings),
              RENDER_TARGET = int(SceneId::RenderTarget), LYRICS = int(SceneId::Lyrics), NO_SCENE = -1;

inline bool* const inactiveFlag[SCENE_COUNT] = {&introInactive, &spinInactive, &greetingsInactive,
                                                &renderTargetInactive, &lyricsInactive};
inline const char* const sceneName[SCENE_COUNT] = {"IntroScene", "SpinScene", "GreetingsScene",
                                                   "RenderTargetScene", "LyricsScene"};
inline double endThreshold(int scene) {
    const double ends[SCENE_COUNT] = {introEnd, spinEnd, greetingsEnd, renderTargetEnd, lyricsEnd};
    return ends[scene];
}

// The flags as the timeline sets them for `scene` (NO_SCENE: every flag set, the timeline over).
inline void makeActive(int scene) { makeSceneActive(SceneId(scene)); }

// The one scene whose flag is clear; NO_SCENE when none, SCENE_COUNT when several.
inline int activeScene() {
    int found = NO_SCENE;
    for (int i = 0; i < SCENE_COUNT; ++i)
        if (!*inactiveFlag[i]) found = (found == NO_SCENE) ? i : SCENE_COUNT;
    return found;
}

// The signals at a play position (a whole byte count held as a float, 2^64
// and beyond saturating), with a silent spectrum, through the real writer.
inline void placeMusicAt(float bytes) {
    constexpr float TWO_TO_64 = 18446744073709551616.0f;
    setSilentFrameAt(bytes >= TWO_TO_64 ? ~uint64_t{0} : static_cast<uint64_t>(bytes));
}

// One frame of the chain at `bytes` with `scene` the active one.
inline int drawSceneAt(int scene, float bytes) {
    makeActive(scene);
    placeMusicAt(bytes);
    return runSceneChain();
}

// ---- pixels ------------------------------------------------------------------
struct Px {
    int x, y;  // window pixel, y from the bottom
};

// Where eye-space point (x, y, z), z < 0, lands under the 45-degree projection.
inline Px project(double x, double y, double z) {
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double aspect = double(WINDOW_W) / WINDOW_H;
    const double nx = f / aspect * x / -z, ny = f * y / -z;
    return {static_cast<int>(std::floor((nx + 1.0) * WINDOW_W / 2)),
            static_cast<int>(std::floor((ny + 1.0) * WINDOW_H / 2))};
}

inline Rgb pixelAtEye(double x, double y, double z) {
    const Px p = project(x, y, z);
    return readPixel(p.x, p.y);
}

// Quad-local x at the middle of alpha band `band` of a quad with right edge r.
inline double bandMiddle(int band, double r) {
    return -1.0 + (r + 1.0) * (band + 0.5) / BAND_COUNT;
}

struct Frame {
    std::vector<uint8_t> rgb;
    Rgb at(int x, int y) const {
        const uint8_t* p = &rgb[(y * WINDOW_W + x) * 3];
        return {p[0], p[1], p[2]};
    }
    bool operator==(const Frame& o) const { return rgb == o.rgb; }
};

inline Frame readFrame() { return {readFrameRgb(WINDOW_W, WINDOW_H)}; }

// Pixels of a coarse grid (every 20th pixel each way) that are near `c`.
inline int gridCount(const Frame& f, Rgb c, int tolerance = 8) {
    int n = 0;
    for (int y = 10; y < WINDOW_H; y += 20)
        for (int x = 10; x < WINDOW_W; x += 20) n += near(f.at(x, y), c, tolerance);
    return n;
}
constexpr int GRID_POINTS = (WINDOW_W / 20) * (WINDOW_H / 20);

// Mean window position of the pixels near `c`; {-1, -1} when there are none.
inline std::pair<double, double> centroidOf(const Frame& f, Rgb c) {
    double sx = 0, sy = 0;
    long n = 0;
    for (int y = 0; y < WINDOW_H; y += 2)
        for (int x = 0; x < WINDOW_W; x += 2)
            if (near(f.at(x, y), c)) sx += x, sy += y, ++n;
    return n ? std::make_pair(sx / n, sy / n) : std::make_pair(-1.0, -1.0);
}

}  // namespace scenefix

#define EXPECT_SHOWS(actual, expected)                                                   \
    EXPECT_TRUE(near((actual), (expected)))                                              \
        << "shows " << scenefix::nameOf(actual) << ", expected "                          \
        << scenefix::nameOf(expected)
