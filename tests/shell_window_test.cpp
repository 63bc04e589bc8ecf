// Window creation on real X servers of chosen sizes: the windowed window and
// its fixed GL state, the fullscreen mode change, the windowed-mode question
// answered both ways, video init failure, and viewport/projection on resize.
#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <SDL.h>

#include <cmath>
#include <optional>

#include "shell/demo.h"
#include "shell/viewport.h"
#include "shell/window.h"
#include "support/demo_messages.h"
#include "support/test_support.h"
#include "support/x_session.h"

namespace {

// Each test gets its own X server, so the display's modes are the test's choice.
class WindowTest : public ::testing::Test {
protected:
    TestXServer server;
    std::optional<ScopedEnv> onThisServer;
    void useScreen(int width, int height) {
        ASSERT_TRUE(server.start(width, height));
        onThisServer.emplace("DISPLAY", server.display());
    }
    void TearDown() override {
        destroyDemoWindow();
        removeMessageRecorder();
    }
};

std::vector<double> projectionMatrix() {
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    return std::vector<double>(m, m + 16);
}

// gluPerspective(45, aspect, 0.1f, 200) written out.
void expectPerspective(double aspect) {
    const double f = 1.0 / std::tan(45.0 * M_PI / 360.0);
    const double zNear = double(0.1f), zFar = 200.0;
    const std::vector<double> m = projectionMatrix();
    EXPECT_NEAR(m[0], f / aspect, 1e-5);
    EXPECT_NEAR(m[5], f, 1e-5);
    EXPECT_NEAR(m[10], (zFar + zNear) / (zNear - zFar), 1e-5);
    EXPECT_NEAR(m[11], -1.0, 1e-9);
    EXPECT_NEAR(m[14], 2.0 * zFar * zNear / (zNear - zFar), 1e-5);
}

TEST_F(WindowTest, WindowedCreationGivesExactClientAreaAndFixedGLState) {
    useScreen(1024, 768);
    installMessageRecorder();
    ASSERT_TRUE(createDemoWindow(WINDOW_TITLE, 800, 600, 32, false));
    EXPECT_TRUE(recordedBoxes().empty());
    EXPECT_FALSE(fullscreen);
    EXPECT_STREQ(SDL_GetWindowTitle(hWnd), WINDOW_TITLE);
    EXPECT_EQ(server.waitForWindow(WINDOW_TITLE, 2.0) != 0, true);

    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(hWnd, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

    EXPECT_EQ(currentViewport().width, 800);
    EXPECT_EQ(currentViewport().height, 600);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(glInteger(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(glInteger(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(glInteger(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(glInteger(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);
    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 1.0f);
    expectPerspective(800.0 / 600.0);

    // The drawable: double-buffered, 8 bits per colour channel, a depth buffer.
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_TRUE(doubleBuffered);
    for (GLenum bits : {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS}) EXPECT_EQ(glInteger(bits), 8);
    EXPECT_GE(glInteger(GL_DEPTH_BITS), 16);
}

TEST_F(WindowTest, FullscreenSwitchesToTheModeAndHidesTheCursorUntilTeardown) {
    useScreen(800, 600);
    installMessageRecorder();
    ASSERT_TRUE(createDemoWindow(WINDOW_TITLE, 800, 600, 32, true));
    EXPECT_TRUE(recordedBoxes().empty());
    EXPECT_TRUE(fullscreen);
    EXPECT_TRUE(SDL_GetWindowFlags(hWnd) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    SDL_DisplayMode mode;
    ASSERT_EQ(SDL_GetWindowDisplayMode(hWnd, &mode), 0);
    EXPECT_EQ(mode.w, 800);
    EXPECT_EQ(mode.h, 600);
    EXPECT_EQ(SDL_BYTESPERPIXEL(mode.format), 4u);
    destroyDemoWindow();
    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(hRC, nullptr);
    EXPECT_TRUE(recordedBoxes().empty()) << "teardown reported a failure";
    EXPECT_EQ(server.waitForWindow(WINDOW_TITLE, 0.0), 0u);
}

TEST_F(WindowTest, MissingModeAnsweredYesGoesOnWindowedWithVisibleCursor) {
    useScreen(1024, 768);
    installMessageRecorder(MessageAnswer::Yes);
    ASSERT_TRUE(createDemoWindow(WINDOW_TITLE, 800, 600, 32, true));
    ASSERT_EQ(recordedBoxes().size(), 1u);
    const RecordedBox& question = recordedBoxes()[0];
    EXPECT_EQ(question.caption, WINDOWED_QUESTION_CAPTION);
    EXPECT_EQ(question.text, WINDOWED_QUESTION);
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.icon, MessageIcon::Exclamation);
    EXPECT_FALSE(fullscreen);
    EXPECT_FALSE(SDL_GetWindowFlags(hWnd) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(hWnd, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
}

TEST_F(WindowTest, MissingModeAnsweredNoClosesWithoutAnyWindow) {
    useScreen(1024, 768);
    installMessageRecorder(MessageAnswer::No);
    EXPECT_FALSE(createDemoWindow(WINDOW_TITLE, 800, 600, 32, true));
    ASSERT_EQ(recordedBoxes().size(), 2u);
    EXPECT_EQ(recordedBoxes()[0].caption, WINDOWED_QUESTION_CAPTION);
    EXPECT_EQ(recordedBoxes()[1].caption, ERROR_CAPTION);
    EXPECT_EQ(recordedBoxes()[1].text, PROGRAM_WILL_CLOSE);
    EXPECT_EQ(recordedBoxes()[1].icon, MessageIcon::Stop);
    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(server.waitForWindow(WINDOW_TITLE, 0.0), 0u);
}

TEST_F(WindowTest, VideoInitFailureReportsTheClassRegistrationMessage) {
    const ScopedEnv noVideo("SDL_VIDEODRIVER", "no-such-driver");
    installMessageRecorder();
    EXPECT_FALSE(createDemoWindow(WINDOW_TITLE, 800, 600, 32, false));
    EXPECT_EQ(recordedTexts(), std::vector<std::string>{WINDOW_CLASS_FAILED});
    EXPECT_EQ(hWnd, nullptr);
}

TEST_F(WindowTest, TeardownWithNothingCreatedIsSilent) {
    installMessageRecorder();
    fullscreen = false;
    destroyDemoWindow();
    destroyDemoWindow();
    EXPECT_TRUE(recordedBoxes().empty());
}

TEST_F(WindowTest, ResizeToZeroHeightUsesOneForViewportAndAspect) {
    useScreen(1024, 768);
    ASSERT_TRUE(openTestGLContext());
    resizeViewport(640, 0);
    EXPECT_EQ(currentViewport().width, 640);
    EXPECT_EQ(currentViewport().height, 1);
    expectPerspective(640.0);
    EXPECT_EQ(glInteger(GL_MATRIX_MODE), GL_MODELVIEW);
}

TEST_F(WindowTest, SizeEventResizesTheViewportOnlyOnceAContextExists) {
    useScreen(1024, 768);
    ASSERT_TRUE(openTestGLContext());
    SDL_Event event = windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 400, 0);
    EXPECT_FALSE(handleDemoEvent(event));
    EXPECT_EQ(currentViewport().width, 400);
    EXPECT_EQ(currentViewport().height, 1);

    void* context = hRC;
    hRC = nullptr;  // as before the context is current: nothing to act on
    event.window.data1 = 200;
    event.window.data2 = 100;
    handleDemoEvent(event);
    hRC = context;
    EXPECT_EQ(currentViewport().width, 400);
}

}  // namespace
