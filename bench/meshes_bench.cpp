// Times one draw of each strip mesh, sphere-mapped as the scenes draw them, in
// an 800x600 window on the test X server; glFinish is inside the timing, so a
// figure is the whole cost of the call. Also the render-target frame's pair A + C.
#include <epoxy/gl.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "meshes/meshes.h"
#include "scenes/scene_conventions.h"
#include "support/test_support.h"

namespace {

// Sphere mapping under GL_REPLACE with a 256x256 texture, as most scenes have it.
void prepareSphereMapping() {
    std::vector<uint8_t> texels(256 * 256 * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = uint8_t(i * 7);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    sphereMappingOn(GL_REPLACE);
}

// Each mesh about as large on screen as a scene shows it: `distance` in front
// of the eye under the demo's 45-degree projection.
void drawLoop(benchmark::State& state, int (*draw)(), float distance) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -distance);
    glRotatef(30.0f, 1.0f, 1.0f, 0.0f);
    for (auto _ : state) {
        draw();
        glFinish();
    }
}

void BM_drawMeshA(benchmark::State& state) { drawLoop(state, drawMeshA, 16.0f); }
void BM_drawMeshB(benchmark::State& state) { drawLoop(state, drawMeshB, 12.0f); }
void BM_drawMeshC(benchmark::State& state) { drawLoop(state, drawMeshC, 4.0f); }
void BM_drawMeshesAAndC(benchmark::State& state) {
    drawLoop(state, [] { return drawMeshA() + drawMeshC(); }, 8.0f);
}

BENCHMARK(BM_drawMeshA)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_drawMeshB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_drawMeshC)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_drawMeshesAAndC)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!openTestGLContext(800, 600)) {
        std::fprintf(stderr, "meshes_bench: no GL context (run under an X server)\n");
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    prepareSphereMapping();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeTestGLContext();
    return 0;
}
