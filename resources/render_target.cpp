// Render target: the framebuffer object that redirects drawing into renderTex1
// with a 512x512 depth renderbuffer, and the begin/end pair around such a pass;
// the one framebuffer builder, which also makes capture's off-screen screen.
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

unsigned int newRenderbuffer(GLenum format, int width, int height) {
    unsigned int name = 0;
    glGenRenderbuffersEXT(1, &name);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, name);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, format, width, height);
    return name;
}

}  // namespace

bool buildFramebuffer(Framebuffer& fb, unsigned int colourTexture, int width, int height,
                      unsigned int depthFormat) {
    glGenFramebuffersEXT(1, &fb.name);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fb.name);
    fb.depthRenderbuffer = newRenderbuffer(depthFormat, width, height);
    if (colourTexture) {
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  colourTexture, 0);
    } else {
        fb.colourRenderbuffer = newRenderbuffer(GL_RGBA8, width, height);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                                     fb.colourRenderbuffer);
    }
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 fb.depthRenderbuffer);
    return glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
}

void deleteFramebuffer(Framebuffer& fb) {
    if (fb.name) glDeleteFramebuffersEXT(1, &fb.name);
    if (fb.colourRenderbuffer) glDeleteRenderbuffersEXT(1, &fb.colourRenderbuffer);
    if (fb.depthRenderbuffer) glDeleteRenderbuffersEXT(1, &fb.depthRenderbuffer);
    fb = Framebuffer{};
}

bool framebufferExtensionAvailable() {
    return epoxy_has_gl_extension("GL_EXT_framebuffer_object");
}

// Without the extension no entry point of it is called at all: the outcome is
// the same as an incomplete framebuffer, and both names stay 0.
bool createRenderTarget() {
    if (!framebufferExtensionAvailable()) return false;
    Framebuffer target;
    const bool complete = buildFramebuffer(target, renderTex1, TARGET_SIZE, TARGET_SIZE, GL_DEPTH_COMPONENT);
    sceneFramebuffer = target.name;
    sceneDepthRenderbuffer = target.depthRenderbuffer;
    if (!complete) return false;
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

// The clear colour is the fixed state's transparent black.
void clearRenderTarget() {
    beginRenderToTexture();
    glClear(GL_COLOR_BUFFER_BIT);
    endRenderToTexture();
}
