// Checks the three compiled-in strip meshes: table integrity, closed oriented
// sphere-topology surfaces, smooth outward unit normals, each mesh's placement
// and shape; then what their draw routines leave on screen and in GL state.
#include <epoxy/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "meshes/meshes.h"
#include "scenes/scene_conventions.h"
#include "support/test_support.h"

namespace {

// ---- geometry of the tables -------------------------------------------------

using Vec = std::array<double, 3>;  // a float widened to double is exact: equal means merged

Vec sub(Vec a, Vec b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec add(Vec a, Vec b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
double dot(Vec a, Vec b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec cross(Vec a, Vec b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec position(const StripMesh& m, uint32_t i) {
    return {m.vertices[3 * i], m.vertices[3 * i + 1], m.vertices[3 * i + 2]};
}
Vec normal(const StripMesh& m, uint32_t i) {
    return {m.normals[3 * i], m.normals[3 * i + 1], m.normals[3 * i + 2]};
}

// Twice the area, along the triangle's normal by its winding.
Vec faceNormal(const StripMesh& m, const std::array<uint32_t, 3>& t) {
    return cross(sub(position(m, t[1]), position(m, t[0])), sub(position(m, t[2]), position(m, t[0])));
}

// Triangles as OpenGL draws them from the strips: every second one reversed.
// Only those with area are kept; the rest (repeated index) draw nothing.
std::vector<std::array<uint32_t, 3>> drawnTriangles(const StripMesh& m) {
    std::vector<std::array<uint32_t, 3>> triangles;
    const uint32_t* s = m.indices;
    for (std::size_t k = 0; k < m.stripCount; ++k) {
        for (uint32_t i = 0; i + 2 < m.stripLengths[k]; ++i) {
            std::array<uint32_t, 3> t = {s[i], s[i + 1], s[i + 2]};
            if (i % 2 == 1) std::swap(t[0], t[1]);
            if (length(faceNormal(m, t)) > 0) triangles.push_back(t);
        }
        s += m.stripLengths[k];
    }
    return triangles;
}

// Vertex ids after merging vertices with equal positions.
std::vector<int> mergedIds(const StripMesh& m, int* distinct) {
    std::map<Vec, int> idOf;
    std::vector<int> ids(m.vertexCount);
    for (uint32_t i = 0; i < m.vertexCount; ++i)
        ids[i] = idOf.emplace(position(m, i), int(idOf.size())).first->second;
    *distinct = int(idOf.size());
    return ids;
}

struct Box {
    Vec low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
};
Box boundingBox(const StripMesh& m) {
    Box b;
    for (uint32_t i = 0; i < m.vertexCount; ++i)
        for (int a = 0; a < 3; ++a) {
            b.low[a] = std::min(b.low[a], double(m.vertices[3 * i + a]));
            b.high[a] = std::max(b.high[a], double(m.vertices[3 * i + a]));
        }
    return b;
}

Vec vertexMean(const StripMesh& m) {
    Vec sum{0, 0, 0};
    for (uint32_t i = 0; i < m.vertexCount; ++i) sum = add(sum, position(m, i));
    return {sum[0] / m.vertexCount, sum[1] / m.vertexCount, sum[2] / m.vertexCount};
}

// Largest distance from a vertex, mirrored in the plane `axis` = `at`, to the
// nearest vertex of the table (0 for a mesh symmetric in that plane).
double mirrorMismatch(const StripMesh& m, int axis, double at) {
    std::vector<Vec> sorted;
    for (uint32_t i = 0; i < m.vertexCount; ++i) sorted.push_back(position(m, i));
    std::sort(sorted.begin(), sorted.end());  // by x first, so a window search works
    double worst = 0;
    for (Vec p : sorted) {
        p[axis] = 2 * at - p[axis];
        double best = 1e9;
        auto from = std::lower_bound(sorted.begin(), sorted.end(), Vec{p[0] - 0.2, -1e9, -1e9});
        for (auto q = from; q != sorted.end() && (*q)[0] <= p[0] + 0.2; ++q)
            best = std::min(best, length(sub(*q, p)));
        worst = std::max(worst, best);
    }
    return worst;
}

// ---- properties every mesh has ----------------------------------------------

struct MeshCase {
    const char* name;
    const StripMesh* mesh;
};
const MeshCase kMeshes[] = {{"A", &meshA}, {"B", &meshB}, {"C", &meshC}};
void PrintTo(const MeshCase& c, std::ostream* out) { *out << "mesh " << c.name; }

class EveryMesh : public testing::TestWithParam<MeshCase> {};

TEST_P(EveryMesh, StripsCoverTheIndexTableAndEveryVertex) {
    const StripMesh& m = *GetParam().mesh;
    ASSERT_GT(m.vertexCount, 0u);
    std::size_t total = 0;
    for (std::size_t k = 0; k < m.stripCount; ++k) {
        EXPECT_GE(m.stripLengths[k], 4u) << "strip " << k;
        total += m.stripLengths[k];
    }
    EXPECT_EQ(total, m.indexCount);
    std::vector<bool> used(m.vertexCount, false);
    for (std::size_t i = 0; i < m.indexCount; ++i) {
        ASSERT_LT(m.indices[i], m.vertexCount) << "index " << i;
        used[m.indices[i]] = true;
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 0) << "vertices no strip uses";
}

TEST_P(EveryMesh, IsAClosedOrientedSurfaceOfSphereTopology) {
    const StripMesh& m = *GetParam().mesh;
    int distinct = 0;
    std::vector<int> id = mergedIds(m, &distinct);
    auto triangles = drawnTriangles(m);
    // Each directed edge once, and its reverse once: every edge lies in exactly
    // two triangles, which agree on their winding.
    std::map<std::pair<int, int>, int> directed;
    std::set<std::array<int, 3>> faces;
    for (const auto& t : triangles) {
        std::array<int, 3> f = {id[t[0]], id[t[1]], id[t[2]]};
        ASSERT_TRUE(f[0] != f[1] && f[1] != f[2] && f[0] != f[2]) << "collapsed triangle";
        std::rotate(f.begin(), std::min_element(f.begin(), f.end()), f.end());
        EXPECT_TRUE(faces.insert(f).second) << "triangle drawn twice";
        for (int e = 0; e < 3; ++e) ++directed[{f[e], f[(e + 1) % 3]}];
    }
    int bad = 0;
    for (const auto& [edge, count] : directed) {
        auto reverse = directed.find({edge.second, edge.first});
        if (count != 1 || reverse == directed.end() || reverse->second != 1) ++bad;
    }
    EXPECT_EQ(bad, 0) << "edges not shared by exactly two consistently wound triangles";
    // Euler characteristic 2: a sphere, not a torus or several pieces.
    long edges = long(directed.size()) / 2;
    EXPECT_EQ(long(distinct) - edges + long(triangles.size()), 2);
}

TEST_P(EveryMesh, WindsCounterClockwiseSeenFromOutside) {
    const StripMesh& m = *GetParam().mesh;
    double volume = 0;
    int facingIn = 0;
    for (const auto& t : drawnTriangles(m)) {
        volume += dot(position(m, t[0]), cross(position(m, t[1]), position(m, t[2]))) / 6;
        Vec around = add(add(normal(m, t[0]), normal(m, t[1])), normal(m, t[2]));
        if (dot(faceNormal(m, t), around) <= 0) ++facingIn;
    }
    EXPECT_GT(volume, 0) << "the strips wind clockwise from outside";
    EXPECT_EQ(facingIn, 0) << "triangles whose winding disagrees with their normals";
}

// The normals drive sphere mapping: unit, and within a few degrees of the
// surface around each vertex, so neither inverted nor one face's normal.
TEST_P(EveryMesh, NormalsAreUnitAndFollowTheSurface) {
    const StripMesh& m = *GetParam().mesh;
    int distinct = 0;
    std::vector<int> id = mergedIds(m, &distinct);
    std::vector<Vec> surface(distinct, Vec{0, 0, 0});  // area-weighted face normals
    for (const auto& t : drawnTriangles(m))
        for (uint32_t v : t) surface[id[v]] = add(surface[id[v]], faceNormal(m, t));
    double worstAngle = 0;
    for (uint32_t i = 0; i < m.vertexCount; ++i) {
        Vec n = normal(m, i);
        ASSERT_NEAR(length(n), 1.0, 1e-5) << "normal " << i;
        Vec s = surface[id[i]];
        double angle = std::acos(std::clamp(dot(n, s) / length(s), -1.0, 1.0)) * 180 / M_PI;
        worstAngle = std::max(worstAngle, angle);
    }
    EXPECT_LT(worstAngle, 3.0) << "a normal strays from its surface by " << worstAngle << " degrees";
}

TEST_P(EveryMesh, VertexTableAscendsInX) {
    const StripMesh& m = *GetParam().mesh;
    for (uint32_t i = 1; i < m.vertexCount; ++i)
        ASSERT_LE(m.vertices[3 * (i - 1)], m.vertices[3 * i]) << "vertex " << i;
}

INSTANTIATE_TEST_SUITE_P(Meshes, EveryMesh, testing::ValuesIn(kMeshes),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- mesh A: the star ---------------------------------------------------------

const Vec kStarCentre = {-0.5021, 1.3325, 0.5201};

TEST(MeshA, PointsReachTheirLengthsAlongEachAxis) {
    Box box = boundingBox(meshA);
    const double reach[3] = {5.574, 3.857, 5.413};
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(box.low[a], kStarCentre[a] - reach[a], 1e-4) << "axis " << a;
        EXPECT_NEAR(box.high[a], kStarCentre[a] + reach[a], 1e-4) << "axis " << a;
    }
    EXPECT_GT(meshA.vertexCount, 1000u);
    EXPECT_LT(meshA.vertexCount, 10000u);
}

// Away from the six points (more than ~40 degrees from every axis) the star
// lies 2.3 to 2.6 from its centre; the points must not swell into a ball.
TEST(MeshA, SurfaceBetweenThePointsStaysCloseToTheCentre) {
    int between = 0;
    for (uint32_t i = 0; i < meshA.vertexCount; ++i) {
        Vec d = sub(position(meshA, i), kStarCentre);
        double r = length(d);
        EXPECT_GT(dot(normal(meshA, i), d), 0) << "normal " << i << " points inwards";
        if (std::max({std::fabs(d[0]), std::fabs(d[1]), std::fabs(d[2])}) / r > 0.75) continue;
        ++between;
        EXPECT_GE(r, 2.3 - 1e-4) << "vertex " << i;
        EXPECT_LE(r, 2.6) << "vertex " << i;
    }
    EXPECT_GT(between, int(meshA.vertexCount) / 4);
}

TEST(MeshA, IsMirrorSymmetricAboutItsCentre) {
    for (int a = 0; a < 3; ++a)
        EXPECT_LT(mirrorMismatch(meshA, a, kStarCentre[a]), 1e-4) << "plane of axis " << a;
}

// Most strips are fans (c, a, c, b, ...), each drawing triangles about c.
TEST(MeshA, StripsAreFansAboutTheirFirstVertex) {
    int fans = 0;
    const uint32_t* s = meshA.indices;
    for (std::size_t k = 0; k < meshA.stripCount; ++k) {
        bool fan = true;
        for (uint32_t i = 2; i < meshA.stripLengths[k]; i += 2) fan = fan && s[i] == s[0];
        fans += fan;
        s += meshA.stripLengths[k];
    }
    EXPECT_GT(fans, int(meshA.stripCount) / 2);
}

// ---- mesh B: the sphere -------------------------------------------------------

const Vec kBallCentre = {-1.90768, 0, -0.59748};

TEST(MeshB, HasTheCountsOfTwoPolesAndThirtyNineRingsOfForty) {
    int distinct = 0;
    mergedIds(meshB, &distinct);
    EXPECT_EQ(meshB.vertexCount, 1562u);
    EXPECT_EQ(distinct, 1562);
    EXPECT_EQ(drawnTriangles(meshB).size(), 3120u);
}

TEST(MeshB, VerticesLieOnRingsAndMeridiansOfTheRadiusFourSphere) {
    std::map<long, int> ringSizes;  // by y in units of 1e-4
    for (uint32_t i = 0; i < meshB.vertexCount; ++i) {
        Vec d = sub(position(meshB, i), kBallCentre);
        ASSERT_NEAR(length(d), 4.0, 1e-5) << "vertex " << i;
        Vec n = normal(meshB, i);
        EXPECT_LT(length(sub(n, {d[0] / 4, d[1] / 4, d[2] / 4})), 0.01) << "normal " << i;
        double polar = std::acos(std::clamp(d[1] / 4, -1.0, 1.0)) * 180 / M_PI;
        EXPECT_NEAR(polar / 4.5, std::round(polar / 4.5), 1e-3) << "vertex " << i;
        if (std::hypot(d[0], d[2]) > 1e-3) {
            double longitude = std::atan2(d[2], d[0]) * 180 / M_PI;
            EXPECT_NEAR(longitude / 9, std::round(longitude / 9), 1e-3) << "vertex " << i;
        }
        ++ringSizes[std::lround(d[1] * 1e4)];
    }
    ASSERT_EQ(ringSizes.size(), 41u);
    EXPECT_EQ(ringSizes.begin()->second, 1);   // pole at y = -4
    EXPECT_EQ(ringSizes.rbegin()->second, 1);  // pole at y = 4
    for (const auto& [y, size] : ringSizes)
        if (std::abs(y) < 39999) {
            EXPECT_EQ(size, 40) << "ring at y = " << y * 1e-4;
        }
}

TEST(MeshB, StartsWithTheEquatorPointOnTheMinusXSide) {
    EXPECT_NEAR(meshB.vertices[0], -5.90768, 1e-5);
    EXPECT_NEAR(meshB.vertices[1], 0.0, 1e-6);
    EXPECT_NEAR(meshB.vertices[2], -0.59748, 1e-6);
    EXPECT_NEAR(meshB.normals[0], -1.0, 1e-6);
}

// ---- mesh C: the irregular solid ----------------------------------------------

TEST(MeshC, FillsItsBoxAroundTheOrigin) {
    const Vec low = {-0.859223, -0.641626, -0.779339}, high = {0.857715, 1.25192, 0.620764};
    Box box = boundingBox(meshC);
    for (int a = 0; a < 3; ++a) {
        double tolerance = 0.02 * (high[a] - low[a]);
        EXPECT_NEAR(box.low[a], low[a], tolerance) << "axis " << a;
        EXPECT_NEAR(box.high[a], high[a], tolerance) << "axis " << a;
    }
    EXPECT_LT(length(vertexMean(meshC)), 0.03);
}

TEST(MeshC, HasNoMirrorSymmetry) {
    Box box = boundingBox(meshC);
    Vec mean = vertexMean(meshC);
    for (int a = 0; a < 3; ++a) {
        EXPECT_GT(mirrorMismatch(meshC, a, (box.low[a] + box.high[a]) / 2), 0.05) << "axis " << a;
        EXPECT_GT(mirrorMismatch(meshC, a, mean[a]), 0.05) << "axis " << a;
    }
}

// The render-target frames draw A and C together; C is meant to dominate them.
TEST(MeshC, IsTheHeaviestDraw) {
    EXPECT_GT(meshC.vertexCount, 3000u);
    EXPECT_GT(meshC.stripCount, 2000u);
    EXPECT_GT(meshC.stripCount, meshA.stripCount + meshB.stripCount);
}

// ---- drawing ------------------------------------------------------------------

constexpr int kPixelsPerUnit = 50;  // of the orthographic view below, at 800x600
const Rgb kBlack = {0, 0, 0}, kRed = {255, 0, 0}, kBlue = {0, 0, 255}, kWhite = {255, 255, 255};

class MeshDrawing : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(openTestGLContext()); }
    static void TearDownTestSuite() { closeTestGLContext(); }

    // Orthographic, 16 by 12 units across the window, the origin in its middle;
    // a mesh is drawn with `modelOrigin` moved to (0, 0, -20).
    void SetUp() override {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-8, 8, -6, 6, 1, 100);
        glMatrixMode(GL_MODELVIEW);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override {
        sphereMappingOff();
        glDeleteTextures(1, &texture);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    void placeModel(const Vec& modelOrigin) {
        glLoadIdentity();
        glTranslated(-modelOrigin[0], -modelOrigin[1], -20 - modelOrigin[2]);
    }
    // `texture`, bound, of width x height RGB bytes, sampled with `filter`.
    void upload(int width, int height, const std::vector<uint8_t>& rgb, GLint filter) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    }
    // A row of texels, nearest-sampled, sphere-mapped onto what is drawn next.
    void sphereMap(const std::vector<Rgb>& texels, GLenum mode) {
        std::vector<uint8_t> bytes;
        for (Rgb t : texels) bytes.insert(bytes.end(), {uint8_t(t.r), uint8_t(t.g), uint8_t(t.b)});
        upload(int(texels.size()), 1, bytes, GL_NEAREST);
        sphereMappingOn(mode);
    }
    // The pixel `units` from the window's middle in direction (dx, dy).
    static Rgb pixelAt(double units, double dx, double dy) {
        double scale = units * kPixelsPerUnit / std::hypot(dx, dy);
        return readPixel(int(std::lround(400 + dx * scale)), int(std::lround(300 + dy * scale)));
    }
    static std::array<float, 4> currentColour() {
        std::array<float, 4> c;
        glGetFloatv(GL_CURRENT_COLOR, c.data());
        return c;
    }

    GLuint texture = 0;
};

// Seen along -z, the sphere's left half reflects towards -x (the left texel)
// and its right half towards +x; nothing is drawn outside radius 4.
TEST_F(MeshDrawing, SphereFillsItsCircleWithBothHalvesOfTheTexture) {
    sphereMap({kRed, kBlue}, GL_REPLACE);
    placeModel(kBallCentre);
    EXPECT_EQ(drawMeshB(), 1);
    for (int k = 0; k < 8; ++k) {
        double dx = std::cos(k * M_PI / 4), dy = std::sin(k * M_PI / 4);
        Rgb inside = pixelAt(3.8, dx, dy), outside = pixelAt(4.2, dx, dy);
        EXPECT_FALSE(near(inside, kBlack)) << "direction " << k << ": " << describe(inside);
        EXPECT_TRUE(near(outside, kBlack)) << "direction " << k << ": " << describe(outside);
    }
    EXPECT_TRUE(near(pixelAt(3, -1, 0), kRed)) << describe(pixelAt(3, -1, 0));
    EXPECT_TRUE(near(pixelAt(3, 1, 0), kBlue)) << describe(pixelAt(3, 1, 0));
}

TEST_F(MeshDrawing, StarReachesItsPointsAndLeavesGapsBetweenThem) {
    sphereMap({kWhite}, GL_REPLACE);
    placeModel(kStarCentre);
    drawMeshA();
    const double tipX = 5.574, tipY = 3.857;
    EXPECT_TRUE(near(pixelAt(tipX - 0.3, 1, 0), kWhite)) << describe(pixelAt(tipX - 0.3, 1, 0));
    EXPECT_TRUE(near(pixelAt(tipX - 0.3, -1, 0), kWhite));
    EXPECT_TRUE(near(pixelAt(tipX + 0.2, 1, 0), kBlack));
    EXPECT_TRUE(near(pixelAt(tipY - 0.3, 0, 1), kWhite));
    EXPECT_TRUE(near(pixelAt(tipY + 0.2, 0, -1), kBlack));
    for (int k = 0; k < 4; ++k) {
        double dx = k % 2 ? 1 : -1, dy = k / 2 ? 1 : -1;
        EXPECT_TRUE(near(pixelAt(2.1, dx, dy), kWhite)) << "diagonal " << k;
        EXPECT_TRUE(near(pixelAt(3.0, dx, dy), kBlack)) << "diagonal " << k;
    }
}

// Under GL_MODULATE the colour shows: A and B dim to 30 per cent, C draws in
// whatever colour the last of them left.
TEST_F(MeshDrawing, MeshesAAndBSetTheDimColourAndMeshCKeepsTheCurrentOne) {
    sphereMap({kWhite}, GL_MODULATE);
    glColor3f(1.0f, 0.5f, 0.25f);
    placeModel({0, 0, 0});
    drawMeshC();
    EXPECT_TRUE(near(readPixel(400, 300), {255, 128, 64}, 2)) << describe(readPixel(400, 300));
    EXPECT_EQ(currentColour(), (std::array<float, 4>{1.0f, 0.5f, 0.25f, 1.0f}));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    placeModel(kStarCentre);
    drawMeshA();
    EXPECT_TRUE(near(readPixel(400, 300), {77, 77, 77}, 2)) << describe(readPixel(400, 300));
    EXPECT_EQ(currentColour(), (std::array<float, 4>{0.3f, 0.3f, 0.3f, 1.0f}));
    placeModel({0, 0, 0});
    drawMeshC();
    EXPECT_TRUE(near(readPixel(400, 300), {77, 77, 77}, 2)) << describe(readPixel(400, 300));

    glColor3f(1.0f, 1.0f, 1.0f);
    placeModel(kBallCentre);
    drawMeshB();
    EXPECT_EQ(currentColour(), (std::array<float, 4>{0.3f, 0.3f, 0.3f, 1.0f}));
}

// Both arrays stay on for good, pointing at the last mesh's tables; a
// glBegin quad drawn afterwards is not disturbed by them.
TEST_F(MeshDrawing, LeavesTheArraysOnForTheLastMeshAndQuadsUnharmed) {
    placeModel({0, 0, 0});
    drawMeshA();
    drawMeshB();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    void* vertices = nullptr;
    void* normals = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &vertices);
    glGetPointerv(GL_NORMAL_ARRAY_POINTER, &normals);
    EXPECT_EQ(vertices, meshB.vertices);
    EXPECT_EQ(normals, meshB.normals);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    drawQuad(-1, -1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    EXPECT_TRUE(near(readPixel(400, 300), {0, 255, 0})) << describe(readPixel(400, 300));
    EXPECT_TRUE(near(readPixel(400 + 60, 300), kBlack));
}

// Every strip is its own draw: the triangles OpenGL assembles, degenerate ones
// included, are exactly those of all strips.
TEST_F(MeshDrawing, DrawsEveryStripOfEachMesh) {
    const StripMesh* meshes[] = {&meshA, &meshB, &meshC};
    int (*draws[])() = {drawMeshA, drawMeshB, drawMeshC};
    GLuint query = 0;
    glGenQueries(1, &query);
    for (int k = 0; k < 3; ++k) {
        GLuint expected = 0;
        for (std::size_t i = 0; i < meshes[k]->stripCount; ++i) expected += meshes[k]->stripLengths[i] - 2;
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        draws[k]();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint generated = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &generated);
        EXPECT_EQ(generated, expected) << "mesh " << "ABC"[k];
    }
    glDeleteQueries(1, &query);
}

}  // namespace

// ---- the web build's way of drawing, against the native one -------------------
// The web build draws each mesh as one merged triangle list and computes the
// sphere map on the CPU (its GL has no texgen). Both are drawn here on llvmpipe
// beside strips and texgen, turned and tilted so that the normals' transform
// counts, with a smooth texture (s in red, t in green) so that any error in a
// coordinate shows. Same triangles in the same order: the merged list must
// match pixel for pixel. The CPU coordinates may differ from llvmpipe's in the
// last float bits, so each channel may be off by 2 of 255.
class WebDrawingWays : public MeshDrawing, public testing::WithParamInterface<int> {
protected:
    void TearDown() override {
        sphereMappingOff();
        sphereMapOnCpu = false;
        meshDrawMode = MeshDrawMode::OneDrawPerStrip;
        MeshDrawing::TearDown();
    }
    void gradientTexture() {
        std::vector<uint8_t> bytes;
        for (int t = 0; t < 64; ++t)
            for (int s = 0; s < 64; ++s) bytes.insert(bytes.end(), {uint8_t(s * 4 + 2), uint8_t(t * 4 + 2), 128});
        upload(64, 64, bytes, GL_LINEAR);
        glEnable(GL_TEXTURE_2D);
    }
    std::vector<uint8_t> drawn(MeshDrawMode mode, bool onCpu) {
        static const Vec kCentres[] = {kStarCentre, kBallCentre, {0, 0, 0}};
        static int (*const kDraws[])() = {drawMeshA, drawMeshB, drawMeshC};
        meshDrawMode = mode;
        sphereMapOnCpu = onCpu;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        placeModel({0, 0, 0});
        glRotatef(35.0f, 1.0f, 0.6f, 0.2f);
        glTranslated(-kCentres[GetParam()][0], -kCentres[GetParam()][1], -kCentres[GetParam()][2]);
        sphereMappingOn(GL_REPLACE);
        kDraws[GetParam()]();
        sphereMappingOff();
        return readFrameRgb(800, 600);
    }
    static int largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                                 int* differing) {
        int largest = 0;
        *differing = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const int d = std::abs(int(a[i]) - int(b[i]));
            largest = std::max(largest, d);
            *differing += d > 0;
        }
        return largest;
    }
};

TEST_P(WebDrawingWays, MergedListAndCpuSphereMapDrawWhatStripsAndTexgenDraw) {
    gradientTexture();
    const std::vector<uint8_t> native = drawn(MeshDrawMode::OneDrawPerStrip, false);
    const std::vector<uint8_t> merged = drawn(MeshDrawMode::MergedTriangleList, false);
    const std::vector<uint8_t> web = drawn(MeshDrawMode::MergedTriangleList, true);
    int differing = 0, covered = 0;
    for (std::size_t i = 0; i < native.size(); i += 3) covered += native[i + 2] == 128;
    EXPECT_GT(covered, 2000) << "the mesh must fill a fair part of the window";
    EXPECT_EQ(largestDifference(native, merged, &differing), 0) << differing << " values differ";
    EXPECT_LE(largestDifference(native, web, &differing), 2) << differing << " values differ";
}

INSTANTIATE_TEST_SUITE_P(EveryMesh, WebDrawingWays, testing::Values(0, 1, 2),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(1, "ABC"[info.param]);
                         });
