// The render target: one framebuffer object with renderTex1 as colour
// attachment and a 512x512 depth renderbuffer, for drawing into a texture.
#pragma once

extern unsigned int sceneFramebuffer;        // 0 until created
extern unsigned int sceneDepthRenderbuffer;  // 0 until created
// What a pass returns to: 0, the window, in live play; the off-screen surface
// standing in for the screen when capturing to video.
extern unsigned int screenFramebuffer;

// False when the driver lacks the extension or the framebuffer is incomplete;
// the caller reports it.
bool createRenderTarget();
// Deletes the framebuffer and its depth renderbuffer (context current).
void deleteRenderTarget();
void beginRenderToTexture();
void endRenderToTexture();

// True when the driver offers GL_EXT_framebuffer_object; no entry point of the
// extension is called otherwise.
bool framebufferExtensionAvailable();
