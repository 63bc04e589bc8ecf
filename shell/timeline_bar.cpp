// The timeline bar over the picture. It saves and restores exactly the state
// it changes (the enables, the blend function, the current colour, which the
// scenes carry from frame to frame, both matrices and the matrix mode) rather
// than trusting an attribute push, which the web build's GL emulation keeps
// only in part.
#include "shell/timeline_bar.h"

#include <epoxy/gl.h>
#include <SDL.h>

#include <algorithm>

#include "scenes/timeline.h"

uint64_t timelineBarUntilMs = 0;  // SDL ticks, ms; 0: hidden
bool timelineBarEnabled = true;

namespace {

// In the picture's own units, 0..1 across and up the 4:3 viewport.
constexpr float BAR_LEFT = 0.04f, BAR_RIGHT = 0.96f;
constexpr float BAR_BOTTOM = 0.03f, BAR_TOP = 0.045f;
constexpr float MARK_OVERHANG = 0.008f;  // part marks reach this far above and below
constexpr float MARK_HALF_WIDTH = 0.0012f;

// The capabilities the bar turns off or on, in the order it sets them.
constexpr GLenum TOUCHED_CAPABILITIES[] = {GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                                           GL_DEPTH_TEST, GL_ALPHA_TEST, GL_BLEND};
constexpr int TOUCHED_COUNT = int(sizeof TOUCHED_CAPABILITIES / sizeof TOUCHED_CAPABILITIES[0]);

struct SavedState {
    GLboolean enabled[TOUCHED_COUNT];
    GLint blendSource, blendDestination;
    GLfloat colour[4];
    GLint matrixMode;
};

SavedState saveTouchedState() {
    SavedState saved = {};
    for (int i = 0; i < TOUCHED_COUNT; ++i) saved.enabled[i] = glIsEnabled(TOUCHED_CAPABILITIES[i]);
    glGetIntegerv(GL_BLEND_SRC, &saved.blendSource);
    glGetIntegerv(GL_BLEND_DST, &saved.blendDestination);
    glGetFloatv(GL_CURRENT_COLOR, saved.colour);
    glGetIntegerv(GL_MATRIX_MODE, &saved.matrixMode);
    return saved;
}

void restoreTouchedState(const SavedState& saved) {
    for (int i = 0; i < TOUCHED_COUNT; ++i)
        saved.enabled[i] ? glEnable(TOUCHED_CAPABILITIES[i]) : glDisable(TOUCHED_CAPABILITIES[i]);
    glBlendFunc(GLenum(saved.blendSource), GLenum(saved.blendDestination));
    glColor4fv(saved.colour);
    glMatrixMode(GLenum(saved.matrixMode));
}

void fillRect(float x0, float y0, float x1, float y1, float r, float g, float b, float a) {
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

float barX(double bytes) {
    const double share = std::clamp(bytes / TIMELINE_END, 0.0, 1.0);
    return BAR_LEFT + float(share) * (BAR_RIGHT - BAR_LEFT);
}

}  // namespace

void showTimelineBar() { timelineBarUntilMs = SDL_GetTicks64() + TIMELINE_BAR_SHOWN_MS; }

void drawTimelineBarIfShown(double positionBytes) {
    if (timelineBarUntilMs == 0) return;
    if (SDL_GetTicks64() >= timelineBarUntilMs) {
        timelineBarUntilMs = 0;
        return;
    }
    if (timelineBarEnabled) drawTimelineBar(positionBytes);
}

void drawTimelineBar(double positionBytes) {
    const SavedState saved = saveTouchedState();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    fillRect(BAR_LEFT, BAR_BOTTOM, BAR_RIGHT, BAR_TOP, 0.15f, 0.15f, 0.15f, 0.7f);
    fillRect(BAR_LEFT, BAR_BOTTOM, barX(positionBytes), BAR_TOP, 0.95f, 0.95f, 0.95f, 0.9f);
    for (const ViewerPart& part : VIEWER_PARTS.parts) {
        const float x = barX(part.first);
        fillRect(x - MARK_HALF_WIDTH, BAR_BOTTOM - MARK_OVERHANG, x + MARK_HALF_WIDTH,
                 BAR_TOP + MARK_OVERHANG, 1.0f, 0.8f, 0.2f, 1.0f);
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    restoreTouchedState(saved);
}
