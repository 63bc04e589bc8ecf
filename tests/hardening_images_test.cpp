// Damaged and unusual image files in the data set, through the demo's own
// window creation: every handle ends up 0 or a usable texture, no box is
// shown, and the scene chain then runs the whole timeline, every scene
// drawing, without a GL error or a framebuffer or viewport left astray.
// Each case turns the kinds of damage round the catalogue by one row, so
// across the cases every image meets every kind.
#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <IL/il.h>
#include <SDL.h>

#include <filesystem>
#include <random>

#include "audio/music.h"
#include "shell/demo.h"
#include "support/scenes_fixture.h"
#include "shell/window.h"
#include "support/demo_messages.h"
#include "support/png_fixtures.h"

using namespace scenefix;
namespace fs = std::filesystem;

namespace {

enum Damage {
    MISSING,
    EMPTY,
    TRUNCATED,     // a good file of its own format cut to half its length
    RANDOM_BYTES,
    OTHER_FORMAT,  // a JPEG named .png, a PNG named .jpg
    OVERSIZED,     // taller than GL_MAX_TEXTURE_SIZE
    PALETTED,      // a paletted PNG; a greyscale JPEG for .jpg rows
    GREYSCALE,     // a greyscale PNG or JPEG
    DAMAGE_COUNT
};
const char* const DAMAGE_NAMES[DAMAGE_COUNT] = {"missing",      "empty",    "truncated",
                                                "random bytes", "other format", "oversized",
                                                "paletted",     "greyscale"};

// What loading may give: nothing, or a texture.
enum Outcome { ZERO, TEXTURE, ZERO_OR_TEXTURE };
const Outcome EXPECTED[DAMAGE_COUNT] = {ZERO, ZERO, ZERO_OR_TEXTURE, ZERO, ZERO_OR_TEXTURE,
                                        TEXTURE, TEXTURE, TEXTURE};

constexpr int SIDE = 32;  // pixels per side of the ordinary fixtures

std::vector<uint8_t> gradient(int width, int height) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i % 4 == 3 ? 255 : i * 7 / 3);
    return rgba;
}

bool writeGreyJpeg(const std::string& path, int width, int height) {
    std::vector<uint8_t> grey(size_t(width) * height);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 5);
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool ok = ilTexImage(width, height, 1, 1, IL_LUMINANCE, IL_UNSIGNED_BYTE, grey.data());
    ilEnable(IL_FILE_OVERWRITE);
    ok = ok && ilSaveImage(path.c_str());
    ilDeleteImages(1, &image);
    return ok;
}

std::string greyPng(int width, int height) {
    std::vector<uint8_t> grey(size_t(width) * height);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 5);
    return handMadePng(width, height, PNG_GREY, grey);
}

std::string palettedPng(int width, int height) {
    const std::string palette("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF", 9);
    std::vector<uint8_t> indices(size_t(width) * height);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i % 3);
    return handMadePng(width, height, PNG_PALETTE, indices, palette);
}

void writeDamaged(const std::string& path, Damage damage, int row) {
    const bool jpeg = endsWith(path, ".jpg");
    switch (damage) {
    case MISSING:
        break;
    case EMPTY:
        writeFileBytes(path, "");
        break;
    case TRUNCATED:
        ASSERT_TRUE(writeImage(path, SIDE, SIDE, gradient(SIDE, SIDE), !jpeg));
        fs::resize_file(path, fs::file_size(path) / 2);
        break;
    case RANDOM_BYTES: {
        std::mt19937 random(row);
        std::string bytes(4096, '\0');
        for (char& b : bytes) b = char(random());
        writeFileBytes(path, bytes);
        break;
    }
    case OTHER_FORMAT: {
        const std::string other = path + (jpeg ? ".png" : ".jpg");
        ASSERT_TRUE(writeImage(other, SIDE, SIDE, gradient(SIDE, SIDE), jpeg));
        fs::rename(other, path);
        break;
    }
    case OVERSIZED: {
        const int height = glInteger(GL_MAX_TEXTURE_SIZE) + 2;
        ASSERT_TRUE(writeImage(path, 8, height, gradient(8, height), false));
        break;
    }
    case PALETTED:
    case GREYSCALE:
        if (jpeg) {
            ASSERT_TRUE(writeGreyJpeg(path, SIDE, SIDE));
        } else {
            writeFileBytes(path, damage == PALETTED ? palettedPng(SIDE, SIDE) : greyPng(SIDE, SIDE));
        }
        break;
    case DAMAGE_COUNT:
        break;
    }
}

Damage damageOf(int row, int turn) { return Damage((row + turn) % DAMAGE_COUNT); }

bool usableTexture(unsigned int name) {
    if (!glIsTexture(name)) return false;
    const int width = levelParameter(name, 0, GL_TEXTURE_WIDTH), height = levelParameter(name, 0, GL_TEXTURE_HEIGHT);
    const int most = glInteger(GL_MAX_TEXTURE_SIZE);
    return width > 0 && height > 0 && width <= most && height <= most;
}

// Restores the projection, the matrix mode and the flags a fresh window has.
void restartTimeline() {
    makeActive(INTRO);
    resizeViewport(WINDOW_W, WINDOW_H);
}

// The chain from position 0 past the last threshold in steps of `step`
// bytes; per scene, the frames it drew and those that were not all black.
struct TimelineRun {
    int drawn[SCENE_COUNT] = {};
    int visible[SCENE_COUNT] = {};
    bool ended = false;  // the chain declined once every scene had finished
};

TimelineRun runTimeline(float step) {
    TimelineRun run;
    restartTimeline();
    for (float position = 0; position < lyricsEnd + 4 * step; position += step) {
        const int scene = activeScene();
        placeMusicAt(position);
        if (!runSceneChain()) {
            run.ended = scene == NO_SCENE;
            break;
        }
        EXPECT_GE(scene, 0) << "a frame drawn with no scene active at " << position;
        if (scene < 0 || scene >= SCENE_COUNT) break;
        ++run.drawn[scene];
        if (gridCount(readFrame(), BLACK, 0) < GRID_POINTS) ++run.visible[scene];
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "at " << position;
        EXPECT_EQ(boundFramebuffer(), 0u) << "at " << position;
        EXPECT_EQ(currentViewport().width, WINDOW_W) << "at " << position;
        EXPECT_EQ(currentViewport().height, WINDOW_H) << "at " << position;
        SDL_GL_SwapWindow(hWnd);
    }
    return run;
}

// About a third of a second of music per frame: every scene gets many frames.
constexpr float COARSE_STEP = 60000.0f;

void expectWholeTimeline(const TimelineRun& run) {
    EXPECT_TRUE(run.ended) << "the chain never ran out";
    for (int s = 0; s < SCENE_COUNT; ++s) {
        EXPECT_GT(run.drawn[s], 10) << sceneName[s];
        EXPECT_GT(run.visible[s], 0) << sceneName[s] << " drew only black";
    }
}

class DamagedImages : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override {
        closeDemoWindow();
        removeMessageRecorder();
        if (!dir.empty()) fs::remove_all(dir);
    }
    std::string dir;
};

TEST_P(DamagedImages, LoadAsZeroOrATextureSilentlyAndTheTimelineRunsThrough) {
    const int turn = GetParam();
    dir = makeScratchDir("damaged_" + std::to_string(turn));
    // The window comes first: the oversized case needs the driver's limit.
    ASSERT_TRUE(openTestGLContext());
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row)
        writeDamaged(dir + "/" + textureCatalogue[row].path, damageOf(row, turn), row);
    closeTestGLContext();

    ASSERT_TRUE(openDemoWindowIn(dir));
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row) {
        const Damage damage = damageOf(row, turn);
        const unsigned int name = *textureCatalogue[row].handle;
        SCOPED_TRACE(std::string(textureCatalogue[row].path) + ", " + DAMAGE_NAMES[damage]);
        if (EXPECTED[damage] == ZERO) {
            EXPECT_EQ(name, 0u);
        } else if (EXPECTED[damage] == TEXTURE) {
            EXPECT_NE(name, 0u);
        }
        if (name != 0) {
            EXPECT_TRUE(usableTexture(name)) << "handle " << name;
        }
    }
    EXPECT_TRUE(recordedBoxes().empty()) << recordedBoxes().front().text;

    expectWholeTimeline(runTimeline(COARSE_STEP));
    EXPECT_TRUE(recordedBoxes().empty());
    EXPECT_FALSE(SDL_GetWindowFlags(hWnd) & SDL_WINDOW_FULLSCREEN);
}

// Started where there is no data/ at all: nothing loads, only the music
// says so, and the pictures still run as solid shapes.
TEST(NoDataDirectory, EveryHandleIsZeroOnlyTheMusicBoxesShowAndTheTimelineRuns) {
    ASSERT_TRUE(openDemoWindowIn(makeScratchDir("no_data")));
    ASSERT_FALSE(fs::exists("data"));
    for (const TextureEntry& entry : textureCatalogue) EXPECT_EQ(*entry.handle, 0u) << entry.path;
    for (unsigned int name : {renderTex0, renderTex1, renderTex2, renderTex3})
        EXPECT_TRUE(usableTexture(name));
    EXPECT_TRUE(recordedBoxes().empty());

    startMusic();
    EXPECT_EQ(recordedTexts(),
              (std::vector<std::string>{MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}));
    recordedBoxes().clear();

    expectWholeTimeline(runTimeline(COARSE_STEP));
    EXPECT_TRUE(recordedBoxes().empty());
    stopMusic();
    closeDemoWindow();
    removeMessageRecorder();
}

INSTANTIATE_TEST_SUITE_P(Hardening, DamagedImages, ::testing::Range(0, int(DAMAGE_COUNT)),
                         [](const auto& info) { return "Turn" + std::to_string(info.param); });

}  // namespace
