// The three compiled-in strip meshes and their draw routines. Each mesh is a
// vertex table, a normal table of the same length, and one index table cut
// into GL_TRIANGLE_STRIPs by a length table.
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
