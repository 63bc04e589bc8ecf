// What a run leaves behind, seen from inside the process: the whole demo
// (demoMain, fullscreen on its own 800x600 X server) with Escape already down
// at the first frame, and the music alone. Afterwards the display is in its
// desktop mode with the cursor shown, no window remains, the audio thread is
// gone, and no texture, framebuffer or renderbuffer name lives on in a
// context that shares the demo's objects.
#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <SDL.h>

#include <filesystem>

#include "audio/music.h"
#include "resources/render_target.h"
#include "resources/textures.h"
#include "support/scenes_fixture.h"
#include "shell/demo.h"
#include "shell/window.h"
#include "support/audio_fixtures.h"
#include "support/demo_messages.h"
#include "support/position_probe.h"
#include "support/texture_catalogue.h"
#include "support/working_directory.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

// A full data set: the scene fixtures' images and a short tone as the track,
// so the run shows no box at all.
std::string completeDataSet(const std::string& name) {
    const std::string dir = scenefix::buildSceneFixtures(name, 16, 16);
    writeFileBytes(dir + "/data/KV07.mp3", readFileBytes(audioFixturePath(TONE_44K_STEREO)));
    return dir;
}

// An OpenGL context of the test's own in whose share group the demo creates
// its context: objects the demo forgets to delete outlive its context here.
struct WitnessContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool open() {
        if (!(context = createGLWindow(window, 64, 64, true))) return false;
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        return true;
    }
    bool makeCurrent() { return SDL_GL_MakeCurrent(window, context) == 0; }
    ~WitnessContext() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
    }
};

TEST(Teardown, WholeRunEndedByEscapeAtTheFirstFrameLeavesNothingBehind) {
    TestXServer server;
    ASSERT_TRUE(server.start(800, 600));
    const ScopedEnv onThisServer("DISPLAY", server.display());
    const std::string dir = completeDataSet("whole_run");
    ScopedWorkingDirectory inDataSet(dir);

    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
    SDL_DisplayMode desktop = {};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    WitnessContext witness;
    ASSERT_TRUE(witness.open()) << SDL_GetError();
    const int threadsBefore = threadCount();

    installMessageRecorder();
    keyDown[VK_ESCAPE_CODE] = true;  // held before the window exists
    EXPECT_EQ(demoMain(), 0);
    EXPECT_EQ(presentedFrameCount, 0u) << "the first frame was presented despite Escape";
    EXPECT_TRUE(recordedBoxes().empty()) << recordedBoxes().front().text;
    removeMessageRecorder();

    // The display and the window system.
    SDL_DisplayMode current = {};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &current), 0);
    EXPECT_EQ(current.w, desktop.w);
    EXPECT_EQ(current.h, desktop.h);
    EXPECT_EQ(current.format, desktop.format);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(hRC, nullptr);
    EXPECT_EQ(server.waitForWindow(WINDOW_TITLE, 0.0), 0u) << "the demo window is still there";
    EXPECT_EQ(threadCount(), threadsBefore) << "a thread of the run is still alive";

    // The share group outlives the demo's context.
    ASSERT_TRUE(witness.makeCurrent());
    for (unsigned int name : textureNames()) {
        EXPECT_NE(name, 0u) << "the data set is complete, every texture was created";
        EXPECT_FALSE(glIsTexture(name)) << "texture " << name << " was not deleted";
    }
    EXPECT_NE(sceneFramebuffer, 0u);
    EXPECT_FALSE(glIsFramebufferEXT(sceneFramebuffer));
    EXPECT_NE(sceneDepthRenderbuffer, 0u);
    EXPECT_FALSE(glIsRenderbufferEXT(sceneDepthRenderbuffer));

    inDataSet.leave();
    fs::remove_all(dir);
}

TEST(Teardown, StopMusicEndsTheAudioThread) {
    const std::string dir = makeScratchDir("music_thread");
    writeFileBytes(dir + "/data/KV07.mp3", readFileBytes(audioFixturePath(TONE_44K_STEREO)));
    const ScopedWorkingDirectory inScratch(dir);
    installMessageRecorder();

    const int before = threadCount();
    startMusic();
    ASSERT_NE(musicStream, 0u);
    EXPECT_GT(threadCount(), before) << "no thread plays the music";
    sleepSeconds(0.1);
    stopMusic();
    EXPECT_EQ(threadCount(), before);
    EXPECT_TRUE(recordedBoxes().empty());

    removeMessageRecorder();
}

}  // namespace
