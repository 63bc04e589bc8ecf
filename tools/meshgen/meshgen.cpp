// Writes the demo's three strip meshes as C++ tables (mesh_a_data.cpp,
// mesh_b_data.cpp, mesh_c_data.cpp) into the directory named by its one
// argument. It reads nothing but the shape constants below: every run writes
// the same bytes, which the regeneration test relies on.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace {

// ---- shape constants --------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

// Mesh A: six conical spikes on the axes over a base sphere, radius
// base + sum over axes of height * profile(angle from that axis).
const double kStarCentre[3]         = {-0.5021, 1.3325, 0.5201};
const double kStarTipReach[3]       = {5.574, 3.857, 5.413};  // centre to tip, x y z
constexpr double kStarBase          = 2.3;   // radius far from every spike
constexpr double kStarSpikeWidth    = 55.0;  // degrees from the axis to the spike's foot
constexpr double kStarSpikeExponent = 3.0;   // 3: the foot meets the base smoothly
constexpr int kStarGrid             = 20;    // quads along a cube face edge
constexpr int kStarFanTriangles     = 4;     // half fans of the 8-triangle blocks

// Mesh B: latitude-longitude sphere about the y axis.
const double kBallCentre[3]  = {-1.90768, 0.0, -0.59748};
constexpr double kBallRadius = 4.0;
constexpr int kBallRings     = 39;  // between the poles, 4.5 degrees apart
constexpr int kBallSegments  = 40;  // per ring, 9 degrees apart from +x towards +z

// Mesh C: a unit sphere with smooth bumps, then stretched per axis onto its
// bounding box. Bump radius term: amplitude * exp(spread * (d . axis - 1)).
struct Bump {
    double amplitude;
    double spread;
    double axis[3];  // need not be unit: normalised before use
};
const Bump kBlobShapeBumps[] = {
    //  amplitude  spread   axis
    {   1.20,      8.0,   {  0.10,  1.00, -0.15 }},  // narrow horn towards +y
    {   0.40,      3.0,   { -0.20, -0.10, -1.00 }},  // broad belly towards -z
};
constexpr int kBlobRandomBumps  = 14;  // seeded, small, any direction
constexpr uint64_t kBlobSeed    = 0x4b56323030374dULL;
const double kBlobBoxLow[3]     = {-0.859223, -0.641626, -0.779339};
const double kBlobBoxHigh[3]    = { 0.857715,  1.25192,   0.620764};
constexpr int kBlobGrid         = 32;  // quads along a cube face edge
constexpr int kBlobFanTriangles = 4;   // half fans: over 3000 draws, the heaviest mesh

// ---- vectors ------------------------------------------------------------------

struct Vec3 {
    double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 normalize(Vec3 a) { return (1.0 / std::sqrt(dot(a, a))) * a; }
Vec3 fromArray(const double v[3]) { return {v[0], v[1], v[2]}; }
double component(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Cosine and sine of a whole number of quarter degrees, exact at multiples of
// 90 degrees so that poles, the equator and mirror images land exactly.
void cosSinQuarterDegrees(int quarters, double* c, double* s) {
    int q = ((quarters % 1440) + 1440) % 1440;
    int quadrant = q / 360, rest = q % 360;
    double cr = std::cos(rest * kPi / 720.0), sr = std::sin(rest * kPi / 720.0);
    if (rest == 0) cr = 1.0, sr = 0.0;
    const double cq[4] = {cr, -sr, -cr, sr}, sq[4] = {sr, cr, -sr, -cr};
    *c = cq[quadrant];
    *s = sq[quadrant];
}

// ---- stored numbers ---------------------------------------------------------

// Six significant digits: 1e-5 units at worst, far below a pixel, and short
// tables. Always with a point or an exponent, so that 'f' makes a float literal.
std::string floatLiteral(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value == 0.0 ? 0.0 : value);  // no "-0"
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

// The float that the table will hold for `value`.
float storedFloat(double value) { return std::strtof(floatLiteral(value).c_str(), nullptr); }

// ---- meshes -------------------------------------------------------------------

struct SurfacePoint {
    Vec3 position;
    Vec3 normal;  // unit, outward
};

struct Mesh {
    std::vector<SurfacePoint> vertices;
    std::vector<std::vector<uint32_t>> strips;
};

// A surface given as radius(direction) about a centre. `gradient` is the
// gradient of the radius function extended to all of space; its tangential
// part tilts the normal away from the radial direction.
struct RadialSurface {
    Vec3 centre;
    std::function<double(Vec3)> radius;
    std::function<Vec3(Vec3)> gradient;
};

SurfacePoint pointOn(const RadialSurface& surface, Vec3 direction) {
    double r = surface.radius(direction);
    Vec3 g = surface.gradient(direction);
    Vec3 tangential = g - dot(g, direction) * direction;
    return {surface.centre + r * direction, normalize(r * direction - tangential)};
}

// A fan written as a strip, centre at every other place: c, a, c, b, c, d ...
// draws (c, a, b), (c, b, d) ... with a degenerate triangle between each.
std::vector<uint32_t> fanStrip(uint32_t centre, const std::vector<uint32_t>& rim) {
    std::vector<uint32_t> strip;
    for (uint32_t r : rim) {
        strip.push_back(centre);
        strip.push_back(r);
    }
    return strip;
}

// Sphere-topology mesh over a cube whose faces carry an n-by-n grid (n even),
// warped to equal angles before projecting onto the surface. Each 2-by-2 block
// of quads is an 8-triangle fan about its middle vertex, cut into fans of
// `fanTriangles` triangles; shared edge and corner lattice points are one
// vertex, so the mesh has 6 n^2 + 2 vertices.
Mesh cubeSphere(int n, int fanTriangles, const RadialSurface& surface) {
    struct Face {
        int normalAxis, side, uAxis, vAxis;  // u x v points out of the face
    };
    const Face faces[6] = {
        {0, 1, 1, 2}, {0, 0, 2, 1}, {1, 1, 2, 0},
        {1, 0, 0, 2}, {2, 1, 0, 1}, {2, 0, 1, 0},
    };
    // Block rim, counter-clockwise in (u, v) and so seen from outside.
    const int rimOffsets[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1},
                                  {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    Mesh mesh;
    std::map<std::array<int, 3>, uint32_t> vertexAt;
    auto vertex = [&](const Face& face, int u, int v) {
        std::array<int, 3> key;
        key[face.normalAxis] = face.side * n;
        key[face.uAxis] = u;
        key[face.vAxis] = v;
        auto found = vertexAt.find(key);
        if (found != vertexAt.end()) return found->second;
        double c[3];
        for (int axis = 0; axis < 3; ++axis)
            c[axis] = std::tan((2 * key[axis] - n) * kPi / (4.0 * n));
        uint32_t index = static_cast<uint32_t>(mesh.vertices.size());
        mesh.vertices.push_back(pointOn(surface, normalize(fromArray(c))));
        vertexAt.emplace(key, index);
        return index;
    };
    for (const Face& face : faces) {
        for (int bu = 1; bu < n; bu += 2) {
            for (int bv = 1; bv < n; bv += 2) {
                uint32_t centre = vertex(face, bu, bv);
                for (int first = 0; first < 8; first += fanTriangles) {
                    std::vector<uint32_t> rim;
                    for (int k = first; k <= first + fanTriangles; ++k) {
                        const int* o = rimOffsets[k % 8];
                        rim.push_back(vertex(face, bu + o[0], bv + o[1]));
                    }
                    mesh.strips.push_back(fanStrip(centre, rim));
                }
            }
        }
    }
    return mesh;
}

// Latitude rings about the y axis between two pole vertices: one band strip
// per pair of neighbouring rings, closed round by repeating its first pair,
// and one fan about each pole, top to bottom.
Mesh latitudeSphere(Vec3 centre, double radius, int rings, int segments) {
    Mesh mesh;
    auto addVertex = [&](Vec3 direction) {
        mesh.vertices.push_back({centre + radius * direction, direction});
        return static_cast<uint32_t>(mesh.vertices.size() - 1);
    };
    const int ringStep = 720 / (rings + 1), segmentStep = 1440 / segments;  // quarter degrees
    uint32_t top = addVertex({0, 1, 0});
    std::vector<std::vector<uint32_t>> ring(rings);
    for (int k = 0; k < rings; ++k) {
        double cosPolar, sinPolar;
        cosSinQuarterDegrees((k + 1) * ringStep, &cosPolar, &sinPolar);
        for (int j = 0; j < segments; ++j) {
            double cosLong, sinLong;
            cosSinQuarterDegrees(j * segmentStep, &cosLong, &sinLong);
            ring[k].push_back(addVertex({sinPolar * cosLong, cosPolar, sinPolar * sinLong}));
        }
    }
    uint32_t bottom = addVertex({0, -1, 0});

    // Longitude grows from +x towards +z, which runs clockwise seen from +y:
    // the top fan walks its ring backwards, the bottom fan forwards.
    std::vector<uint32_t> topRim(ring.front().rbegin(), ring.front().rend());
    topRim.push_back(topRim.front());
    mesh.strips.push_back(fanStrip(top, topRim));
    for (int k = 0; k + 1 < rings; ++k) {
        std::vector<uint32_t> band;
        for (int j = 0; j <= segments; ++j) {
            band.push_back(ring[k + 1][j % segments]);
            band.push_back(ring[k][j % segments]);
        }
        mesh.strips.push_back(band);
    }
    std::vector<uint32_t> bottomRim = ring.back();
    bottomRim.push_back(bottomRim.front());
    mesh.strips.push_back(fanStrip(bottom, bottomRim));
    return mesh;
}

// Stretches each axis linearly so the mesh's bounding box becomes [low, high];
// normals follow by the inverse scale.
void fitToBox(Mesh& mesh, const double low[3], const double high[3]) {
    double minimum[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double maximum[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const SurfacePoint& v : mesh.vertices) {
        for (int a = 0; a < 3; ++a) {
            minimum[a] = std::min(minimum[a], component(v.position, a));
            maximum[a] = std::max(maximum[a], component(v.position, a));
        }
    }
    double scale[3];
    for (int a = 0; a < 3; ++a) scale[a] = (high[a] - low[a]) / (maximum[a] - minimum[a]);
    for (SurfacePoint& v : mesh.vertices) {
        Vec3 p = v.position;
        v.position = {low[0] + scale[0] * (p.x - minimum[0]),
                      low[1] + scale[1] * (p.y - minimum[1]),
                      low[2] + scale[2] * (p.z - minimum[2])};
        v.normal = normalize({v.normal.x / scale[0], v.normal.y / scale[1], v.normal.z / scale[2]});
    }
}

// The tables store floats in ascending x; ties go by y, then z.
void sortByX(Mesh& mesh) {
    auto key = [&](uint32_t i) {
        Vec3 p = mesh.vertices[i].position;
        return std::array<float, 3>{storedFloat(p.x), storedFloat(p.y), storedFloat(p.z)};
    };
    std::vector<uint32_t> order(mesh.vertices.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    std::vector<uint32_t> newIndex(order.size());
    std::vector<SurfacePoint> sorted;
    for (uint32_t i = 0; i < order.size(); ++i) {
        newIndex[order[i]] = i;
        sorted.push_back(mesh.vertices[order[i]]);
    }
    mesh.vertices = sorted;
    for (auto& strip : mesh.strips)
        for (uint32_t& index : strip) index = newIndex[index];
}

// ---- the three meshes -----------------------------------------------------------

// Spike profile over the angle t (radians) from the spike's axis: 1 at the
// tip, falling as a cone, 0 with two vanishing derivatives at the foot.
double spikeProfile(double t) {
    double w = kStarSpikeWidth * kPi / 180.0;
    return t >= w ? 0.0 : std::pow(1.0 - t / w, kStarSpikeExponent);
}
double spikeSlope(double t) {
    double w = kStarSpikeWidth * kPi / 180.0;
    return t >= w ? 0.0 : -kStarSpikeExponent / w * std::pow(1.0 - t / w, kStarSpikeExponent - 1);
}

Mesh makeStar() {
    double height[3];
    for (int a = 0; a < 3; ++a) height[a] = kStarTipReach[a] - kStarBase;
    // One spike per axis covers both its ends: the angle is taken from the axis line.
    auto angleFromAxis = [](Vec3 d, int a) { return std::acos(std::min(1.0, std::fabs(component(d, a)))); };
    RadialSurface star{
        fromArray(kStarCentre),
        [=](Vec3 d) {
            double r = kStarBase;
            for (int a = 0; a < 3; ++a) r += height[a] * spikeProfile(angleFromAxis(d, a));
            return r;
        },
        [=](Vec3 d) {
            double g[3];
            for (int a = 0; a < 3; ++a) {
                double c = component(d, a), sine = std::sqrt(std::max(0.0, 1.0 - c * c));
                // d(angle)/dc = -sign(c) / sin(angle); on the tip the gradient is radial.
                g[a] = sine == 0.0 ? 0.0
                                   : height[a] * spikeSlope(angleFromAxis(d, a)) * -std::copysign(1.0, c) / sine;
            }
            return fromArray(g);
        },
    };
    Mesh mesh = cubeSphere(kStarGrid, kStarFanTriangles, star);
    sortByX(mesh);
    return mesh;
}

Mesh makeBall() {
    Mesh mesh = latitudeSphere(fromArray(kBallCentre), kBallRadius, kBallRings, kBallSegments);
    sortByX(mesh);
    return mesh;
}

// splitmix64: a fixed, portable sequence for the seeded bumps.
struct Random {
    uint64_t state;
    double uniform(double low, double high) {
        uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        z ^= z >> 31;
        return low + (high - low) * double(z >> 11) / 9007199254740992.0;
    }
};

Mesh makeBlob() {
    std::vector<Bump> bumps(std::begin(kBlobShapeBumps), std::end(kBlobShapeBumps));
    Random random{kBlobSeed};
    for (int i = 0; i < kBlobRandomBumps; ++i) {
        Bump b{random.uniform(-0.06, 0.10), random.uniform(3.0, 9.0), {}};
        for (double& c : b.axis) c = random.uniform(-1.0, 1.0);
        bumps.push_back(b);
    }
    for (Bump& b : bumps) {
        Vec3 axis = normalize(fromArray(b.axis));
        b.axis[0] = axis.x, b.axis[1] = axis.y, b.axis[2] = axis.z;
    }
    RadialSurface blob{
        {0, 0, 0},
        [=](Vec3 d) {
            double r = 1.0;
            for (const Bump& b : bumps)
                r += b.amplitude * std::exp(b.spread * (dot(d, fromArray(b.axis)) - 1.0));
            return r;
        },
        [=](Vec3 d) {
            Vec3 g{0, 0, 0};
            for (const Bump& b : bumps) {
                double w = b.amplitude * b.spread * std::exp(b.spread * (dot(d, fromArray(b.axis)) - 1.0));
                g = g + w * fromArray(b.axis);
            }
            return g;
        },
    };
    Mesh mesh = cubeSphere(kBlobGrid, kBlobFanTriangles, blob);
    fitToBox(mesh, kBlobBoxLow, kBlobBoxHigh);
    sortByX(mesh);
    return mesh;
}

// ---- output ---------------------------------------------------------------------

std::string padLeft(const std::string& s, size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

void writeVectors(std::ofstream& out, const char* name, const Mesh& mesh, bool normals) {
    out << "const float " << name << "[] = {\n";
    for (const SurfacePoint& v : mesh.vertices) {
        Vec3 p = normals ? v.normal : v.position;
        out << "    " << padLeft(floatLiteral(p.x) + ",", 12) << padLeft(floatLiteral(p.y) + ",", 12)
            << padLeft(floatLiteral(p.z) + ",", 12) << "\n";
    }
    out << "};\n\n";
}

bool writeMesh(const std::string& directory, const std::string& file, const std::string& symbol,
               const std::string& about, const Mesh& mesh) {
    std::ofstream out(directory + "/" + file);
    size_t indexCount = 0;
    for (const auto& strip : mesh.strips) indexCount += strip.size();
    out << "// " << about << "\n"
        << "// Written by tools/meshgen; edit the generator, not this file, and rerun it\n"
        << "// with `cmake --build build --target meshgen_update`.\n"
        << "#include \"meshes/meshes.h\"\n\n"
        << "namespace {\n\n";
    writeVectors(out, "vertices", mesh, false);
    writeVectors(out, "normals", mesh, true);
    out << "// One strip per line, back to back.\nconst uint32_t indices[] = {\n";
    for (const auto& strip : mesh.strips) {
        out << "   ";
        for (uint32_t index : strip) out << " " << index << ",";
        out << "\n";
    }
    out << "};\n\nconst uint32_t stripLengths[] = {\n";
    for (size_t i = 0; i < mesh.strips.size(); ++i) {
        out << (i % 16 == 0 ? "   " : "") << " " << mesh.strips[i].size() << ",";
        if (i % 16 == 15 || i + 1 == mesh.strips.size()) out << "\n";
    }
    out << "};\n\n}  // namespace\n\n"
        << "const StripMesh " << symbol << " = {\n"
        << "    vertices, normals, " << mesh.vertices.size() << ",\n"
        << "    indices, " << indexCount << ",\n"
        << "    stripLengths, " << mesh.strips.size() << ",\n"
        << "};\n";
    out.close();
    if (!out) return false;
    Vec3 mean{0, 0, 0};
    for (const SurfacePoint& v : mesh.vertices) mean = mean + v.position;
    mean = (1.0 / mesh.vertices.size()) * mean;
    std::printf("%s: %zu vertices, %zu strips, %zu indices, vertex mean (%.4f, %.4f, %.4f)\n",
                symbol.c_str(), mesh.vertices.size(), mesh.strips.size(), indexCount, mean.x, mean.y,
                mean.z);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: meshgen OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    bool ok = writeMesh(directory, "mesh_a_data.cpp", "meshA",
                        "Mesh A: a six-pointed star solid, spikes along the axes.", makeStar()) &&
              writeMesh(directory, "mesh_b_data.cpp", "meshB",
                        "Mesh B: a latitude-longitude sphere of radius 4.", makeBall()) &&
              writeMesh(directory, "mesh_c_data.cpp", "meshC",
                        "Mesh C: an irregular lumpy solid, the demo's heaviest draw.", makeBlob());
    if (!ok) std::fprintf(stderr, "meshgen: cannot write into %s\n", directory.c_str());
    return ok ? 0 : 1;
}
