// Fourth scene: first the swaying photo with the banner cut out in front,
// then mesh A spinning about the eye with mesh C in front, sphere-mapped with
// a turning texWave square rendered into renderTex1 earlier in the same frame.
// Reads musicBytePos, spinPhase, musicSeconds, fftBins[0], [1] and [3].
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "meshes/meshes.h"
#include "resources/render_target.h"
#include "resources/textures.h"
#include "scenes/scene_conventions.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"

namespace {
constexpr float PHOTO_SWAY_OFFSET   = 1.4f;   // subtracted from sin(musicSeconds)
constexpr float PHOTO_Z             = -2.4f;
constexpr float PHOTO_RIGHT_EDGE    = 4.0f;
constexpr float BANNER_X            = -2.3f;
constexpr float BANNER_Y            = -1.5f;
constexpr float BANNER_Z            = -5.5f;
constexpr float BANNER_BIN1_X       = 0.8f;   // banner shift per unit of fftBins[1]
constexpr float BANNER_BIN0_Y       = 0.5f;   // banner shift per unit of fftBins[0]
constexpr float CUT_OUT_REFERENCE   = 0.4f;
constexpr float BANNER_RIGHT_EDGE   = 5.0f;
constexpr float SQUARE_Z            = -1.3f;  // the square drawn into renderTex1
constexpr float SQUARE_TURN         = 150.0f; // degrees per unit of spinPhase
constexpr float SQUARE_RIGHT_EDGE   = 1.0f;
constexpr float MESH_C_Z            = -3.4f;
constexpr float MESH_C_TUMBLE       = 60.0f;  // degrees per second of music, about x then y
constexpr float MESH_C_BIN1_X       = 0.5f;   // shake along mesh C's own rotated axes
constexpr float MESH_C_BIN3_Y       = 2.0f;
constexpr float MESH_C_BIN0_Z       = 0.5f;

// Draws under the mode GreetingsScene left in force (GL_REPLACE), with no cut-out.
void drawPhotoPart() {
    glBindTexture(GL_TEXTURE_2D, texPhoto);
    // Double-precision sine minus the float offset, narrowed once.
    const double sway = std::sin(static_cast<double>(musicSeconds)) - PHOTO_SWAY_OFFSET;
    glTranslatef(static_cast<float>(sway), 0.0f, PHOTO_Z);
    drawQuadWithRightEdge(PHOTO_RIGHT_EDGE);

    beginLayer();
    glTranslatef(BANNER_X, BANNER_Y, BANNER_Z);
    glTranslatef(BANNER_BIN1_X * fftBins[1], BANNER_BIN0_Y * fftBins[0], 0.0f);
    beginCutOut();
    setCutOutReference(CUT_OUT_REFERENCE);
    glBindTexture(GL_TEXTURE_2D, texBanner);
    drawQuadWithRightEdge(BANNER_RIGHT_EDGE);
    endCutOut();
}

// Sphere mapping stays on through the pass, so the square's texture
// coordinates are generated, not the quad's own.
// Placed from the identity; the depth buffer is the caller's to clear.
void drawSquare() {
    glBindTexture(GL_TEXTURE_2D, texWave);
    glTranslatef(0.0f, 0.0f, SQUARE_Z);
    glRotatef(spinPhase * SQUARE_TURN, 0.0f, 0.0f, 1.0f);
    drawQuadWithRightEdge(SQUARE_RIGHT_EDGE);
}

void renderSquareIntoTarget() {
    beginRenderToTexture();
    beginLayer();  // renderTex1 keeps the colour of earlier passes
    drawSquare();
    endRenderToTexture();
}

void drawRenderTargetPart() {
    sphereMappingOn(GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, texStrip);
    glTranslatef(0.0f, 0.0f, 0.0f);  // mesh A stays around the eye
    applyStandardSpin();
    drawMeshA();

    renderSquareIntoTarget();

    beginLayer();
    const float tumble = musicSeconds * MESH_C_TUMBLE;
    glTranslatef(0.0f, 0.0f, MESH_C_Z);
    glRotatef(tumble, 1.0f, 0.0f, 0.0f);
    glRotatef(tumble, 0.0f, 1.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, renderTex1);
    glDisable(GL_BLEND);
    sphereMappingOn(GL_REPLACE);
    glTranslatef(MESH_C_BIN1_X * fftBins[1], MESH_C_BIN3_Y * fftBins[3],
                 MESH_C_BIN0_Z * fftBins[0]);
    drawMeshC();
    sphereMappingOff();
}

// Whether the square, whatever its turn, covers all of renderTex1: the
// target's corners, at the square's depth under the projection in force, lie
// well inside the circle the square's sides touch. With the 4:3 picture's
// projection they lie at about 0.9 of its radius.
bool squareCoversTarget() {
    constexpr double SQUARE_INNER_RADIUS = 1.0;  // half the side: the quad spans -1..1 both ways
    constexpr double EDGE_MARGIN = 0.99;         // clear of the rasteriser's edge rules
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const double depth = -SQUARE_Z;
    if (m[0] == 0.0 || m[5] == 0.0) return false;
    for (double sx : {-1.0, 1.0})
        for (double sy : {-1.0, 1.0}) {
            // Eye-space x, y whose clip coordinates land on that corner of the viewport.
            const double x = (sx * depth + m[8] * depth) / m[0];
            const double y = (sy * depth + m[9] * depth) / m[5];
            if (std::hypot(x, y) > SQUARE_INNER_RADIUS * EDGE_MARGIN) return false;
        }
    return true;
}

}  // namespace

// The square turns by spinPhase * SQUARE_TURN degrees, a whole turn every
// 480000 bytes; each pass draws over the last, so what the target shows is
// the sum of the last turn's passes. They are replayed at 60 frames a second,
// with one binding of the target and one depth clear for all of them: every
// square lies at the same depth, so under GL_LEQUAL each still covers the
// ones before it as after a clear of its own (a clear costs llvmpipe a few
// milliseconds, a square far less). Where every pass covers the whole target
// (the 4:3 picture's projection), the last pass alone decides every texel and
// is the only one drawn: a start or seek there costs one square, not 163.
void replayRenderTargetHistory(double position) {
    constexpr double TURN_BYTES = 480000.0;   // 360 / SQUARE_TURN units of spinPhase
    constexpr double STEP_BYTES = MUSIC_BYTES_PER_SECOND / 60.0;
    if (position < RENDER_PART_FROM || position >= RENDER_PART_UNTIL) return;
    const double from = std::max(double(RENDER_PART_FROM), position - TURN_BYTES);
    const bool lastPassAlone = squareCoversTarget();
    sphereMappingOn(GL_REPLACE);
    beginRenderToTexture();
    beginLayer();
    for (double p = from; p < position; p += STEP_BYTES) {
        if (lastPassAlone && p + STEP_BYTES < position) continue;
        setFrameInput({MUSIC_BYTES_PER_FRAME * static_cast<uint64_t>(p / MUSIC_BYTES_PER_FRAME), {}, {}});
        glLoadIdentity();
        drawSquare();
    }
    endRenderToTexture();
    sphereMappingOff();
}

int RenderTargetScene() {
    if (renderTargetInactive) return 0;
    beginFrame();
    if (musicBytePos >= PHOTO_PART_FROM && musicBytePos < PHOTO_PART_UNTIL) drawPhotoPart();
    if (musicBytePos >= RENDER_PART_FROM && musicBytePos < RENDER_PART_UNTIL)
        drawRenderTargetPart();
    runEndTest(renderTargetEnd, renderTargetInactive, &lyricsInactive);
    return 1;
}
