// The three compiled-in strip meshes and their draw routines. Each mesh is a
// vertex table, a normal table of the same length, and one index table cut
// into GL_TRIANGLE_STRIPs by a length table. Reads meshDrawMode and
// sphereMapOnCpu (how the draws feed GL), and cpuSphereMapActive.
#pragma once
#include <cstddef>
#include <cstdint>

struct StripMesh {
    const float* vertices;        // 3 floats per vertex, ascending x
    const float* normals;         // 3 floats per vertex, unit length, outward
    std::size_t vertexCount;
    const uint32_t* indices;      // all strips back to back
    std::size_t indexCount;
    const uint32_t* stripLengths; // each at least 4
    std::size_t stripCount;
};

extern const StripMesh meshA, meshB, meshC;

int drawMeshA();
int drawMeshB();
int drawMeshC();

// How the draw routines feed GL. Natively: one glDrawElements per strip, and
// sphere-map texture coordinates from GL's texgen. In the web build, where
// the fixed pipeline is emulated in JavaScript: each mesh's strips merged
// once into one 16-bit triangle list drawn with one call, and the sphere-map
// coordinates computed on the CPU (the emulation has no texgen). Both can be
// switched at run time so that the native tests draw either way.
enum class MeshDrawMode { OneDrawPerStrip, MergedTriangleList };
extern MeshDrawMode meshDrawMode;
extern bool sphereMapOnCpu;      // sphereMappingOn asks for CPU coordinates instead of texgen
extern bool cpuSphereMapActive;  // set by sphereMappingOn/Off while sphereMapOnCpu

// The texture coordinate GL's GL_SPHERE_MAP texgen gives a vertex at eye-space
// position `eye` with eye-space normal `normal` (as transformed, not rescaled).
void sphereMapCoordinate(const float eye[3], const float normal[3], float st[2]);
