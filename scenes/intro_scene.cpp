// First scene: mesh A sphere-mapped with the spiral under the group logo,
// which jumps with the spectrum, then the still title image, then one black
// frame as it hands over. Reads musicBytePos, spinPhase, fftBins[1] and [4].
#include <epoxy/gl.h>

#include "audio/music.h"
#include "resources/textures.h"
#include "scenes/scene_conventions.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"

namespace {
constexpr float LOGO_X            = -1.5f;   // rest position of the logo
constexpr float LOGO_Z            = -5.5f;
constexpr float LOGO_BIN1_X       = 1.8f;    // logo shift per unit of fftBins[1], right
constexpr float LOGO_BIN4_Y       = 1.0f;    // logo shift per unit of fftBins[4], up
constexpr float LOGO_RIGHT_EDGE   = 4.0f;
constexpr float TITLE_X           = -0.35f;
constexpr float TITLE_Z           = -2.4f;
constexpr float TITLE_RIGHT_EDGE  = 1.68f;
constexpr float CUT_OUT_REFERENCE = 0.82f;

void drawLogoPart() {
    drawSphereMappedMeshA(GL_REPLACE, texSpiral);

    beginLayer();
    glTranslatef(LOGO_X, 0.0f, LOGO_Z);
    glTranslatef(fftBins[1] * LOGO_BIN1_X, fftBins[4] * LOGO_BIN4_Y, 0.0f);
    beginCutOut();
    setCutOutReference(CUT_OUT_REFERENCE);
    glBindTexture(GL_TEXTURE_2D, texGroupLogo);
    drawQuadWithRightEdge(LOGO_RIGHT_EDGE);
}

// Draws under the texture mode the logo part left (GL_REPLACE).
void drawTitlePart() {
    glTranslatef(TITLE_X, 0.0f, TITLE_Z);
    beginCutOut();
    setCutOutReference(CUT_OUT_REFERENCE);
    glBindTexture(GL_TEXTURE_2D, texTitle);
    drawQuadWithRightEdge(TITLE_RIGHT_EDGE);
}
}  // namespace

int IntroScene() {
    if (introInactive) return 0;
    beginFrame();
    if (musicBytePos >= LOGO_PART_FROM && musicBytePos < LOGO_PART_UNTIL) drawLogoPart();
    if (musicBytePos >= TITLE_PART_FROM && musicBytePos < TITLE_PART_UNTIL) drawTitlePart();
    endCutOut();
    runEndTest(introEnd, introInactive, &spinInactive);
    return 1;
}
