// The OpenGL device drawing full-window quads whose colours follow from the fixed-function
// rules by hand, read back from the back buffer.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include <QColor>
#include <QImage>

#include "gfx/DdsWriter.h"
#include "gl/GlDevice.h"
#include "render/Vertex.h"
#include "support/TempDir.h"
#include "tests/gl/GlTestWindow.h"

namespace torvask {
namespace {

using Rgb = std::array<int, 3>;

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto& w = testing::glTestWindow();
        ASSERT_NE(w.context, nullptr) << "no OpenGL 3.3 core context";
        device = std::make_unique<GlDevice>(w.context, w.window);
        ASSERT_TRUE(device->initialise());
        // Clip space straight through: every transform the identity.
        device->setTransform(TransformKind::World, matrixIdentity());
        device->setTransform(TransformKind::View, matrixIdentity());
        device->setTransform(TransformKind::Projection, matrixIdentity());
        buffer = device->createVertexBuffer(36 * 8, kUsageWriteOnly, kSceneVertexFormat);
        ASSERT_NE(buffer, nullptr);
    }

    // A quad covering [x0, x1] x [y0, y1] of clip space at depth z, as a 4-vertex strip at
    // vertex `first` of the buffer.
    void putQuad(int first, float x0, float y0, float x1, float y1, float z, std::uint32_t colour, float u1 = 1.0f,
                 float nz = -1.0f) {
        SceneVertex v[4] = {
            {x0, y1, z, 0, 0, nz, colour, 0, 0},
            {x1, y1, z, 0, 0, nz, colour, u1, 0},
            {x0, y0, z, 0, 0, nz, colour, 0, 1},
            {x1, y0, z, 0, 0, nz, colour, u1, 1},
        };
        void* p = device->lockVertexBuffer(*buffer, std::uint32_t(first) * 36, sizeof v);
        ASSERT_NE(p, nullptr);
        std::memcpy(p, v, sizeof v);
        ASSERT_TRUE(device->unlockVertexBuffer(*buffer));
    }

    void drawQuad(int first) {
        ASSERT_TRUE(device->setStreamSource(0, buffer.get(), 36));
        ASSERT_TRUE(device->setVertexFormat(kSceneVertexFormat));
        ASSERT_TRUE(device->drawPrimitive(PrimitiveType::TriangleStrip, std::uint32_t(first), 2));
    }

    Rgb pixel(int x, int y) {
        std::vector<std::uint8_t> rgba;
        int w = 0;
        int h = 0;
        EXPECT_TRUE(device->readBackBuffer(rgba, w, h));
        if (x >= w || y >= h) return {-1, -1, -1};
        const std::uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
        return {p[0], p[1], p[2]};
    }

    static int toByte(double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

    std::unique_ptr<GlDevice> device;
    std::unique_ptr<VertexBuffer> buffer;
};

void expectNear(const Rgb& got, const Rgb& want, int tolerance = 1) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], tolerance) << "channel " << c;
}

TEST_F(GlDeviceTest, ClearFillsTheBackBufferWithTheArgbColour) {
    ASSERT_TRUE(device->beginScene());
    ASSERT_TRUE(device->clear(kClearTarget | kClearZBuffer, 0xFF3366CC, 1.0f, 0));
    ASSERT_TRUE(device->endScene());
    expectNear(pixel(0, 0), {0x33, 0x66, 0xCC}, 0);
    expectNear(pixel(639, 479), {0x33, 0x66, 0xCC}, 0);
}

struct LightingCase {
    const char* name;
    bool lighting;
    bool lightOn;
    std::uint32_t vertexColour;
    Material material;
    Rgb (*expected)(const LightingCase&);
};

TEST_F(GlDeviceTest, LightingFollowsTheFixedFunctionColourRules) {
    Light light;
    light.type = LightType::Directional;
    light.diffuse = {1.0f, 1.0f, 0.8f, 1.0f};
    light.ambient = {0.2f, 0.4f, 0.5f, 1.0f};
    light.direction = {0.0f, 0.0f, 2.0f};  // into the screen, onto the quad's (0, 0, -1) normal
    Material material;
    material.diffuse = {0.3f, 0.6f, 0.9f, 1.0f};
    material.ambient = {0.5f, 0.25f, 1.0f, 1.0f};
    material.emissive = {0.1f, 0.0f, 0.0f, 0.0f};
    const double vr = 0x80 / 255.0, vg = 0x40 / 255.0, vb = 0xC0 / 255.0;  // vertex 0xFF8040C0
    struct Case {
        const char* name;
        bool lighting;
        bool lightOn;
        float normalZ;
        std::array<double, 3> expected;
    };
    const Case cases[] = {
        // Lighting off: the vertex colour as it stands, whatever the material.
        {"unlit", false, true, -1.0f, {vr, vg, vb}},
        // Colour vertex: the vertex colour is the diffuse source, ambient and emissive from the
        // material: e + ma * la + vc * ld * (N.L = 1).
        {"lit facing", true, true, -1.0f,
         {0.1 + 0.5 * 0.2 + vr * 1.0, 0.0 + 0.25 * 0.4 + vg * 1.0, 0.0 + 1.0 * 0.5 + vb * 0.8}},
        // Facing away from the light: ambient and emissive only.
        {"lit away", true, true, 1.0f, {0.1 + 0.5 * 0.2, 0.25 * 0.4, 1.0 * 0.5}},
        // No light enabled: emissive only.
        {"no light", true, false, -1.0f, {0.1, 0.0, 0.0}},
        // A zero normal (a mesh without normals) has no direction to light: ambient and emissive.
        {"zero normal", true, true, 0.0f, {0.1 + 0.5 * 0.2, 0.25 * 0.4, 1.0 * 0.5}},
    };
    ASSERT_TRUE(device->setLight(0, light));
    ASSERT_TRUE(device->setMaterial(material));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        putQuad(0, -1, -1, 1, 1, 0.5f, 0xFF8040C0, 1.0f, c.normalZ);
        ASSERT_TRUE(device->lightEnable(0, c.lightOn));
        ASSERT_TRUE(device->setRenderState(RenderState::Lighting, c.lighting));
        ASSERT_TRUE(device->beginScene());
        device->clear(kClearTarget | kClearZBuffer, 0xFF000000, 1.0f, 0);
        drawQuad(0);
        ASSERT_TRUE(device->endScene());
        expectNear(pixel(320, 240), {toByte(c.expected[0]), toByte(c.expected[1]), toByte(c.expected[2])});
    }
}

TEST_F(GlDeviceTest, DepthTestKeepsTheNearerQuadOnlyWhileOn) {
    putQuad(0, -1, -1, 1, 1, 0.3f, 0xFFFF0000);  // near, red
    putQuad(4, -1, -1, 1, 1, 0.7f, 0xFF00FF00);  // far, green, drawn second
    device->setRenderState(RenderState::Lighting, false);
    for (bool depth : {true, false}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(device->setRenderState(RenderState::DepthTest, depth));
        ASSERT_TRUE(device->beginScene());
        device->clear(kClearTarget | kClearZBuffer, 0xFF000000, 1.0f, 0);
        drawQuad(0);
        drawQuad(4);
        ASSERT_TRUE(device->endScene());
        expectNear(pixel(320, 240), depth ? Rgb{255, 0, 0} : Rgb{0, 255, 0}, 0);
    }
}

TEST_F(GlDeviceTest, TexturesModulateAndAddressModesWrapOrClamp) {
    // A 2x1 texture, left texel grey 128, right texel white, drawn with u from 0 to 2 and point
    // filtering: wrap repeats it, clamp stretches the right texel over the second half.
    testing::TempDir dir;
    Image image;
    ImageLevel level;
    level.width = 2;
    level.height = 1;
    level.data = {128, 128, 128, 255, 255, 255, 255, 255};
    image.levels.push_back(level);
    const std::string path = dir.file("two.dds");
    ASSERT_TRUE(writeDdsFile(path, image));
    auto texture = device->loadTexture(path, TextureLoadOptions{});
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(device->loadTexture(dir.file("missing.dds"), TextureLoadOptions{}), nullptr);

    putQuad(0, -1, -1, 1, 1, 0.5f, 0xFF00FF80, 2.0f);
    device->setRenderState(RenderState::Lighting, false);
    device->setTextureStageState(0, TextureStageState::MagFilter, std::uint32_t(TextureFilter::Point));
    device->setTextureStageState(0, TextureStageState::MinFilter, std::uint32_t(TextureFilter::Point));
    device->setTextureStageState(0, TextureStageState::MipFilter, std::uint32_t(TextureFilter::None));
    ASSERT_TRUE(device->setTexture(0, texture.get()));
    struct Case {
        TextureAddress address;
        // Texel under x = 80 (u 0.25), 240 (u 0.75), 400 (u 1.25), 560 (u 1.75): grey or white
        bool white[4];
    };
    const Case cases[] = {{TextureAddress::Wrap, {false, true, false, true}},
                          {TextureAddress::Clamp, {false, true, true, true}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.address));
        device->setTextureStageState(0, TextureStageState::AddressU, std::uint32_t(c.address));
        ASSERT_TRUE(device->beginScene());
        drawQuad(0);
        ASSERT_TRUE(device->endScene());
        const int xs[4] = {80, 240, 400, 560};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(xs[i]);
            const int t = c.white[i] ? 255 : 128;
            // Vertex 0x00FF80 modulated by the texel.
            expectNear(pixel(xs[i], 240), {0, t, toByte(0x80 / 255.0 * t / 255.0)});
        }
    }
    // Unbinding turns texturing off: the vertex colour alone.
    ASSERT_TRUE(device->setTexture(0, nullptr));
    ASSERT_TRUE(device->beginScene());
    drawQuad(0);
    ASSERT_TRUE(device->endScene());
    expectNear(pixel(80, 240), {0, 255, 128});
}

// A blue texel of alpha 64 over red: mixed while AlphaBlend is on, drawn as it is once it is off.
TEST_F(GlDeviceTest, AlphaBlendMixesTheTexelOverWhatIsDrawnOnlyWhileOn) {
    testing::TempDir dir;
    Image image;
    image.levels.push_back(ImageLevel{1, 1, {0, 0, 255, 64}});
    const std::string path = dir.file("blue.dds");
    ASSERT_TRUE(writeDdsFile(path, image, DdsLayout::Bgra32));
    auto texture = device->loadTexture(path, TextureLoadOptions{});
    ASSERT_NE(texture, nullptr);
    putQuad(0, -1, -1, 1, 1, 0.5f, 0xFFFFFFFF);
    device->setRenderState(RenderState::Lighting, false);
    device->setRenderState(RenderState::DepthTest, false);
    device->setTexture(0, texture.get());
    for (bool blend : {true, false}) {
        SCOPED_TRACE(blend);
        ASSERT_TRUE(device->setRenderState(RenderState::AlphaBlend, blend));
        ASSERT_TRUE(device->beginScene());
        device->clear(kClearTarget, 0xFFFF0000, 1.0f, 0);
        drawQuad(0);
        ASSERT_TRUE(device->endScene());
        expectNear(pixel(320, 240), blend ? Rgb{toByte(191 / 255.0), 0, toByte(64 / 255.0)} : Rgb{0, 0, 255});
    }
}

TEST_F(GlDeviceTest, DxtTexturesDrawTheirDecodedColours) {
    // One DXT1 block: colour 0 pure red (0xF800), every index 0.
    testing::TempDir dir;
    Image image;
    image.format = PixelFormat::Dxt1;
    ImageLevel level;
    level.width = 4;
    level.height = 4;
    level.data = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
    image.levels.push_back(level);
    const std::string path = dir.file("red.dds");
    ASSERT_TRUE(writeDdsFile(path, image));
    auto texture = device->loadTexture(path, TextureLoadOptions{});
    ASSERT_NE(texture, nullptr);
    putQuad(0, -1, -1, 1, 1, 0.5f, 0xFFFFFFFF);
    device->setRenderState(RenderState::Lighting, false);
    device->setTexture(0, texture.get());
    ASSERT_TRUE(device->beginScene());
    drawQuad(0);
    ASSERT_TRUE(device->endScene());
    expectNear(pixel(320, 240), {255, 0, 0}, 0);
}

TEST_F(GlDeviceTest, RefusesOutOfRangeBuffersDrawsAndStates) {
    // Locks beyond the buffer, double locks, draws past the last vertex, draws outside a scene.
    EXPECT_EQ(device->lockVertexBuffer(*buffer, 36 * 8, 36), nullptr);
    EXPECT_EQ(device->lockVertexBuffer(*buffer, 0xFFFFFFF0u, 0x20), nullptr);
    void* p = device->lockVertexBuffer(*buffer, 0, 36);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(device->lockVertexBuffer(*buffer, 0, 36), nullptr);
    EXPECT_TRUE(device->unlockVertexBuffer(*buffer));
    EXPECT_FALSE(device->unlockVertexBuffer(*buffer));
    EXPECT_EQ(device->createVertexBuffer(0, 0, kSceneVertexFormat), nullptr);

    device->setStreamSource(0, buffer.get(), 36);
    device->setVertexFormat(kSceneVertexFormat);
    EXPECT_FALSE(device->drawPrimitive(PrimitiveType::TriangleStrip, 0, 2)) << "outside a scene";
    ASSERT_TRUE(device->beginScene());
    EXPECT_FALSE(device->beginScene()) << "nested scene";
    EXPECT_TRUE(device->drawPrimitive(PrimitiveType::TriangleStrip, 4, 2));   // vertices 4..7
    EXPECT_FALSE(device->drawPrimitive(PrimitiveType::TriangleStrip, 5, 2));  // vertex 8 is past the end
    EXPECT_FALSE(device->drawPrimitive(PrimitiveType::TriangleList, 0, 3));   // 9 vertices
    EXPECT_FALSE(device->drawPrimitive(PrimitiveType::TriangleStrip, 0xFFFFFFFFu, 0xFFFFFFFFu));
    ASSERT_TRUE(device->endScene());
    EXPECT_FALSE(device->endScene());

    EXPECT_FALSE(device->setStreamSource(1, buffer.get(), 36));
    EXPECT_FALSE(device->setVertexFormat(kVertexPositionRhw | kVertexDiffuse));
    EXPECT_FALSE(device->setLight(8, Light{}));
    EXPECT_FALSE(device->lightEnable(-1, true));
    EXPECT_FALSE(device->setTextureStageState(8, TextureStageState::AddressU, 1));
    EXPECT_FALSE(device->setTextureStageState(0, TextureStageState::AddressU, 7));
    EXPECT_FALSE(device->setTexture(-1, nullptr));
    EXPECT_EQ(device->loadMesh("/nonexistent/car.x"), nullptr);
}

TEST_F(GlDeviceTest, ProbeFindsCoreProfileAndLeavesTheCurrentContextAlone) {
    const auto& w = testing::glTestWindow();
    EXPECT_TRUE(GlDevice::probe());
    EXPECT_EQ(QOpenGLContext::currentContext(), w.context);
    EXPECT_EQ(GlDevice::requiredFormat().profile(), QSurfaceFormat::CoreProfile);
    EXPECT_GE(GlDevice::requiredFormat().depthBufferSize(), 16);
}

TEST_F(GlDeviceTest, PngTexturesAndTheBundledCarMeshLoadAndDraw) {
    // A PNG texture through the same load call: a flat colour modulating a white quad.
    testing::TempDir dir;
    QImage png(4, 4, QImage::Format_RGBA8888);
    png.fill(QColor(40, 160, 220));
    const std::string path = dir.file("flat.png");
    ASSERT_TRUE(png.save(QString::fromStdString(path), "PNG"));
    auto texture = device->loadTexture(path, TextureLoadOptions{});
    ASSERT_NE(texture, nullptr);
    putQuad(0, -1, -1, 1, 1, 0.5f, 0xFFFFFFFF);
    device->setRenderState(RenderState::Lighting, false);
    device->setTexture(0, texture.get());
    ASSERT_TRUE(device->beginScene());
    drawQuad(0);
    ASSERT_TRUE(device->endScene());
    expectNear(pixel(320, 240), {40, 160, 220}, 0);

    // The generated car: every material a subset, in file order; subsets past the end refused.
    auto mesh = device->loadMesh(std::string(TORVASK_RUNTIME_DIR) + "/cars/default/car.x");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->subsetCount(), 11);
    ASSERT_EQ(mesh->materials().size(), 11u);
    EXPECT_GT(mesh->materials()[8].material.diffuse.r, 0.8f);
    EXPECT_FALSE(device->drawSubset(*mesh, 0)) << "outside a scene";
    ASSERT_TRUE(device->beginScene());
    for (int i = 0; i < mesh->subsetCount(); ++i) EXPECT_TRUE(device->drawSubset(*mesh, i)) << i;
    EXPECT_FALSE(device->drawSubset(*mesh, 11));
    EXPECT_FALSE(device->drawSubset(*mesh, -1));
    ASSERT_TRUE(device->endScene());
}

TEST_F(GlDeviceTest, ResourcesMayOutliveTheirDevice) {
    testing::TempDir dir;
    Image image;
    ImageLevel level;
    level.width = 1;
    level.height = 1;
    level.data = {1, 2, 3, 4};
    image.levels.push_back(level);
    ASSERT_TRUE(writeDdsFile(dir.file("one.dds"), image));
    auto texture = device->loadTexture(dir.file("one.dds"), TextureLoadOptions{});
    auto font = device->createFont(FontDescription{-12, "Arial"});
    ASSERT_NE(texture, nullptr);
    ASSERT_NE(font, nullptr);
    device->setTexture(0, texture.get());
    device->setStreamSource(0, buffer.get(), 36);
    device.reset();
    // Destroying them now must neither crash nor touch freed memory (the sanitizer build checks),
    // and must leave the context fit for the next device.
    texture.reset();
    font.reset();
    buffer.reset();
    const auto& w = testing::glTestWindow();
    device = std::make_unique<GlDevice>(w.context, w.window);
    ASSERT_TRUE(device->initialise());
    ASSERT_TRUE(device->beginScene());
    ASSERT_TRUE(device->clear(kClearTarget, 0xFF102030, 1.0f, 0));
    ASSERT_TRUE(device->endScene());
    expectNear(pixel(5, 5), {0x10, 0x20, 0x30}, 0);
}

TEST_F(GlDeviceTest, TextIsDrawnInItsColourInsideItsRectangleOnly) {
    auto font = device->createFont(FontDescription{-12, "Arial"});
    ASSERT_NE(font, nullptr);
    struct Case {
        const char* text;
        int length;
        int lines;
    };
    const Case cases[] = {{"FPS: 60\r\nPhysics Rate: 1.00\r\n", -1, 2},
                          {"one\ntwo\rthree", -1, 3},
                          {"cut here\r\nnot this", 8, 1},
                          {"", -1, 0}};
    int lineHeight = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(device->beginScene());
        device->clear(kClearTarget | kClearZBuffer, 0xFF000000, 1.0f, 0);
        ASSERT_TRUE(device->beginText(*font));
        const int height = device->drawText(*font, c.text, c.length, TextRect{2, 30, 500, 200}, kTextLeftTop, 0xFFFFFF00);
        ASSERT_TRUE(device->endText(*font));
        ASSERT_TRUE(device->endScene());
        if (c.lines == 1) lineHeight = height;
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        ASSERT_TRUE(device->readBackBuffer(rgba, w, h));
        int inside = 0;
        int outside = 0;
        int notYellow = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
                if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
                if (x >= 2 && x < 500 && y >= 30 && y < 200) {
                    ++inside;
                } else {
                    ++outside;
                }
                if (p[2] != 0 || p[0] != p[1]) ++notYellow;  // yellow at any coverage: r = g, b = 0
            }
        }
        EXPECT_EQ(outside, 0);
        EXPECT_EQ(notYellow, 0);
        if (c.lines == 0) {
            EXPECT_EQ(height, 0);
            EXPECT_EQ(inside, 0);
        } else {
            EXPECT_GT(inside, 20 * c.lines);
        }
        if (lineHeight > 0 && c.lines > 0) {
            EXPECT_EQ(height, c.lines * lineHeight);
        }
    }
    EXPECT_GE(lineHeight, 12);
    EXPECT_LE(lineHeight, 16);
    // Clipping: a rectangle 5 pixels high shows only the top of the glyphs.
    ASSERT_TRUE(device->beginScene());
    device->clear(kClearTarget, 0xFF000000, 1.0f, 0);
    device->beginText(*font);
    device->drawText(*font, "HHHH", -1, TextRect{10, 10, 40, 15}, kTextLeftTop, 0xFFFFFF00);
    device->endText(*font);
    ASSERT_TRUE(device->endScene());
    std::vector<std::uint8_t> rgba;
    int w = 0, h = 0;
    ASSERT_TRUE(device->readBackBuffer(rgba, w, h));
    int lit = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (rgba[(std::size_t(y) * w + x) * 4] == 0) continue;
            EXPECT_TRUE(x >= 10 && x < 40 && y >= 10 && y < 15) << x << "," << y;
            ++lit;
        }
    }
    EXPECT_GT(lit, 0);
}

// At half scale the scene is drawn into half the pixels and stretched over the whole window,
// while text drawn over it is the same, pixel for pixel, as at full scale.
TEST_F(GlDeviceTest, AReducedSceneScaleStretchesTheSceneButNotTheText) {
    auto font = device->createFont(FontDescription{-12, "Arial"});
    ASSERT_NE(font, nullptr);
    auto frame = [&](double scale, std::vector<std::uint8_t>& rgba) {
        device->setSceneScale(scale);
        ASSERT_TRUE(device->clear(kClearTarget | kClearZBuffer, 0xFF000000, 1.0f, 0));
        ASSERT_TRUE(device->beginScene());
        // A red strip exactly one window column wide, at column 101.
        putQuad(0, 101.0f / 320.0f - 1.0f, -1.0f, 102.0f / 320.0f - 1.0f, 1.0f, 0.5f, 0xFFFF0000);
        ASSERT_TRUE(device->setRenderState(RenderState::Lighting, false));
        drawQuad(0);
        ASSERT_TRUE(device->beginText(*font));
        device->drawText(*font, "HHHH", -1, TextRect{300, 200, 400, 220}, kTextLeftTop, 0xFFFFFF00);
        ASSERT_TRUE(device->endText(*font));
        ASSERT_TRUE(device->endScene());
        int w = 0, h = 0;
        ASSERT_TRUE(device->readBackBuffer(rgba, w, h));
        ASSERT_EQ(w, 640);
        ASSERT_EQ(h, 480);
    };
    auto redColumns = [](const std::vector<std::uint8_t>& rgba, int y) {
        std::vector<int> columns;
        for (int x = 0; x < 640; ++x) {
            if (rgba[(std::size_t(y) * 640 + x) * 4] > 0) columns.push_back(x);
        }
        return columns;
    };
    std::vector<std::uint8_t> full, half;
    frame(1.0, full);
    frame(0.5, half);
    EXPECT_EQ(redColumns(full, 240), std::vector<int>{101});
    for (int y : {0, 240, 479}) {
        SCOPED_TRACE(y);
        const std::vector<int> columns = redColumns(half, y);
        ASSERT_FALSE(columns.empty());
        EXPECT_GE(columns.size(), 2u);
        EXPECT_GE(columns.front(), 98);
        EXPECT_LE(columns.back(), 104);
    }
    int textPixels = 0;
    for (int y = 200; y < 220; ++y) {
        for (int x = 300; x < 400; ++x) {
            const std::size_t at = (std::size_t(y) * 640 + x) * 4;
            ASSERT_EQ(std::memcmp(&full[at], &half[at], 4), 0) << x << "," << y;
            textPixels += full[at] > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(device->sceneScale(), 0.5);
}

}  // namespace
}  // namespace torvask
