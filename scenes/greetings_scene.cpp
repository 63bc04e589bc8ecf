// Third scene: mesh A dimmed to 30 per cent under the standard spin, and in
// front of it a thanks image cut out by the alpha test, jumping with the
// spectrum; texThanks first, texThanksGroups later. Reads musicBytePos,
// spinPhase, fftBins[6] and [7].
#include <epoxy/gl.h>

#include "audio/music.h"
#include "resources/textures.h"
#include "scenes/scene_conventions.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"

namespace {
constexpr float IMAGE_DISTANCE    = -2.0f;
constexpr float IMAGE_BIN7_X      = 0.8f;   // image shift per unit of fftBins[7], right
constexpr float IMAGE_BIN6_Y      = 0.5f;   // image shift per unit of fftBins[6], up
constexpr float CUT_OUT_REFERENCE = 0.4f;
constexpr float IMAGE_RIGHT_EDGE  = 1.0f;
}  // namespace

int GreetingsScene() {
    if (greetingsInactive) return 0;
    beginFrame();
    // GL_MODULATE with the colour drawMeshA sets, (0.3, 0.3, 0.3), dims the mesh.
    drawSphereMappedMeshA(GL_MODULATE, texEnvA);

    beginLayer();
    glBindTexture(GL_TEXTURE_2D,
                  musicBytePos >= THANKS_GROUPS_FROM ? texThanksGroups : texThanks);
    // Full brightness for the image whatever the current colour; the render-target
    // scene's photo part relies on this mode being left in force.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
    glTranslatef(0.0f, 0.0f, IMAGE_DISTANCE);
    glTranslatef(fftBins[7] * IMAGE_BIN7_X, fftBins[6] * IMAGE_BIN6_Y, 0.0f);
    beginCutOut();
    setCutOutReference(CUT_OUT_REFERENCE);
    drawQuadWithRightEdge(IMAGE_RIGHT_EDGE);
    endCutOut();

    runEndTest(greetingsEnd, greetingsInactive, &renderTargetInactive);
    return 1;
}
