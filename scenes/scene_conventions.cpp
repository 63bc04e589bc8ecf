// Drawing conventions shared by the five scenes, and their end test.
// Reads spinPhase (standard spin), musicBytePos (end test) and sphereMapOnCpu.
#include "scenes/scene_conventions.h"

#include "audio/music.h"
#include "meshes/meshes.h"

namespace {
// How far in front of the eye mesh A turns.
constexpr float MESH_A_DISTANCE = -2.0f;
// Standard spin: degrees of turn and axis lean per unit of spinPhase.
constexpr float SPIN_ANGLE_FACTOR  = 10.1f;
constexpr float SPIN_AXIS_X_FACTOR = 15.1f;
constexpr float SPIN_AXIS_Y_FACTOR = 10.1f;
}  // namespace

void beginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void beginLayer() {
    glClear(GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

// With sphereMapOnCpu the meshes pass the coordinates themselves (a GL
// without texgen); otherwise GL generates them.
void sphereMappingOn(GLenum mode) {
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(mode));
    if (sphereMapOnCpu) {
        cpuSphereMapActive = true;
        return;
    }
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void sphereMappingOff() {
    if (sphereMapOnCpu) {
        cpuSphereMapActive = false;
        return;
    }
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

void applyStandardSpin() {
    glRotatef(spinPhase * SPIN_ANGLE_FACTOR, spinPhase * SPIN_AXIS_X_FACTOR,
              spinPhase * SPIN_AXIS_Y_FACTOR, 1.0f);
}

void drawSphereMappedMeshA(GLenum mode, unsigned int texture) {
    sphereMappingOn(mode);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTranslatef(0.0f, 0.0f, MESH_A_DISTANCE);
    applyStandardSpin();
    drawMeshA();
    sphereMappingOff();
}

void drawQuadWithRightEdge(float r) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(r, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(r, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glEnd();
}

void beginCutOut() { glEnable(GL_ALPHA_TEST); }

void setCutOutReference(float reference) { glAlphaFunc(GL_GREATER, reference); }

void endCutOut() { glDisable(GL_ALPHA_TEST); }

void runEndTest(double threshold, bool& ownInactive, bool* nextInactive) {
    if (musicBytePos >= threshold) {
        ownInactive = true;
        if (nextInactive) *nextInactive = false;
    }
}
