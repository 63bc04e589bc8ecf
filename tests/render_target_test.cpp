// Render target on a driver with GL_EXT_framebuffer_object: complete at
// start-up with the window's framebuffer bound after, passes that land in
// renderTex1 and keep its colour across a depth-only clear, and the window's
// viewport and framebuffer back after each pass.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "resources/render_target.h"
#include "resources/textures.h"
#include "support/test_support.h"

namespace {

constexpr int TARGET_SIZE = 512;

GLint attachmentParameter(GLenum attachment, GLenum name) {
    GLint value = 0;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, attachment, name, &value);
    return value;
}

// renderTex1 as read back from GL, at texel (x, y) from its lower-left corner.
Rgb renderTexel(int x, int y) { return readTexture(renderTex1).at(x, y); }

// An untextured rectangle from x0 to x1 across the full height, at eye depth z,
// under an orthographic view of [-1, 1] in x, y and z (larger z is nearer).
void drawRectangle(float x0, float x1, float z, Rgb colour) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glColor3ub(GLubyte(colour.r), GLubyte(colour.g), GLubyte(colour.b));
    drawQuad(x0, -1, x1, 1, z);
}

void clearTo(Rgb colour, GLbitfield buffers) {
    glClearColor(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, 1);
    glClear(buffers);
}

const Rgb RED = {255, 0, 0}, GREEN = {0, 255, 0}, BLUE = {0, 0, 255}, GREY = {128, 128, 128};

// The start-up order of the window: textures (none on disk here), then the target.
class RenderTarget : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openTestGLContext());
        installMessageRecorder();
        loadTextures();
        created = createRenderTarget();
    }
    void TearDown() override {
        removeMessageRecorder();
        closeTestGLContext();
    }
    bool created = false;
};

TEST_F(RenderTarget, IsCompleteAtStartWithTheWindowFramebufferBoundAfter) {
    ASSERT_TRUE(framebufferExtensionAvailable());
    EXPECT_TRUE(created);
    EXPECT_TRUE(recordedBoxes().empty());
    EXPECT_EQ(boundFramebuffer(), 0u);
    ASSERT_NE(sceneFramebuffer, 0u);
    ASSERT_NE(sceneDepthRenderbuffer, 0u);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer);
    EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
    EXPECT_EQ(attachmentParameter(GL_COLOR_ATTACHMENT0_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT),
              GL_TEXTURE);
    EXPECT_EQ(GLuint(attachmentParameter(GL_COLOR_ATTACHMENT0_EXT,
                                         GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT)),
              renderTex1);
    EXPECT_EQ(attachmentParameter(GL_DEPTH_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT),
              GL_RENDERBUFFER_EXT);
    EXPECT_EQ(GLuint(attachmentParameter(GL_DEPTH_ATTACHMENT_EXT,
                                         GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT)),
              sceneDepthRenderbuffer);
    EXPECT_EQ(attachmentParameter(GL_STENCIL_ATTACHMENT_EXT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT),
              GL_NONE);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, sceneDepthRenderbuffer);
    GLint width = 0, height = 0, depthBits = 0;
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &width);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_HEIGHT_EXT, &height);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_DEPTH_SIZE_EXT, &depthBits);
    EXPECT_EQ(width, TARGET_SIZE);
    EXPECT_EQ(height, TARGET_SIZE);
    EXPECT_GT(depthBits, 0);
}

TEST_F(RenderTarget, PassDrawsIntoRenderTex1AndTheWindowGetsItsViewportBack) {
    ASSERT_TRUE(created);
    // A window resized to 640x480: the pass must restore that, not 800x600.
    glViewport(0, 0, 640, 480);
    clearTo(GREY, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    beginRenderToTexture();
    EXPECT_EQ(boundFramebuffer(), sceneFramebuffer);
    EXPECT_TRUE(currentViewport() == (Viewport{0, 0, TARGET_SIZE, TARGET_SIZE}));
    clearTo(RED, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    endRenderToTexture();

    EXPECT_EQ(boundFramebuffer(), 0u);
    EXPECT_TRUE(currentViewport() == (Viewport{0, 0, 640, 480}));
    for (int corner : {0, TARGET_SIZE - 1})
        EXPECT_TRUE(near(renderTexel(corner, corner), RED)) << describe(renderTexel(corner, corner));
    // The window's picture is untouched by the pass.
    EXPECT_TRUE(near(readPixel(320, 240), GREY)) << describe(readPixel(320, 240));
    EXPECT_TRUE(near(readPixel(700, 550), GREY)) << describe(readPixel(700, 550));
}

TEST_F(RenderTarget, DepthOnlyClearKeepsTheColourOfTheEarlierPass) {
    ASSERT_TRUE(created);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    // First pass: blue over all of the target, near the viewer.
    beginRenderToTexture();
    clearTo(RED, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawRectangle(-1, 1, 0.5f, BLUE);
    endRenderToTexture();

    // Second pass clears depth only and draws green over the right half, farther
    // away: it shows only because the pass's own depth buffer was cleared.
    beginRenderToTexture();
    glClear(GL_DEPTH_BUFFER_BIT);
    drawRectangle(0, 1, -0.5f, GREEN);
    endRenderToTexture();

    EXPECT_TRUE(near(renderTexel(128, 256), BLUE)) << describe(renderTexel(128, 256));
    EXPECT_TRUE(near(renderTexel(384, 256), GREEN)) << describe(renderTexel(384, 256));
}

TEST_F(RenderTarget, PassLeavesTheWindowDepthBufferAlone) {
    ASSERT_TRUE(created);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // The window holds a near rectangle; a pass clears and fills its own depth.
    clearTo(GREY, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawRectangle(-1, 1, 0.5f, BLUE);

    beginRenderToTexture();
    clearTo(RED, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawRectangle(-1, 1, 0.9f, GREEN);
    endRenderToTexture();

    // Farther than the window's rectangle: hidden if the window kept its depth.
    drawRectangle(-1, 1, -0.5f, RED);
    EXPECT_TRUE(near(readPixel(400, 300), BLUE)) << describe(readPixel(400, 300));
}

}  // namespace
