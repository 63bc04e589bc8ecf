// Draw routines of the three strip meshes: client-side vertex and normal
// arrays straight from the compiled-in tables, one indexed draw per strip.
// Reads only the tables; sets array state and, for meshes A and B, the colour.
#include <epoxy/gl.h>

#include "meshes/meshes.h"

namespace {

// The arrays stay enabled afterwards on purpose: later meshes and the scenes'
// glBegin quads rely on nothing being switched back off.
void drawStrips(const StripMesh& mesh, bool darken) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, mesh.normals);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.vertices);
    if (darken) glColor3f(0.3f, 0.3f, 0.3f);  // what GL_MODULATE scenes dim by
    const uint32_t* strip = mesh.indices;
    for (std::size_t i = 0; i < mesh.stripCount; ++i) {
        glDrawElements(GL_TRIANGLE_STRIP, GLsizei(mesh.stripLengths[i]), GL_UNSIGNED_INT, strip);
        strip += mesh.stripLengths[i];
    }
}

}  // namespace

int drawMeshA() {
    drawStrips(meshA, true);
    return 1;
}

int drawMeshB() {
    drawStrips(meshB, true);
    return 1;
}

// Mesh C keeps whatever colour the last drawMeshA or drawMeshB left.
int drawMeshC() {
    drawStrips(meshC, false);
    return 1;
}
