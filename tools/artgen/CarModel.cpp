// The bundled car: a low-poly sports coupé built from solids, written as DirectX text .x.
// Mesh frame: y up, front towards +z, right towards +x (left-handed, as the scene draws).
// The physics chassis centre rests about 0.53 above the ground and the frame step draws the
// mesh 0.3 above it, so the ground under the wheels is at y = -0.83 and the track ribbon,
// raised 0.2, at about y = -0.63: the tyres reach down to -0.62.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/artgen/ArtGenerator.h"

namespace torvask::artgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct P {
    double x, y, z;
};
P operator+(P a, P b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P operator*(P a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P cross(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
P normalised(P a) {
    const double l = std::sqrt(dot(a, a));
    return l > 0.0 ? a * (1.0 / l) : P{0, 1, 0};
}

struct Triangle {
    P p[3];
    P n[3];
    int material;
    double uv[3][2] = {};
};

// Where a paint triangle's corners fall on the livery: sides (normal mostly along x) on the
// side view in the upper half, read from the tail on the left side and from the nose on the
// right so that the roundel's number is never mirrored; everything else on the plain lower half.
void liveryCoordinates(Triangle& t) {
    const P n = t.n[0];
    const bool side = std::abs(n.x) >= std::abs(n.y) && std::abs(n.x) >= std::abs(n.z);
    for (int k = 0; k < 3; ++k) {
        const P& p = t.p[k];
        if (side) {
            const double along = (p.z + 2.0) / 4.0;
            t.uv[k][0] = std::clamp(n.x < 0.0 ? along : 1.0 - along, 0.0, 1.0);
            t.uv[k][1] = std::clamp((0.7 - p.y) / 1.2, 0.0, 1.0) * 0.5;
        } else {
            t.uv[k][0] = std::clamp((p.x + 1.0) / 2.0, 0.0, 1.0);
            t.uv[k][1] = 0.5 + std::clamp((p.z + 2.0) / 4.0, 0.0, 1.0) * 0.5;
        }
    }
}

class Builder {
public:
    // A flat triangle facing `outward`: its winding is made clockwise seen from that side,
    // which is the front face for the scene's culling.
    void triangle(P a, P b, P c, P outward, int material) {
        P n = cross(b - a, c - a);
        if (dot(n, outward) < 0.0) {
            std::swap(b, c);
            n = n * -1.0;
        }
        n = normalised(n);
        triangles.push_back({{a, b, c}, {n, n, n}, material});
    }
    void quad(P a, P b, P c, P d, P outward, int material) {
        triangle(a, b, c, outward, material);
        triangle(a, c, d, outward, material);
    }
    // Eight corners: bottom four (-x-z, +x-z, +x+z, -x+z) then top four in the same order.
    void hexahedron(const std::array<P, 8>& c, int material, int topMaterial = -1, int frontMaterial = -1) {
        P centre{0, 0, 0};
        for (const P& p : c) centre = centre + p * 0.125;
        auto face = [&](int i0, int i1, int i2, int i3, int m) {
            const P mid = (c[i0] + c[i1] + c[i2] + c[i3]) * 0.25;
            quad(c[i0], c[i1], c[i2], c[i3], mid - centre, m);
        };
        face(0, 1, 2, 3, material);                                    // bottom
        face(4, 5, 6, 7, topMaterial < 0 ? material : topMaterial);    // top
        face(0, 1, 5, 4, material);                                    // back (-z)
        face(3, 2, 6, 7, frontMaterial < 0 ? material : frontMaterial);  // front (+z)
        face(0, 3, 7, 4, material);                                    // left (-x)
        face(1, 2, 6, 5, material);                                    // right (+x)
    }
    void box(P lo, P hi, int material) {
        hexahedron({P{lo.x, lo.y, lo.z}, P{hi.x, lo.y, lo.z}, P{hi.x, lo.y, hi.z}, P{lo.x, lo.y, hi.z},
                    P{lo.x, hi.y, lo.z}, P{hi.x, hi.y, lo.z}, P{hi.x, hi.y, hi.z}, P{lo.x, hi.y, hi.z}},
                   material);
    }
    // A wheel turning about x: tread and both side walls, with a hub cap on the outer side.
    void wheel(P centre, double radius, double width, bool rightSide) {
        const int segments = 18;
        const double half = width * 0.5;
        const double outerX = rightSide ? half : -half;
        for (int s = 0; s < segments; ++s) {
            const double a0 = 2.0 * kPi * s / segments;
            const double a1 = 2.0 * kPi * (s + 1) / segments;
            auto rim = [&](double a, double x, double r) {
                return centre + P{x, r * std::cos(a), r * std::sin(a)};
            };
            const P mid = centre + P{0, radius * std::cos((a0 + a1) / 2), radius * std::sin((a0 + a1) / 2)};
            // Tread, smooth-shaded.
            const P t0 = rim(a0, -half, radius), t1 = rim(a1, -half, radius);
            const P t2 = rim(a1, half, radius), t3 = rim(a0, half, radius);
            const P n0 = normalised(P{0, std::cos(a0), std::sin(a0)});
            const P n1 = normalised(P{0, std::cos(a1), std::sin(a1)});
            addSmooth(t0, t1, t2, n0, n1, n1, mid - centre, kTyre);
            addSmooth(t0, t2, t3, n0, n1, n0, mid - centre, kTyre);
            // Side walls.
            for (double x : {-half, half}) {
                const P outward{x, 0, 0};
                const bool outer = (x == outerX);
                const double hub = outer ? radius * 0.62 : 0.0;
                const P c0 = rim(a0, x, radius), c1 = rim(a1, x, radius);
                if (hub > 0.0) {
                    quad(c0, c1, rim(a1, x, hub), rim(a0, x, hub), outward, kTyre);
                    // Hub cap stands a little proud of the wall.
                    const double capX = x + (x > 0 ? 0.02 : -0.02);
                    triangle(centre + P{capX, 0, 0}, rim(a0, capX, hub), rim(a1, capX, hub), outward, kRim);
                } else {
                    triangle(centre + P{x, 0, 0}, c0, c1, outward, kTyre);
                }
            }
        }
    }

    std::vector<Triangle> triangles;

private:
    void addSmooth(P a, P b, P c, P na, P nb, P nc, P outward, int material) {
        if (dot(cross(b - a, c - a), outward) < 0.0) {
            std::swap(b, c);
            std::swap(nb, nc);
        }
        triangles.push_back({{a, b, c}, {na, nb, nc}, material});
    }
};

struct MaterialText {
    const char* name;
    double r, g, b, a;
    double power;
    double sr, sg, sb;
    double er, eg, eb;
    const char* texture;  // nullptr: none
};

const MaterialText kMaterials[kCarMaterialCount] = {
    {"Paint", 1.0, 1.0, 1.0, 1.0, 30.0, 0.6, 0.6, 0.6, 0.0, 0.0, 0.0, kLiveryTextureName},
    {"Glass", 0.05, 0.07, 0.10, 1.0, 60.0, 0.8, 0.8, 0.8, 0.0, 0.0, 0.0, nullptr},
    {"Tyre", 0.04, 0.04, 0.04, 1.0, 4.0, 0.05, 0.05, 0.05, 0.0, 0.0, 0.0, nullptr},
    {"Rim", 0.72, 0.72, 0.75, 1.0, 40.0, 0.9, 0.9, 0.9, 0.0, 0.0, 0.0, nullptr},
    {"Headlight", 1.00, 0.98, 0.85, 1.0, 50.0, 1.0, 1.0, 1.0, 0.35, 0.35, 0.3, nullptr},
    {"Plate", 0.92, 0.85, 0.25, 1.0, 10.0, 0.3, 0.3, 0.3, 0.0, 0.0, 0.0, nullptr},
    {"Grille", 0.03, 0.03, 0.03, 1.0, 5.0, 0.1, 0.1, 0.1, 0.0, 0.0, 0.0, nullptr},
    {"Stripe", 0.95, 0.95, 0.95, 1.0, 30.0, 0.6, 0.6, 0.6, 0.0, 0.0, 0.0, nullptr},
    {"BrakeLightLeft", 0.95, 0.04, 0.02, 1.0, 20.0, 0.5, 0.5, 0.5, 0.0, 0.0, 0.0, nullptr},
    {"BrakeLightRight", 0.95, 0.04, 0.02, 1.0, 20.0, 0.5, 0.5, 0.5, 0.0, 0.0, 0.0, nullptr},
    {"Trim", 0.12, 0.12, 0.12, 1.0, 10.0, 0.2, 0.2, 0.2, 0.0, 0.0, 0.0, nullptr},
};

void buildCar(Builder& car) {
    const double bottom = -0.42;  // underside of the body
    // Lower body: a wedge, lower at the nose, from bumper to bumper.
    car.hexahedron({P{-0.92, bottom, -1.95}, P{0.92, bottom, -1.95}, P{0.92, bottom, 1.95}, P{-0.92, bottom, 1.95},
                    P{-0.92, 0.12, -1.95}, P{0.92, 0.12, -1.95}, P{0.86, -0.06, 1.95}, P{-0.86, -0.06, 1.95}},
                   kPaint);
    // Cabin: narrower roof, raked windscreen and rear window.
    const std::array<P, 8> cabin = {P{-0.84, 0.12, -1.25}, P{0.84, 0.12, -1.25}, P{0.84, 0.06, 0.75},
                                    P{-0.84, 0.06, 0.75}, P{-0.68, 0.62, -0.85}, P{0.68, 0.62, -0.85},
                                    P{0.68, 0.62, 0.10}, P{-0.68, 0.62, 0.10}};
    car.hexahedron(cabin, kPaint);
    // Windows: inset panes standing 1 cm proud of each cabin face, leaving painted pillars.
    auto pane = [&](int i0, int i1, int i2, int i3, double insetU, double insetV) {
        const P a = cabin[i0], b = cabin[i1], c = cabin[i2], d = cabin[i3];
        P centre{0, 0, 0};
        for (const P& p : cabin) centre = centre + p * 0.125;
        const P mid = (a + b + c + d) * 0.25;
        const P n = normalised(cross(b - a, d - a));
        const P out = dot(n, mid - centre) > 0 ? n : n * -1.0;
        auto lerp = [](P p, P q, double t) { return p + (q - p) * t; };
        // Bilinear point (s along a->b, t along a->d).
        auto at = [&](double s, double t) { return lerp(lerp(a, b, s), lerp(d, c, s), t) + out * 0.01; };
        car.quad(at(insetU, insetV), at(1 - insetU, insetV), at(1 - insetU, 1 - insetV), at(insetU, 1 - insetV), out,
                 kGlass);
    };
    pane(0, 1, 5, 4, 0.08, 0.14);  // rear window
    pane(3, 2, 6, 7, 0.06, 0.10);  // windscreen
    pane(0, 3, 7, 4, 0.10, 0.16);  // left side
    pane(1, 2, 6, 5, 0.10, 0.16);  // right side

    // Racing stripes over the bonnet and roof.
    for (double x : {-0.24, 0.14}) {
        const double w = 0.10;
        car.quad(P{x, 0.075, 0.80}, P{x + w, 0.075, 0.80}, P{x + w, -0.05, 1.95}, P{x, -0.05, 1.95}, P{0, 1, 0.15}, kStripe);
        car.quad(P{x, 0.632, -0.84}, P{x + w, 0.632, -0.84}, P{x + w, 0.632, 0.09}, P{x, 0.632, 0.09}, P{0, 1, 0}, kStripe);
    }

    // Bumpers, grille, headlights.
    car.box(P{-0.95, -0.40, 1.90}, P{0.95, -0.22, 2.00}, kTrim);
    car.box(P{-0.95, -0.40, -2.00}, P{0.95, -0.20, -1.90}, kTrim);
    car.quad(P{-0.45, -0.20, 1.956}, P{0.45, -0.20, 1.956}, P{0.45, -0.09, 1.956}, P{-0.45, -0.09, 1.956}, P{0, 0, 1},
             kGrille);
    for (double x : {-0.80, 0.52}) {
        car.box(P{x, -0.16, 1.93}, P{x + 0.28, -0.07, 1.975}, kHeadlight);
    }
    // Brake lights across the tail, left (-x) and right (+x), standing out of the rear panel.
    car.box(P{-0.86, -0.06, -1.985}, P{-0.42, 0.08, -1.93}, kLeftBrakeLight);
    car.box(P{0.42, -0.06, -1.985}, P{0.86, 0.08, -1.93}, kRightBrakeLight);
    car.quad(P{-0.26, -0.17, -1.956}, P{0.26, -0.17, -1.956}, P{0.26, -0.03, -1.956}, P{-0.26, -0.03, -1.956},
             P{0, 0, -1}, kPlate);
    // Rear wing on two posts.
    car.box(P{-0.55, 0.12, -1.85}, P{-0.47, 0.34, -1.75}, kTrim);
    car.box(P{0.47, 0.12, -1.85}, P{0.55, 0.34, -1.75}, kTrim);
    car.hexahedron({P{-0.95, 0.34, -1.98}, P{0.95, 0.34, -1.98}, P{0.95, 0.34, -1.62}, P{-0.95, 0.34, -1.62},
                    P{-0.95, 0.40, -1.98}, P{0.95, 0.40, -1.98}, P{0.95, 0.37, -1.62}, P{-0.95, 0.37, -1.62}},
                   kPaint);

    // Door mirrors on short stalks at the front of the side windows.
    for (double side : {-1.0, 1.0}) {
        const double inner = side * 0.80;
        const double outer = side * 0.98;
        car.box(P{std::min(inner, outer), 0.16, 0.48}, P{std::max(inner, outer), 0.26, 0.62}, kPaint);
        car.quad(P{outer - side * 0.005, 0.17, 0.485}, P{outer - side * 0.005, 0.25, 0.485},
                 P{inner + side * 0.02, 0.25, 0.485}, P{inner + side * 0.02, 0.17, 0.485}, P{0, 0, -1}, kGlass);
    }
    // Twin exhaust pipes under the rear bumper.
    for (double x : {0.55, 0.68}) car.box(P{x, -0.46, -1.99}, P{x + 0.09, -0.39, -1.85}, kGrille);

    // Wheels: radius 0.4, 0.3 wide, outer faces flush with the 2-unit width.
    const double wheelY = -0.22;
    for (double z : {1.4, -1.4}) {
        car.wheel(P{-0.85, wheelY, z}, 0.4, 0.3, false);
        car.wheel(P{0.85, wheelY, z}, 0.4, 0.3, true);
    }
}

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", std::abs(value) < 5e-7 ? 0.0 : value);
    return buffer;
}

}  // namespace

std::string carMeshText() {
    Builder car;
    buildCar(car);
    for (Triangle& t : car.triangles) {
        if (t.material == kPaint) liveryCoordinates(t);
    }
    const std::vector<Triangle>& tris = car.triangles;
    std::string x = "xof 0303txt 0032\n\n";
    for (const MaterialText& m : kMaterials) {
        x += std::string("Material ") + m.name + " {\n ";
        x += number(m.r) + ";" + number(m.g) + ";" + number(m.b) + ";" + number(m.a) + ";;\n ";
        x += number(m.power) + ";\n ";
        x += number(m.sr) + ";" + number(m.sg) + ";" + number(m.sb) + ";;\n ";
        x += number(m.er) + ";" + number(m.eg) + ";" + number(m.eb) + ";;\n";
        if (m.texture) x += std::string(" TextureFilename {\n  \"") + m.texture + "\";\n }\n";
        x += "}\n\n";
    }
    x += "Frame Car {\n FrameTransformMatrix {\n  1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,"
         "0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,0.000000,0.000000,1.000000;;\n }\n\n";
    x += " Mesh CarBody {\n  " + std::to_string(tris.size() * 3) + ";\n";
    for (std::size_t t = 0; t < tris.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            const P& p = tris[t].p[k];
            const bool last = t + 1 == tris.size() && k == 2;
            x += "  " + number(p.x) + ";" + number(p.y) + ";" + number(p.z) + ";" + (last ? ";" : ",") + "\n";
        }
    }
    x += "  " + std::to_string(tris.size()) + ";\n";
    for (std::size_t t = 0; t < tris.size(); ++t) {
        const std::size_t b = t * 3;
        x += "  3;" + std::to_string(b) + "," + std::to_string(b + 1) + "," + std::to_string(b + 2) + ";" +
             (t + 1 == tris.size() ? ";" : ",") + "\n";
    }
    x += "  MeshMaterialList {\n   " + std::to_string(kCarMaterialCount) + ";\n   " + std::to_string(tris.size()) + ";\n";
    for (std::size_t t = 0; t < tris.size(); ++t) {
        x += "   " + std::to_string(tris[t].material) + (t + 1 == tris.size() ? ";;" : ",") + "\n";
    }
    for (const MaterialText& m : kMaterials) x += std::string("   {") + m.name + "}\n";
    x += "  }\n";
    x += "  MeshNormals {\n   " + std::to_string(tris.size() * 3) + ";\n";
    for (std::size_t t = 0; t < tris.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            const P& n = tris[t].n[k];
            const bool last = t + 1 == tris.size() && k == 2;
            x += "   " + number(n.x) + ";" + number(n.y) + ";" + number(n.z) + ";" + (last ? ";" : ",") + "\n";
        }
    }
    x += "   " + std::to_string(tris.size()) + ";\n";
    for (std::size_t t = 0; t < tris.size(); ++t) {
        const std::size_t b = t * 3;
        x += "   3;" + std::to_string(b) + "," + std::to_string(b + 1) + "," + std::to_string(b + 2) + ";" +
             (t + 1 == tris.size() ? ";" : ",") + "\n";
    }
    x += "  }\n";
    x += "  MeshTextureCoords {\n   " + std::to_string(tris.size() * 3) + ";\n";
    for (std::size_t t = 0; t < tris.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            const bool last = t + 1 == tris.size() && k == 2;
            x += "   " + number(tris[t].uv[k][0]) + ";" + number(tris[t].uv[k][1]) + ";" + (last ? ";" : ",") + "\n";
        }
    }
    x += "  }\n }\n}\n";
    return x;
}

}  // namespace torvask::artgen
