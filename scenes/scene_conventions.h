// Drawing conventions every scene shares: frame start and layers, sphere
// mapping, the standard spin read from spinPhase, mesh A's sphere-mapped
// layer, the image quad with its right edge at R, alpha-test cut-outs, and
// the end test of the handover.
#pragma once
#include <epoxy/gl.h>

// Clears colour and depth and loads the identity: the start of every drawn frame.
void beginFrame();
// Clears depth only and loads the identity, so what follows is placed afresh
// and never hidden by what was drawn before, which stays on screen.
void beginLayer();

// Generated sphere-map texture coordinates under `mode` (GL_REPLACE or
// GL_MODULATE); the meshes carry normals but no texture coordinates.
void sphereMappingOn(GLenum mode);
void sphereMappingOff();

// Rotation by spinPhase * 10.1 degrees about (spinPhase * 15.1, spinPhase * 10.1, 1),
// each argument a single-precision product.
void applyStandardSpin();

// Mesh A sphere-mapped with `texture` under `mode`, 2 units in front of the
// eye under the standard spin, on the modelview the frame or layer began with;
// leaves that modelview moved and the texture bound.
void drawSphereMappedMeshA(GLenum mode, unsigned int texture);

// The bound texture stretched over x in [-1, r], y in [-1, 1], z = 0.
void drawQuadWithRightEdge(float r);

// Cut-outs by the alpha test alone (blending is never on): fragments pass
// when their alpha is greater than the reference.
void beginCutOut();
void setCutOutReference(float reference);
void endCutOut();

// When musicBytePos has reached `threshold`, marks this scene finished and
// opens the next one (none after the last). Every threshold is a whole number
// below 2^25, so the comparison comes out the same at float or double width.
void runEndTest(double threshold, bool& ownInactive, bool* nextInactive);
