// The render target on a driver without GL_EXT_framebuffer_object, for real:
// Mesa is told to hide the extension. Start-up fails with its two messages in
// order, and no entry point of the extension is ever called.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "resources/render_target.h"
#include "resources/textures.h"
#include "shell/demo.h"
#include "support/demo_messages.h"
#include "support/test_support.h"

namespace {

// Entry points of the extension, in the order the traps below are set.
const char* const EXTENSION_ENTRY_POINTS[] = {
    "glGenFramebuffersEXT",      "glBindFramebufferEXT",         "glGenRenderbuffersEXT",
    "glBindRenderbufferEXT",     "glRenderbufferStorageEXT",     "glFramebufferTexture2DEXT",
    "glFramebufferRenderbufferEXT", "glCheckFramebufferStatusEXT", "glDeleteFramebuffersEXT",
    "glDeleteRenderbuffersEXT",  "glGenerateMipmapEXT"};

std::vector<std::string> extensionCalls;  // trapped calls, in call order

template <int Entry, typename Result, typename... Args>
Result trappedCall(Args...) {
    extensionCalls.push_back(EXTENSION_ENTRY_POINTS[Entry]);
    return Result();
}

// libepoxy dispatches through these writable pointers; a trap in their place
// records a call instead of reaching the driver.
template <int Entry, typename Result, typename... Args>
void trap(Result (*&entryPoint)(Args...)) {
    entryPoint = &trappedCall<Entry, Result, Args...>;
}

void trapExtensionEntryPoints() {
    trap<0>(epoxy_glGenFramebuffersEXT);
    trap<1>(epoxy_glBindFramebufferEXT);
    trap<2>(epoxy_glGenRenderbuffersEXT);
    trap<3>(epoxy_glBindRenderbufferEXT);
    trap<4>(epoxy_glRenderbufferStorageEXT);
    trap<5>(epoxy_glFramebufferTexture2DEXT);
    trap<6>(epoxy_glFramebufferRenderbufferEXT);
    trap<7>(epoxy_glCheckFramebufferStatusEXT);
    trap<8>(epoxy_glDeleteFramebuffersEXT);
    trap<9>(epoxy_glDeleteRenderbuffersEXT);
    trap<10>(epoxy_glGenerateMipmapEXT);
    extensionCalls.clear();
}

// Mesa reads the override once per process, at its first context: it is set
// before any context exists, which is why these cases live in their own program.
class WithoutFramebufferExtension : public ::testing::Test {
protected:
    const ScopedEnv withoutFramebufferObjects{"MESA_EXTENSION_OVERRIDE", "-GL_EXT_framebuffer_object"};
    void SetUp() override { trapExtensionEntryPoints(); }
    void TearDown() override {
        removeMessageRecorder();
        closeTestGLContext();
    }
};

TEST_F(WithoutFramebufferExtension, CreateRenderTargetFailsWithItsMessageAndCallsNothing) {
    ASSERT_TRUE(openTestGLContext());
    ASSERT_FALSE(framebufferExtensionAvailable()) << "the driver ignored MESA_EXTENSION_OVERRIDE";
    installMessageRecorder();

    loadTextures();
    EXPECT_FALSE(startRenderTarget());

    EXPECT_EQ(recordedTexts(), std::vector<std::string>{FBO_INIT_FAILED});
    expectOnlyErrorBoxes();
    EXPECT_TRUE(extensionCalls.empty()) << extensionCalls.front();
    EXPECT_EQ(sceneFramebuffer, 0u);
    EXPECT_EQ(sceneDepthRenderbuffer, 0u);

    // renderTex3 keeps its filters but gets no mipmap chain.
    EXPECT_EQ(levelParameter(renderTex3, 1, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(textureParameter(renderTex3, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(WithoutFramebufferExtension, StartUpEndsWithBothMessagesInOrder) {
    EXPECT_FALSE(openDemoWindowIn(makeScratchDir("start_up")));

    EXPECT_EQ(recordedTexts(),
              (std::vector<std::string>{FBO_INIT_FAILED, INITIALIZATION_FAILED}));
    EXPECT_TRUE(extensionCalls.empty()) << extensionCalls.front();
}

}  // namespace
