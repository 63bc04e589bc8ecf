// Draw routines of the three strip meshes: client-side vertex and normal
// arrays straight from the compiled-in tables, one indexed draw per strip (or
// one merged list), with sphere-map texture coordinates from the CPU when GL
// has no texgen. Reads the tables, meshDrawMode, cpuSphereMapActive and the
// modelview matrix; sets array state and, for meshes A and B, the colour.
#include <epoxy/gl.h>

#include <cmath>
#include <vector>

#include "meshes/meshes.h"
#include "resources/platform.h"

MeshDrawMode meshDrawMode = IN_BROWSER ? MeshDrawMode::MergedTriangleList : MeshDrawMode::OneDrawPerStrip;
bool sphereMapOnCpu = IN_BROWSER;
bool cpuSphereMapActive = false;

namespace {

// Each strip's triangles in the order and winding GL draws them: triangle k
// of a strip is (k, k+1, k+2) for even k and (k+1, k, k+2) for odd k.
std::vector<uint16_t> mergedTriangleList(const StripMesh& mesh) {
    std::vector<uint16_t> list;
    const uint32_t* strip = mesh.indices;
    for (std::size_t i = 0; i < mesh.stripCount; ++i) {
        for (uint32_t k = 0; k + 2 < mesh.stripLengths[i]; ++k) {
            const bool odd = k % 2 == 1;
            list.push_back(uint16_t(strip[odd ? k + 1 : k]));
            list.push_back(uint16_t(strip[odd ? k : k + 1]));
            list.push_back(uint16_t(strip[k + 2]));
        }
        strip += mesh.stripLengths[i];
    }
    return list;
}

// Built on a mesh's first draw, kept for good.
const std::vector<uint16_t>& mergedListOf(const StripMesh& mesh) {
    static std::vector<uint16_t> lists[3];
    std::vector<uint16_t>& list = lists[&mesh == &meshA ? 0 : &mesh == &meshB ? 1 : 2];
    if (list.empty()) list = mergedTriangleList(mesh);
    return list;
}

// Eye-space position and normal of every vertex under the current modelview
// matrix (column-major), then each one's sphere-map coordinate. Normals go
// through the inverse transpose of the upper 3x3, as GL transforms them.
void computeSphereMapCoordinates(const StripMesh& mesh, std::vector<float>& st) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6],
                i = m[10];
    const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    const float s = det != 0.0f ? 1.0f / det : 0.0f;
    // Rows of the inverse transpose.
    const float n[9] = {(e * i - f * h) * s, (f * g - d * i) * s, (d * h - e * g) * s,
                        (c * h - b * i) * s, (a * i - c * g) * s, (b * g - a * h) * s,
                        (b * f - c * e) * s, (c * d - a * f) * s, (a * e - b * d) * s};
    st.resize(mesh.vertexCount * 2);
    for (std::size_t v = 0; v < mesh.vertexCount; ++v) {
        const float* p = mesh.vertices + 3 * v;
        const float* q = mesh.normals + 3 * v;
        const float eye[3] = {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
                              m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
                              m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
        const float normal[3] = {n[0] * q[0] + n[1] * q[1] + n[2] * q[2],
                                 n[3] * q[0] + n[4] * q[1] + n[5] * q[2],
                                 n[6] * q[0] + n[7] * q[1] + n[8] * q[2]};
        sphereMapCoordinate(eye, normal, &st[2 * v]);
    }
}

// The arrays stay enabled afterwards on purpose: later meshes and the scenes'
// glBegin quads rely on nothing being switched back off. The texture
// coordinate array of the CPU sphere map is the exception: it is this draw's own.
void drawStrips(const StripMesh& mesh, bool darken) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, mesh.normals);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.vertices);
    static std::vector<float> sphereMap;
    if (cpuSphereMapActive) {
        computeSphereMapCoordinates(mesh, sphereMap);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, sphereMap.data());
    }
    if (darken) glColor3f(0.3f, 0.3f, 0.3f);  // what GL_MODULATE scenes dim by
    if (meshDrawMode == MeshDrawMode::MergedTriangleList) {
        const std::vector<uint16_t>& list = mergedListOf(mesh);
        glDrawElements(GL_TRIANGLES, GLsizei(list.size()), GL_UNSIGNED_SHORT, list.data());
    } else {
        const uint32_t* strip = mesh.indices;
        for (std::size_t i = 0; i < mesh.stripCount; ++i) {
            glDrawElements(GL_TRIANGLE_STRIP, GLsizei(mesh.stripLengths[i]), GL_UNSIGNED_INT, strip);
            strip += mesh.stripLengths[i];
        }
    }
    if (cpuSphereMapActive) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

// u is the unit vector from the eye to the vertex, r its reflection about the
// normal: r = u - 2 n (n . u); then m = 2 |r + (0, 0, 1)|.
void sphereMapCoordinate(const float eye[3], const float normal[3], float st[2]) {
    const float length = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
    const float inverse = length > 0.0f ? 1.0f / length : 0.0f;
    const float u[3] = {eye[0] * inverse, eye[1] * inverse, eye[2] * inverse};
    const float dot = normal[0] * u[0] + normal[1] * u[1] + normal[2] * u[2];
    const float r[3] = {u[0] - 2.0f * normal[0] * dot, u[1] - 2.0f * normal[1] * dot,
                        u[2] - 2.0f * normal[2] * dot};
    const float m = 2.0f * std::sqrt(r[0] * r[0] + r[1] * r[1] + (r[2] + 1.0f) * (r[2] + 1.0f));
    st[0] = m > 0.0f ? r[0] / m + 0.5f : 0.5f;
    st[1] = m > 0.0f ? r[1] / m + 0.5f : 0.5f;
}

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
