// The stage every target draws the timeline on: the demo window's context
// (the player), or a hidden window's context drawing into an off-screen
// framebuffer of the output size (capture); on either, the fixed GL state,
// the textures and the render target (and, through shell/viewport.h, the
// picture's viewport and projection); and one teardown for both.
#pragma once
#include <cstdint>
#include <string>

#include "shell/viewport.h"

// The window's title, which a capture's file takes as its own.
extern const char* const DEMO_TITLE;

// The player's stage as demoOptions asks for it: the demo window and its
// context and fixed GL state, with the catalogue's images decoded on a worker
// meanwhile and uploaded once the context is current, then the render target. False after the failure has been reported in its boxes (a
// render target that fails ends it with "Initialization Failed."), with
// nothing left open.
bool openDemoPicture();
// The render target, or its failure box: false then.
bool startRenderTarget();

// An off-screen stage of width x height pixels standing in for the screen,
// with the 4:3 picture centred in it: OFFSCREEN_SURFACES framebuffers, so
// that one is read back while the next frame is drawn into another. "" when
// open; else the reason, with nothing left open. No box is ever shown: its
// text goes to stderr.
constexpr int OFFSCREEN_SURFACES = 2;
std::string openOffscreenStage(int width, int height);
// The off-screen framebuffer that frame k (counted from 0) is drawn into.
unsigned int offscreenSurfaceOf(uint64_t frame);
// Makes it the screen that passes return to, and binds it.
void drawOnOffscreenSurfaceOf(uint64_t frame);

// Render target, off-screen surface, textures and window released, in that
// order; whichever stage is open.
void closeStage();
