// Second scene: mesh B under the standard spin, and mesh A in front of it
// swinging and tumbling on a sine of elapsedSeconds (not of the music) while
// it jumps with the spectrum. Reads musicBytePos, spinPhase, fftBins[1],
// elapsedSeconds.
#include <epoxy/gl.h>

#include <cmath>

#include "audio/music.h"
#include "meshes/meshes.h"
#include "resources/textures.h"
#include "scenes/scene_conventions.h"
#include "scenes/scenes.h"

namespace {
constexpr float MESH_B_DISTANCE = -2.0f;
constexpr float SWING_AMPLITUDE = 1.1f;   // x of mesh A per unit of the sine
constexpr float MESH_A_DISTANCE = -10.0f;
constexpr float JUMP_BIN1_X     = 1.8f;   // mesh A shift per unit of fftBins[1]
constexpr float JUMP_BIN1_Y     = 1.5f;
constexpr float TUMBLE_FACTOR   = 50.0f;  // degrees per unit of the sine (x, y); per second (z)

void drawSwingingMeshA() {
    // The sine stays double; each product with a float factor is narrowed once.
    const double s = std::sin(static_cast<double>(elapsedSeconds));
    glTranslatef(static_cast<float>(s * SWING_AMPLITUDE), 0.0f, MESH_A_DISTANCE);
    glTranslatef(fftBins[1] * JUMP_BIN1_X, fftBins[1] * JUMP_BIN1_Y, 0.0f);
    glRotatef(static_cast<float>(s * TUMBLE_FACTOR), 1.0f, 0.0f, 0.0f);
    glRotatef(static_cast<float>(s * TUMBLE_FACTOR), 0.0f, 1.0f, 0.0f);
    glRotatef(elapsedSeconds * TUMBLE_FACTOR, 0.0f, 0.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, texSpiral);
    drawMeshA();
}
}  // namespace

int SpinScene() {
    if (spinInactive) return 0;
    runEndTest(spinEnd, spinInactive, &greetingsInactive);

    sphereMappingOn(GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, texEnvA);
    beginFrame();
    glTranslatef(0.0f, 0.0f, MESH_B_DISTANCE);
    applyStandardSpin();
    drawMeshB();

    // Mesh A covers mesh B wherever they overlap, though it lies further back.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
    beginLayer();
    drawSwingingMeshA();
    sphereMappingOff();
    return 1;
}
