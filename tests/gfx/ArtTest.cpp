// The generated art: readable by our own decoders, shaped as the scene needs it, seamless where
// skybox faces meet, and the same bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/DdsWriter.h"
#include "gfx/ImageDecoder.h"
#include "gfx/XMesh.h"
#include "support/TempDir.h"
#include "tools/artgen/ArtGenerator.h"

namespace torvask {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::uint8_t> rgbaOfTop(const Image& image) {
    if (!image.compressed()) return image.levels[0].data;
    std::vector<std::uint8_t> rgba;
    EXPECT_TRUE(decompressDxtLevel(image.format, image.levels[0], rgba));
    return rgba;
}

TEST(GeneratedArt, TexturesHaveTheirFormatsSizesAndFullMipChains) {
    struct Case {
        const char* name;
        Image image;
        PixelFormat format;
        int size;
        DdsLayout layout = DdsLayout::AsImage;
    };
    const Case cases[] = {
        {"track", artgen::trackTexture(), PixelFormat::Dxt1, 256},
        {"ground", artgen::groundTexture(), PixelFormat::Dxt1, 1024},
        {"sky 0", artgen::skyboxFace(0), PixelFormat::Rgba8, 512, DdsLayout::Bgr24},
        {"sky 3", artgen::skyboxFace(3), PixelFormat::Rgba8, 512, DdsLayout::Bgr24},
        {"start line", artgen::startLineTexture(), PixelFormat::Dxt1, 64},
        {"livery", artgen::liveryTexture(), PixelFormat::Dxt1, 256},
        {"shadow", artgen::shadowTexture(), PixelFormat::Rgba8, 64, DdsLayout::Bgra32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.image.format, c.format);
        EXPECT_EQ(c.image.width(), c.size);
        EXPECT_EQ(c.image.height(), c.size);
        ASSERT_EQ(int(c.image.levels.size()), fullMipCount(c.size, c.size));
        EXPECT_EQ(c.image.levels.back().width, 1);
        // Through the file format and back, byte for byte.
        const Bytes file = encodeDds(c.image, c.layout);
        Image back;
        ASSERT_TRUE(decodeDds(file.data(), file.size(), back));
        ASSERT_EQ(back.levels.size(), c.image.levels.size());
        for (std::size_t l = 0; l < back.levels.size(); ++l) EXPECT_EQ(back.levels[l].data, c.image.levels[l].data);
    }
    EXPECT_TRUE(artgen::skyboxFace(6).levels.empty());
    EXPECT_TRUE(artgen::skyboxFace(-1).levels.empty());
}

// The shadow is black; its alpha is 0 all round the border, highest in the middle and falls
// monotonically from the middle out along both axes.
TEST(GeneratedArt, ShadowFadesFromItsMiddleToNothingAtTheBorder) {
    const Image shadow = artgen::shadowTexture(64);
    const ImageLevel& top = shadow.levels[0];
    auto at = [&](int x, int y) { return top.data.data() + (std::size_t(y) * 64 + std::size_t(x)) * 4; };
    for (int i = 0; i < 64; ++i) {
        for (const std::uint8_t* p : {at(i, 0), at(i, 63), at(0, i), at(63, i)}) EXPECT_EQ(p[3], 0) << i;
    }
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) ASSERT_EQ(at(x, y)[0] | at(x, y)[1] | at(x, y)[2], 0);
    }
    EXPECT_GT(at(32, 32)[3], 140);
    for (int d = 32; d < 63; ++d) {
        EXPECT_GE(at(d, 32)[3], at(d + 1, 32)[3]) << d;
        EXPECT_GE(at(32, d)[3], at(32, d + 1)[3]) << d;
    }
}

TEST(GeneratedArt, TrackHasBrightEdgeLinesOnDarkerAsphalt) {
    const Image track = artgen::trackTexture();
    const std::vector<std::uint8_t> rgba = rgbaOfTop(track);
    const int n = track.width();
    auto columnMean = [&](double u) {
        const int x = int(u * n);
        double sum = 0.0;
        for (int y = 0; y < n; ++y) sum += rgba[(std::size_t(y) * n + x) * 4 + 1];
        return sum / n;
    };
    for (double edge : {0.065, 0.935}) {
        SCOPED_TRACE(edge);
        EXPECT_GT(columnMean(edge), 235.0);
    }
    for (double lane : {0.2, 0.4, 0.6, 0.8}) {
        SCOPED_TRACE(lane);
        EXPECT_LT(columnMean(lane), 185.0);
        EXPECT_GT(columnMean(lane), 120.0);
    }
}

// The scene's skybox: corners of face i at texture coordinates (0,0), (1,0) and (0,1).
const double kFaceCorners[6][3][3] = {
    {{10, 10, -10}, {10, 10, 10}, {-10, 10, -10}},     {{-10, -10, 10}, {10, -10, 10}, {-10, -10, -10}},
    {{-10, 10, -10}, {-10, 10, 10}, {-10, -10, -10}},  {{10, 10, 10}, {10, 10, -10}, {10, -10, 10}},
    {{-10, 10, 10}, {10, 10, 10}, {-10, -10, 10}},     {{10, 10, -10}, {-10, 10, -10}, {10, -10, -10}},
};

TEST(GeneratedArt, SkyboxFacesMeetWithoutSeamsAndShowSkyAboveSandBelow) {
    std::vector<Image> faces;
    for (int f = 0; f < 6; ++f) faces.push_back(artgen::skyboxFace(f));
    const int n = 512;
    auto texel = [&](int f, int x, int y) { return &faces[std::size_t(f)].levels[0].data[(std::size_t(y) * n + x) * 4]; };
    // The cube point of a texture coordinate on face f, and back.
    auto point = [&](int f, double u, double v, double p[3]) {
        const auto& c = kFaceCorners[f];
        for (int k = 0; k < 3; ++k) p[k] = c[0][k] + u * (c[1][k] - c[0][k]) + v * (c[2][k] - c[0][k]);
    };
    auto faceOf = [&](const double p[3], double& u, double& v) {
        for (int f = 0; f < 6; ++f) {
            const auto& c = kFaceCorners[f];
            double du[3], dv[3], d[3];
            for (int k = 0; k < 3; ++k) {
                du[k] = c[1][k] - c[0][k];
                dv[k] = c[2][k] - c[0][k];
                d[k] = p[k] - c[0][k];
            }
            // On the face's plane when the offset has no part along the face's normal.
            const double nrm[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2], du[0] * dv[1] - du[1] * dv[0]};
            if (std::abs(nrm[0] * d[0] + nrm[1] * d[1] + nrm[2] * d[2]) > 1e-6) continue;
            u = (d[0] * du[0] + d[1] * du[1] + d[2] * du[2]) / 400.0;
            v = (d[0] * dv[0] + d[1] * dv[1] + d[2] * dv[2]) / 400.0;
            if (u >= 0.0 && u <= 1.0 && v >= 0.0 && v <= 1.0) return f;
        }
        return -1;
    };
    int compared = 0;
    for (int f = 0; f < 6; ++f) {
        for (int i = 0; i < n; ++i) {
            // The four edges of face f: the edge texel, and the neighbour face's texel across it.
            const int edges[4][2] = {{0, i}, {n - 1, i}, {i, 0}, {i, n - 1}};
            for (const auto& e : edges) {
                const double u = (e[0] + 0.5) / n;
                const double v = (e[1] + 0.5) / n;
                double p[3];
                point(f, e[0] == 0 ? 0.0 : e[0] == n - 1 ? 1.0 : u, e[1] == 0 ? 0.0 : e[1] == n - 1 ? 1.0 : v, p);
                // Step just over the edge: the point lies on two faces; find the other one.
                int g = -1;
                double gu = 0.0, gv = 0.0;
                for (int other = 0; other < 6 && g < 0; ++other) {
                    if (other == f) continue;
                    double ou = 0.0, ov = 0.0;
                    if (faceOf(p, ou, ov) < 0) break;
                    const auto& c = kFaceCorners[other];
                    double du[3], dv[3], d[3];
                    for (int k = 0; k < 3; ++k) {
                        du[k] = c[1][k] - c[0][k];
                        dv[k] = c[2][k] - c[0][k];
                        d[k] = p[k] - c[0][k];
                    }
                    const double nrm[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2],
                                           du[0] * dv[1] - du[1] * dv[0]};
                    if (std::abs(nrm[0] * d[0] + nrm[1] * d[1] + nrm[2] * d[2]) > 1e-6) continue;
                    gu = (d[0] * du[0] + d[1] * du[1] + d[2] * du[2]) / 400.0;
                    gv = (d[0] * dv[0] + d[1] * dv[1] + d[2] * dv[2]) / 400.0;
                    if (gu >= -1e-9 && gu <= 1 + 1e-9 && gv >= -1e-9 && gv <= 1 + 1e-9) g = other;
                }
                ASSERT_GE(g, 0) << "face " << f << " edge texel " << e[0] << "," << e[1];
                const int gx = std::clamp(int(gu * n), 0, n - 1);
                const int gy = std::clamp(int(gv * n), 0, n - 1);
                const std::uint8_t* a = texel(f, e[0], e[1]);
                const std::uint8_t* b = texel(g, gx, gy);
                // The step across the edge is no larger than the step to the next texel inside
                // the face (the picture changes no faster there), plus a little: no seam.
                const int ix = e[0] == 0 ? 1 : e[0] == n - 1 ? n - 2 : e[0];
                const int iy = e[0] == 0 || e[0] == n - 1 ? e[1] : e[1] == 0 ? 1 : n - 2;
                const std::uint8_t* inward = texel(f, ix, iy);
                for (int c = 0; c < 3; ++c) {
                    EXPECT_LE(std::abs(a[c] - b[c]), std::abs(a[c] - inward[c]) + 8)
                        << "faces " << f << "/" << g << " at " << e[0] << "," << e[1];
                }
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 6 * 4 * n);
    // Top face all sky (blue above red), bottom face all sand (red above blue).
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const std::uint8_t* top = texel(0, x, y);
            const std::uint8_t* bottom = texel(1, x, y);
            ASSERT_GT(top[2], top[0]) << x << "," << y;
            ASSERT_GT(bottom[0], bottom[2] + 40) << x << "," << y;
        }
    }
    // Side faces: sky along the top row, sand along the bottom row.
    for (int f = 2; f < 6; ++f) {
        SCOPED_TRACE(f);
        for (int x = 0; x < n; ++x) {
            EXPECT_GT(texel(f, x, 0)[2], texel(f, x, 0)[0]);
            EXPECT_GT(texel(f, x, n - 1)[0], texel(f, x, n - 1)[2] + 40);
        }
    }
}

TEST(GeneratedArt, CarMeshHasItsSizeWheelsMaterialsAndBrakeLights) {
    const std::string text = artgen::carMeshText();
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(loadXMeshFromMemory(text.data(), text.size(), mesh, &error)) << error;
    ASSERT_EQ(mesh.materials.size(), std::size_t(artgen::kCarMaterialCount));
    ASSERT_GE(mesh.materials.size(), 10u);
    float lo[3] = {1e9f, 1e9f, 1e9f};
    float hi[3] = {-1e9f, -1e9f, -1e9f};
    for (std::size_t s = 0; s < mesh.subsets.size(); ++s) {
        SCOPED_TRACE(s);
        EXPECT_FALSE(mesh.subsets[s].indices.empty());
        for (const XMeshVertex& v : mesh.subsets[s].vertices) {
            const float p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
    }
    EXPECT_NEAR(hi[2] - lo[2], 4.0f, 0.02f);  // length along z
    EXPECT_NEAR(hi[0] - lo[0], 2.0f, 0.05f);  // width along x (hub caps stand 2 cm proud)
    EXPECT_NEAR(lo[0], -hi[0], 1e-5f);
    // Brake lights: red, at the tail, left one at -x and right one at +x.
    for (int subset : {artgen::kLeftBrakeLight, artgen::kRightBrakeLight}) {
        SCOPED_TRACE(subset);
        const ColorValue& d = mesh.materials[std::size_t(subset)].material.diffuse;
        EXPECT_GT(d.r, 0.8f);
        EXPECT_LT(d.g, 0.2f);
        for (const XMeshVertex& v : mesh.subsets[std::size_t(subset)].vertices) {
            EXPECT_LT(v.z, -1.9f);
            if (subset == artgen::kLeftBrakeLight) {
                EXPECT_LT(v.x, 0.0f);
            } else {
                EXPECT_GT(v.x, 0.0f);
            }
        }
    }
    // The paint takes its colour from the livery; its coordinates stay on the texture, the
    // sides on the side view (upper half), everything else on the plain lower half.
    EXPECT_EQ(mesh.materials[artgen::kPaint].textureFile, artgen::kLiveryTextureName);
    EXPECT_EQ(mesh.materials[artgen::kPaint].material.diffuse, (ColorValue{1.0f, 1.0f, 1.0f, 1.0f}));
    for (const XMeshVertex& v : mesh.subsets[artgen::kPaint].vertices) {
        ASSERT_TRUE(v.u >= 0.0f && v.u <= 1.0f && v.v >= 0.0f && v.v <= 1.0f) << v.u << "," << v.v;
        const bool side = std::abs(v.nx) >= std::abs(v.ny) && std::abs(v.nx) >= std::abs(v.nz);
        EXPECT_EQ(v.v < 0.5f, side) << v.x << "," << v.y << "," << v.z;
    }
    // Tyres: radius 0.4 about their axles, the lowest point where the track surface is.
    const XMeshSubset& tyres = mesh.subsets[artgen::kTyre];
    float lowest = 1e9f;
    float largestRadius = 0.0f;
    for (const XMeshVertex& v : tyres.vertices) {
        lowest = std::min(lowest, v.y);
        const float dz = std::abs(v.z) - 1.4f;
        const float dy = v.y + 0.22f;
        largestRadius = std::max(largestRadius, std::sqrt(dz * dz + dy * dy));
    }
    EXPECT_NEAR(largestRadius, 0.4f, 1e-4f);
    EXPECT_NEAR(lowest, -0.62f, 1e-4f);
    // Every triangle winds clockwise seen from outside: its geometric normal agrees with the
    // stored one (the scene's front faces).
    for (std::size_t s = 0; s < mesh.subsets.size(); ++s) {
        const XMeshSubset& subset = mesh.subsets[s];
        for (std::size_t t = 0; t + 2 < subset.indices.size(); t += 3) {
            const XMeshVertex& a = subset.vertices[subset.indices[t]];
            const XMeshVertex& b = subset.vertices[subset.indices[t + 1]];
            const XMeshVertex& c = subset.vertices[subset.indices[t + 2]];
            const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
            const float nx = a.nx + b.nx + c.nx, ny = a.ny + b.ny + c.ny, nz = a.nz + b.nz + c.nz;
            ASSERT_GT(n[0] * nx + n[1] * ny + n[2] * nz, 0.0f) << "subset " << s << " triangle " << t / 3;
        }
    }
    // Tyre faces point away from their axle.
    for (std::size_t t = 0; t + 2 < tyres.indices.size(); t += 3) {
        const XMeshVertex& a = tyres.vertices[tyres.indices[t]];
        const float cx = a.x < 0 ? -0.85f : 0.85f;
        const float cz = a.z < 0 ? -1.4f : 1.4f;
        const float out = (a.x - cx) * a.nx + (a.y + 0.22f) * a.ny + (a.z - cz) * a.nz;
        ASSERT_GE(out, -1e-4f) << "tyre triangle " << t / 3;
    }
}

TEST(GeneratedArt, WritesTheSameFilesEveryTimeReadableByTheProgram) {
    testing::TempDir first;
    testing::TempDir second;
    std::string error;
    ASSERT_TRUE(artgen::writeAll(first.str(), &error)) << error;
    ASSERT_TRUE(artgen::writeAll(second.str(), &error)) << error;
    const char* files[] = {"tracks/track.dds",           "enviro/desert/ground.dds",   "enviro/desert/skybox0.dds",
                           "enviro/desert/skybox1.dds",  "enviro/desert/skybox2.dds",  "enviro/desert/skybox3.dds",
                           "enviro/desert/skybox4.dds",  "enviro/desert/skybox5.dds",  "cars/default/car.x"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string a = testing::TempDir::read(first.file(name));
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == testing::TempDir::read(second.file(name)));
        if (std::string(name).ends_with(".dds")) {
            Image image;
            ImageError why = ImageError::None;
            EXPECT_TRUE(loadImageFile(first.file(name), image, &why)) << imageErrorName(why);
        } else {
            XMeshData mesh;
            EXPECT_TRUE(loadXMesh(first.file(name), mesh));
        }
    }
    EXPECT_FALSE(artgen::writeAll("/proc/torvask-cannot-write-here", &error));
    EXPECT_FALSE(error.empty());
}

// The icon theme gets every size as a PNG that reads back texel for texel, transparent outside
// the disc, red on it and dark at the hub, plus the SVG.
TEST(GeneratedArt, AppIconInEverySizeOfTheIconTheme) {
    testing::TempDir theme;
    std::string error;
    ASSERT_TRUE(artgen::writeIcons(theme.str(), "app", &error)) << error;
    for (int size : artgen::kAppIconSizes) {
        SCOPED_TRACE(size);
        const std::string side = std::to_string(size);
        Image read;
        ASSERT_TRUE(loadImageFile(theme.file(side + "x" + side + "/apps/app.png"), read));
        const Image drawn = artgen::appIcon(size);
        ASSERT_EQ(read.width(), size);
        ASSERT_EQ(read.height(), size);
        EXPECT_TRUE(read.levels[0].data == drawn.levels[0].data);
        const auto texel = [&](int x, int y) { return &drawn.levels[0].data[(std::size_t(y) * size + x) * 4]; };
        EXPECT_EQ(texel(0, 0)[3], 0) << "corner";
        const std::uint8_t* disc = texel(size / 2, size * 59 / 64);  // between the rim and the disc's edge
        EXPECT_EQ(disc[3], 255);
        EXPECT_GT(disc[0], 150);
        EXPECT_LT(disc[1], 80);
        const std::uint8_t* hub = texel(size / 2, size / 2);
        EXPECT_LT(hub[0], 60);
        EXPECT_EQ(hub[3], 255);
    }
    EXPECT_EQ(testing::TempDir::read(theme.file("scalable/apps/app.svg")), artgen::appIconSvg());
    EXPECT_FALSE(artgen::writeIcons("/proc/torvask-cannot-write-here", "app", &error));
}

}  // namespace
}  // namespace torvask
