// The web build's stand-in for libepoxy's <epoxy/gl.h> (web/web.cmake puts
// web/gl/ first on the include path): emscripten's desktop GL
// declarations over its legacy GL emulation on WebGL 2, plus the few calls that
// emulation ignores, misreads or lacks, turned into ones it does right.
#pragma once

#ifndef __EMSCRIPTEN__
#error "web/gl/ is for the emscripten build only; native builds use libepoxy"
#endif

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <vector>

namespace web_gl {

// The emulation ignores glTexEnvf altogether; the texture mode arrives through glTexEnvi.
inline void texEnvf(GLenum target, GLenum name, GLfloat value) {
    glTexEnvi(target, name, GLint(value));
}

// The emulation reads client-side GL_UNSIGNED_INT indices as 16-bit ones:
// they are narrowed here first (every mesh has fewer than 65536 vertices).
inline void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    if (type != GL_UNSIGNED_INT) {
        glDrawElements(mode, count, type, indices);
        return;
    }
    static std::vector<uint16_t> narrowed;
    const uint32_t* wide = static_cast<const uint32_t*>(indices);
    narrowed.assign(wide, wide + count);
    glDrawElements(mode, count, GL_UNSIGNED_SHORT, narrowed.data());
}

// WebGL has no attribute stack. The demo pushes GL_VIEWPORT_BIT (the render
// target's passes) and GL_SCISSOR_BIT (start-up's unseen frames): the
// viewport, and the scissor test with its box, are what is kept; other bits
// are not saved.
struct PushedAttributes {
    GLbitfield mask;
    GLint viewport[4];
    GLboolean scissorTest;
    GLint scissorBox[4];
};
inline std::vector<PushedAttributes>& attributeStack() {
    static std::vector<PushedAttributes> stack;
    return stack;
}
inline void pushAttrib(GLbitfield mask) {
    PushedAttributes pushed{mask, {0, 0, 0, 0}, GL_FALSE, {0, 0, 0, 0}};
    if (mask & GL_VIEWPORT_BIT) glGetIntegerv(GL_VIEWPORT, pushed.viewport);
    if (mask & GL_SCISSOR_BIT) {
        pushed.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
        glGetIntegerv(GL_SCISSOR_BOX, pushed.scissorBox);
    }
    attributeStack().push_back(pushed);
}
inline void popAttrib() {
    if (attributeStack().empty()) return;
    const PushedAttributes pushed = attributeStack().back();
    attributeStack().pop_back();
    if (pushed.mask & GL_VIEWPORT_BIT)
        glViewport(pushed.viewport[0], pushed.viewport[1], pushed.viewport[2], pushed.viewport[3]);
    if (pushed.mask & GL_SCISSOR_BIT) {
        (pushed.scissorTest ? glEnable : glDisable)(GL_SCISSOR_TEST);
        glScissor(pushed.scissorBox[0], pushed.scissorBox[1], pushed.scissorBox[2], pushed.scissorBox[3]);
    }
}

// WebGL's unsized GL_DEPTH_COMPONENT renderbuffer is incomplete; 16 bits is
// what the window's own depth buffer has.
inline void renderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height) {
    glRenderbufferStorage(target, format == GL_DEPTH_COMPONENT ? GL_DEPTH_COMPONENT16 : format,
                          width, height);
}

// The emulation has no glGetDoublev: the matrices it keeps are single
// precision anyway, so the floats widened lose nothing. Matrix queries only
// (16 values); other names are not asked for in doubles.
inline void getDoublev(GLenum name, GLdouble* values) {
    GLfloat floats[16] = {};
    glGetFloatv(name, floats);
    for (int i = 0; i < 16; ++i) values[i] = floats[i];
}

// WebGL knows only the mipmap and derivative hints; the fixed pipeline's
// quality hints (perspective correction, point smoothing) have nothing to
// steer there and would each log an INVALID_ENUM.
inline void hint(GLenum target, GLenum mode) {
    if (target == GL_GENERATE_MIPMAP_HINT || target == GL_FRAGMENT_SHADER_DERIVATIVE_HINT)
        glHint(target, mode);
}

// What the emulation cannot be asked: it answers glIsEnabled for texturing
// and texture generation with 0, and WebGL knows neither GL_BLEND_SRC/DST nor
// GL_CURRENT_COLOR. The stand-in keeps its own copy of these as they are set,
// and answers from it, so that state saved and restored (the timeline bar's)
// comes back as it was.
struct TrackedState {
    bool texture2d = false, textureGenS = false, textureGenT = false;
    GLint blendSource = GL_ONE, blendDestination = GL_ZERO;
    GLfloat colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};
inline TrackedState& tracked() {
    static TrackedState state;
    return state;
}
inline bool* trackedCapability(GLenum cap) {
    switch (cap) {
    case GL_TEXTURE_2D: return &tracked().texture2d;
    case GL_TEXTURE_GEN_S: return &tracked().textureGenS;
    case GL_TEXTURE_GEN_T: return &tracked().textureGenT;
    default: return nullptr;
    }
}
inline void enable(GLenum cap) {
    if (bool* on = trackedCapability(cap)) *on = true;
    glEnable(cap);
}
inline void disable(GLenum cap) {
    if (bool* on = trackedCapability(cap)) *on = false;
    glDisable(cap);
}
inline GLboolean isEnabled(GLenum cap) {
    if (const bool* on = trackedCapability(cap)) return *on ? GL_TRUE : GL_FALSE;
    return glIsEnabled(cap);
}
inline void blendFunc(GLenum source, GLenum destination) {
    tracked().blendSource = GLint(source);
    tracked().blendDestination = GLint(destination);
    glBlendFunc(source, destination);
}
inline void getIntegerv(GLenum name, GLint* values) {
    if (name == GL_BLEND_SRC) *values = tracked().blendSource;
    else if (name == GL_BLEND_DST) *values = tracked().blendDestination;
    else glGetIntegerv(name, values);
}
inline void getFloatv(GLenum name, GLfloat* values) {
    if (name != GL_CURRENT_COLOR) {
        glGetFloatv(name, values);
        return;
    }
    for (int i = 0; i < 4; ++i) values[i] = tracked().colour[i];
}
inline void color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    const GLfloat rgba[4] = {r, g, b, a};
    for (int i = 0; i < 4; ++i) tracked().colour[i] = rgba[i];
    glColor4f(r, g, b, a);
}
inline void color4fv(const GLfloat* rgba) { color4f(rgba[0], rgba[1], rgba[2], rgba[3]); }
inline void color3f(GLfloat r, GLfloat g, GLfloat b) { color4f(r, g, b, 1.0f); }
inline void color3ub(GLubyte r, GLubyte g, GLubyte b) { color4f(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f); }

}  // namespace web_gl

#define glEnable web_gl::enable
#define glDisable web_gl::disable
#define glIsEnabled web_gl::isEnabled
#define glBlendFunc web_gl::blendFunc
#define glGetIntegerv web_gl::getIntegerv
#define glGetFloatv web_gl::getFloatv
#define glColor4f web_gl::color4f
#define glColor4fv web_gl::color4fv
#define glColor3f web_gl::color3f
#define glColor3ub web_gl::color3ub
#define glTexEnvf web_gl::texEnvf
#define glDrawElements web_gl::drawElements
#define glPushAttrib web_gl::pushAttrib
#define glPopAttrib web_gl::popAttrib
#define glHint web_gl::hint
#define glGetDoublev web_gl::getDoublev

// The framebuffer object calls under their EXT names do not link; the core
// calls they were promoted to take the same arguments and enum values.
#define glGenFramebuffersEXT glGenFramebuffers
#define glDeleteFramebuffersEXT glDeleteFramebuffers
#define glBindFramebufferEXT glBindFramebuffer
#define glCheckFramebufferStatusEXT glCheckFramebufferStatus
#define glFramebufferTexture2DEXT glFramebufferTexture2D
#define glFramebufferRenderbufferEXT glFramebufferRenderbuffer
#define glGenRenderbuffersEXT glGenRenderbuffers
#define glDeleteRenderbuffersEXT glDeleteRenderbuffers
#define glBindRenderbufferEXT glBindRenderbuffer
#define glRenderbufferStorageEXT web_gl::renderbufferStorage

// The demo asks libepoxy whether the framebuffer extension is there; WebGL 2
// always has framebuffer objects.
inline bool epoxy_has_gl_extension(const char*) { return true; }
inline int epoxy_gl_version() { return 30; }
