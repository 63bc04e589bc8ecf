// Render target: the framebuffer object that redirects drawing into renderTex1
// with a 512x512 depth renderbuffer, and the begin/end pair around such a pass.
// Reads renderTex1; needs the GL context current and the window's viewport set.
#include <epoxy/gl.h>

#include "resources/render_target.h"
#include "resources/textures.h"

unsigned int sceneFramebuffer = 0;       // GL framebuffer-object name, 0 until created
unsigned int sceneDepthRenderbuffer = 0;  // GL renderbuffer name, 0 until created
unsigned int screenFramebuffer = 0;       // GL framebuffer name passes return to; 0 is the window

namespace {

constexpr GLsizei TARGET_SIZE = 512;  // pixels per side, fixed whatever the window size

void attachColourTexture() {
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              renderTex1, 0);
}

// Colour is attached before depth and completeness is asked after both; the
// framebuffer stays bound, also when it turns out incomplete.
bool buildSceneFramebuffer() {
    glGenFramebuffersEXT(1, &sceneFramebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer);
    glGenRenderbuffersEXT(1, &sceneDepthRenderbuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, sceneDepthRenderbuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, TARGET_SIZE, TARGET_SIZE);
    attachColourTexture();
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 sceneDepthRenderbuffer);
    return glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
}

}  // namespace

bool framebufferExtensionAvailable() {
    return epoxy_has_gl_extension("GL_EXT_framebuffer_object");
}

// Without the extension no entry point of it is called at all: the outcome is
// the same as an incomplete framebuffer, and both names stay 0.
bool createRenderTarget() {
    if (!framebufferExtensionAvailable() || !buildSceneFramebuffer()) return false;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, screenFramebuffer);
    return true;
}

// Start-up only succeeds with a complete framebuffer object, so the extension
// is there; the guard keeps an absent entry point from ever being called.
void deleteRenderTarget() {
    if (!framebufferExtensionAvailable()) return;
    glDeleteFramebuffersEXT(1, &sceneFramebuffer);
    glDeleteRenderbuffersEXT(1, &sceneDepthRenderbuffer);
}

// Clears nothing and keeps both matrices: the caller clears what it needs and
// draws with the window's projection. renderTex1 must not be bound meanwhile.
void beginRenderToTexture() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer);
    attachColourTexture();
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, TARGET_SIZE, TARGET_SIZE);
}

// Passes do not nest: the screen's framebuffer is always what follows.
void endRenderToTexture() {
    glPopAttrib();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, screenFramebuffer);
}
