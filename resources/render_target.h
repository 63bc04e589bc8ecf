// Framebuffer objects: the render target (renderTex1 as colour attachment and
// a 512x512 depth renderbuffer, for drawing into a texture) and any other
// framebuffer a target draws into instead of the window, from one builder.
#pragma once

extern unsigned int sceneFramebuffer;        // 0 until created
extern unsigned int sceneDepthRenderbuffer;  // 0 until created
// What a pass returns to: 0, the window, in live play; the off-screen surface
// standing in for the screen when capturing to video.
extern unsigned int screenFramebuffer;

// A framebuffer object's GL names; 0 for what it does not have.
struct Framebuffer {
    unsigned int name = 0;
    unsigned int colourRenderbuffer = 0;  // 0 when a texture is the colour attachment
    unsigned int depthRenderbuffer = 0;
};

// Builds `fb` of width x height: a depth renderbuffer of `depthFormat`, and
// as colour `colourTexture` (a texture of that size) or, when it is 0, an
// RGBA8 renderbuffer. Colour is attached before depth and completeness is
// asked after both; the framebuffer stays bound, also when it turns out
// incomplete. False when incomplete; the names are set either way, for
// deleteFramebuffer. Needs the extension (framebufferExtensionAvailable).
bool buildFramebuffer(Framebuffer& fb, unsigned int colourTexture, int width, int height,
                      unsigned int depthFormat);
// Deletes what buildFramebuffer made (context current) and zeroes the names.
void deleteFramebuffer(Framebuffer& fb);

// False when the driver lacks the extension or the framebuffer is incomplete;
// the caller reports it.
bool createRenderTarget();
// Deletes the framebuffer and its depth renderbuffer (context current).
void deleteRenderTarget();
void beginRenderToTexture();
void endRenderToTexture();
// renderTex1 back to transparent black, as the target starts (renderTex1 not bound).
void clearRenderTarget();

// True when the driver offers GL_EXT_framebuffer_object; no entry point of the
// extension is called otherwise.
bool framebufferExtensionAvailable();
