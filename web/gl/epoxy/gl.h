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

#include <emscripten/em_asm.h>

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
// viewport, and the scissor test with its box, are what is kept. Any other bit
// would come back unrestored: the test link (web_main.cpp built with
// WEB_GL_CHECKS) stops there with the bits named; the page's link goes on.
constexpr GLbitfield KEPT_ATTRIBUTE_BITS = GL_VIEWPORT_BIT | GL_SCISSOR_BIT;
void reportUnkeptAttributes(GLbitfield bits);  // web/web_main.cpp
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
    if (mask & ~KEPT_ATTRIBUTE_BITS) reportUnkeptAttributes(mask & ~KEPT_ATTRIBUTE_BITS);
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

// What the emulation does not answer itself goes to WebGL, which knows the
// blend factors only per colour and alpha, and no current colour: those are
// answered here (the timeline bar saves them before it draws).
inline void getIntegerv(GLenum name, GLint* values) {
    if (name == GL_BLEND_SRC) name = GL_BLEND_SRC_RGB;
    else if (name == GL_BLEND_DST) name = GL_BLEND_DST_RGB;
    glGetIntegerv(name, values);
}
inline void getFloatv(GLenum name, GLfloat* values) {
    if (name != GL_CURRENT_COLOR) {
        glGetFloatv(name, values);
        return;
    }
    // The colour glColor* last set, as the emulation keeps it for its shaders.
    EM_ASM({ HEAPF32.set(GLImmediate.clientColor, $0 >> 2); }, values);
}

// The emulation keeps texturing's enable in its own texture units and answers
// 0 when asked through glIsEnabled: the timeline bar would then restore the
// scenes' texturing as off. Texture generation is not emulated at all (0 is
// the truth there).
inline GLboolean isEnabled(GLenum cap) {
    if (cap != GL_TEXTURE_2D) return glIsEnabled(cap);
    GLint unit = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    return EM_ASM_INT({ return GLImmediate.TexEnvJIT.getTexUnitType($0) == 0x0DE1 ? 1 : 0; },
                      unit - GL_TEXTURE0) ? GL_TRUE : GL_FALSE;
}

// The emulation has no glGetDoublev: the matrices it keeps are single
// precision anyway, so the floats widened lose nothing. Matrix queries only
// (16 values); other names are not asked for in doubles.
inline void getDoublev(GLenum name, GLdouble* values) {
    GLfloat floats[16] = {};
    getFloatv(name, floats);
    for (int i = 0; i < 16; ++i) values[i] = floats[i];
}

// WebGL knows only the mipmap and derivative hints; the fixed pipeline's
// quality hints (perspective correction, point smoothing) have nothing to
// steer there and would each log an INVALID_ENUM.
inline void hint(GLenum target, GLenum mode) {
    if (target == GL_GENERATE_MIPMAP_HINT || target == GL_FRAGMENT_SHADER_DERIVATIVE_HINT)
        glHint(target, mode);
}

// The emulation has no flat shading and logs a notice for every call;
// smooth is GL's default and what the demo asks for, so that call is dropped.
inline void shadeModel(GLenum mode) {
    if (mode != GL_SMOOTH) glShadeModel(mode);
}

}  // namespace web_gl

#define glTexEnvf web_gl::texEnvf
#define glDrawElements web_gl::drawElements
#define glPushAttrib web_gl::pushAttrib
#define glPopAttrib web_gl::popAttrib
#define glHint web_gl::hint
#define glGetDoublev web_gl::getDoublev
#define glGetIntegerv web_gl::getIntegerv
#define glGetFloatv web_gl::getFloatv
#define glIsEnabled web_gl::isEnabled
#define glShadeModel web_gl::shadeModel

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
