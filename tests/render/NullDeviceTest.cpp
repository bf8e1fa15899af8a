#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "render/NullDevice.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using torvask::testing::TempDir;

TEST(NullDeviceTest, RecordsEveryCallWithItsArguments) {
    TempDir dir;
    const std::string texturePath = dir.write("sky 1.dds", "x");
    const std::string meshPath = dir.write("car.x", "x");

    NullDevice device;
    // Resources live for the whole table so that ids stay put: buffer #1, texture #2,
    // mesh #3, font #4.
    auto buffer = device.createVertexBuffer(72, kUsageWriteOnly, 0x152);
    auto texture = device.loadTexture(texturePath, {ImageFilter::Linear, ImageFilter::Linear});
    auto mesh = device.loadMesh(meshPath);
    auto font = device.createFont({-12, "Arial"});
    ASSERT_TRUE(buffer && texture && mesh && font);
    const std::vector<std::string> creations = {
        "createVertexBuffer(72, 0x8, 0x152) -> #1",
        "loadTexture(\"" + texturePath + "\", Linear, Linear) -> #2",
        "loadMesh(\"" + meshPath + "\") -> #3",
        "createFont(-12, \"Arial\") -> #4",
    };
    EXPECT_EQ(device.log().describeAll(), creations);

    Light light;
    light.type = LightType::Directional;
    light.diffuse = {1.0f, 1.0f, 0.8f, 1.0f};
    light.ambient = {1.0f, 1.0f, 0.8f, 1.0f};
    light.direction = {-0.2f, -1.0f, 0.2f};
    Material material;
    material.diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    material.ambient = {0.1f, 0.05f, 0.2f, 1.0f};
    material.power = 4.0f;

    struct Case {
        std::function<void()> call;
        std::string expected;
    };
    const Case cases[] = {
        {[&] { device.clear(kClearZBuffer, 0xFF0096FF, 1.0f, 0); }, "clear(0x2, 0xFF0096FF, 1, 0)"},
        {[&] { device.beginScene(); }, "beginScene()"},
        {[&] { device.endScene(); }, "endScene()"},
        {[&] { device.present(); }, "present()"},
        {[&] { device.setTransform(TransformKind::World, matrixTranslation(1.5f, -2.0f, 0.1f)); },
         "setTransform(World, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 1.5 -2 0.100000001 1])"},
        {[&] { device.setTransform(TransformKind::View, matrixIdentity()); },
         "setTransform(View, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 0 1])"},
        {[&] { device.setRenderState(RenderState::Lighting, false); }, "setRenderState(Lighting, off)"},
        {[&] { device.setRenderState(RenderState::DepthTest, true); }, "setRenderState(DepthTest, on)"},
        {[&] { device.setTextureStageState(0, TextureStageState::AddressU, uint32_t(TextureAddress::Clamp)); },
         "setTextureStageState(0, AddressU, Clamp)"},
        {[&] { device.setTextureStageState(0, TextureStageState::AddressV, uint32_t(TextureAddress::Wrap)); },
         "setTextureStageState(0, AddressV, Wrap)"},
        {[&] { device.setTextureStageState(0, TextureStageState::MagFilter, uint32_t(TextureFilter::Linear)); },
         "setTextureStageState(0, MagFilter, Linear)"},
        {[&] { device.setTextureStageState(1, TextureStageState::MinFilter, 77); },
         "setTextureStageState(1, MinFilter, 77)"},
        {[&] { device.setLight(0, light); },
         "setLight(0, Directional, diffuse (1 1 0.800000012 1), specular (0 0 0 0), ambient (1 1 0.800000012 1), "
         "position (0 0 0), direction (-0.200000003 -1 0.200000003), range 0, falloff 0, attenuation (0 0 0), "
         "theta 0, phi 0)"},
        {[&] { device.lightEnable(0, true); }, "lightEnable(0, on)"},
        {[&] { device.setMaterial(material); },
         "setMaterial(diffuse (0.5 0.25 1 1), ambient (0.100000001 0.0500000007 0.200000003 1), "
         "specular (0 0 0 0), emissive (0 0 0 0), power 4)"},
        {[&] { device.lockVertexBuffer(*buffer, 36, 36); }, "lockVertexBuffer(#1, 36, 36)"},
        {[&] { device.unlockVertexBuffer(*buffer); }, "unlockVertexBuffer(#1)"},
        {[&] { device.setStreamSource(0, buffer.get(), 36); }, "setStreamSource(0, #1, 36)"},
        {[&] { device.setStreamSource(0, nullptr, 0); }, "setStreamSource(0, none, 0)"},
        {[&] { device.setVertexFormat(0x152); }, "setVertexFormat(0x152)"},
        {[&] { device.drawPrimitive(PrimitiveType::TriangleStrip, 4, 2); }, "drawPrimitive(TriangleStrip, 4, 2)"},
        {[&] { device.setTexture(0, texture.get()); }, "setTexture(0, #2 \"" + texturePath + "\")"},
        {[&] { device.setTexture(0, nullptr); }, "setTexture(0, none)"},
        {[&] { device.drawSubset(*mesh, 9); }, "drawSubset(#3, 9)"},
        {[&] { device.beginText(*font); }, "beginText(#4)"},
        {[&] { device.drawText(*font, "Mode: \"User\"\r\n\\", -1, {2, 30, 500, 200}, 0, 0xFFFFFF00); },
         "drawText(#4, \"Mode: \\\"User\\\"\\r\\n\\\\\", -1, (2 30 500 200), 0x0, 0xFFFFFF00)"},
        {[&] { device.endText(*font); }, "endText(#4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        device.log().clear();
        c.call();
        ASSERT_EQ(device.calls().size(), 1u);
        EXPECT_TRUE(device.calls()[0].result);
        EXPECT_EQ(device.calls()[0].describe(), c.expected);
    }
}

TEST(NullDeviceTest, EveryOperationCanBeMadeToFail) {
    TempDir dir;
    const std::string file = dir.write("a.dds", "x");
    // Each call makes the resources it needs on the device under test.
    struct Case {
        DeviceOp op;
        std::function<bool(NullDevice&)> call;
    };
    const Case cases[] = {
        {DeviceOp::Clear, [](NullDevice& d) { return d.clear(kClearZBuffer, 0, 1.0f, 0); }},
        {DeviceOp::BeginScene, [](NullDevice& d) { return d.beginScene(); }},
        {DeviceOp::EndScene, [](NullDevice& d) { return d.endScene(); }},
        {DeviceOp::Present, [](NullDevice& d) { return d.present(); }},
        {DeviceOp::SetTransform, [](NullDevice& d) { return d.setTransform(TransformKind::Projection, {}); }},
        {DeviceOp::SetRenderState, [](NullDevice& d) { return d.setRenderState(RenderState::Lighting, true); }},
        {DeviceOp::SetTextureStageState,
         [](NullDevice& d) { return d.setTextureStageState(0, TextureStageState::MinFilter, 2); }},
        {DeviceOp::SetLight, [](NullDevice& d) { return d.setLight(0, Light{}); }},
        {DeviceOp::LightEnable, [](NullDevice& d) { return d.lightEnable(0, true); }},
        {DeviceOp::SetMaterial, [](NullDevice& d) { return d.setMaterial(Material{}); }},
        {DeviceOp::CreateVertexBuffer, [](NullDevice& d) { return d.createVertexBuffer(36, 0, 0x152) != nullptr; }},
        {DeviceOp::LockVertexBuffer,
         [&](NullDevice& d) {
             auto b = d.createVertexBuffer(36, 0, 0x152);
             return d.lockVertexBuffer(*b, 0, 36) != nullptr;
         }},
        {DeviceOp::UnlockVertexBuffer,
         [&](NullDevice& d) {
             auto b = d.createVertexBuffer(36, 0, 0x152);
             d.lockVertexBuffer(*b, 0, 36);
             return d.unlockVertexBuffer(*b);
         }},
        {DeviceOp::SetStreamSource,
         [&](NullDevice& d) {
             auto b = d.createVertexBuffer(36, 0, 0x152);
             return d.setStreamSource(0, b.get(), 36);
         }},
        {DeviceOp::SetVertexFormat, [](NullDevice& d) { return d.setVertexFormat(0x152); }},
        {DeviceOp::DrawPrimitive, [](NullDevice& d) { return d.drawPrimitive(PrimitiveType::TriangleStrip, 0, 2); }},
        {DeviceOp::LoadTexture, [&](NullDevice& d) { return d.loadTexture(file, {}) != nullptr; }},
        {DeviceOp::SetTexture, [](NullDevice& d) { return d.setTexture(0, nullptr); }},
        {DeviceOp::LoadMesh, [&](NullDevice& d) { return d.loadMesh(file) != nullptr; }},
        {DeviceOp::DrawSubset,
         [&](NullDevice& d) {
             auto m = d.loadMesh(file);
             return d.drawSubset(*m, 0);
         }},
        {DeviceOp::CreateFont, [](NullDevice& d) { return d.createFont({-12, "Arial"}) != nullptr; }},
        {DeviceOp::BeginText,
         [](NullDevice& d) {
             auto f = d.createFont({-12, "Arial"});
             return d.beginText(*f);
         }},
        {DeviceOp::DrawText,
         [](NullDevice& d) {
             auto f = d.createFont({-12, "Arial"});
             return d.drawText(*f, "x", -1, {}, 0, 0) != 0;
         }},
        {DeviceOp::EndText,
         [](NullDevice& d) {
             auto f = d.createFont({-12, "Arial"});
             return d.endText(*f);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(deviceOpName(c.op));
        NullDevice works;
        EXPECT_TRUE(c.call(works));
        NullDevice broken;
        broken.options.failing = {c.op};
        EXPECT_FALSE(c.call(broken));
        const auto recorded = broken.log().ofKind(c.op);
        ASSERT_EQ(recorded.size(), 1u);
        EXPECT_FALSE(recorded[0].result);
        EXPECT_EQ(recorded[0].describe().substr(recorded[0].describe().size() - 10), " -> failed");
        // Only the chosen operation fails.
        for (const auto& call : broken.calls())
            if (call.op != c.op) {
                EXPECT_TRUE(call.result) << call.describe();
            }
        // A device that keeps no calls answers the same and its log stays empty, releases included.
        NullDevice quiet;
        quiet.options.keepCalls = false;
        EXPECT_TRUE(c.call(quiet));
        quiet.options.failing = {c.op};
        EXPECT_FALSE(c.call(quiet));
        quiet.options.failing.clear();
        EXPECT_TRUE(c.call(quiet));
        EXPECT_TRUE(quiet.calls().empty());
    }
}

TEST(NullDeviceTest, TexturesAndMeshesNeedExistingFilesUnlessToldOtherwise) {
    TempDir dir;
    const std::string present = dir.write("ground.dds", "x");
    const std::string missing = dir.file("nothing.dds");
    struct Case {
        const char* name;
        bool needFiles;
        std::string path;
        bool refused;  // path listed as failing
        bool loads;
    };
    const Case cases[] = {
        {"existing file", true, present, false, true},
        {"missing file", true, missing, false, false},
        {"folder is not a file", true, dir.str(), false, false},
        {"empty path", true, "", false, false},
        {"missing file allowed", false, missing, false, true},
        {"existing but refused", true, present, true, false},
        {"allowed but refused", false, missing, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullDevice device;
        device.options.texturesNeedFiles = c.needFiles;
        device.options.meshesNeedFiles = c.needFiles;
        if (c.refused) device.options.failingTexturePaths = {c.path};
        auto texture = device.loadTexture(c.path, {});
        EXPECT_EQ(texture != nullptr, c.loads);
        if (!c.refused) {
            EXPECT_EQ(device.loadMesh(c.path) != nullptr, c.loads);
        }
    }
}

TEST(NullDeviceTest, MeshSubsetsAreConfigurable) {
    TempDir dir;
    const std::string path = dir.write("car.x", "x");
    struct Case {
        const char* name;
        std::optional<std::vector<MeshMaterial>> materials;
        int count;
        int subsets;
    };
    MeshMaterial textured;
    textured.material.diffuse = {1, 0, 0, 1};
    textured.textureFile = "paint.dds";
    const Case cases[] = {
        {"default ten", std::nullopt, 10, 10},
        {"three", std::nullopt, 3, 3},
        {"no materials still has one subset", std::nullopt, 0, 1},
        {"explicit list", std::vector<MeshMaterial>{textured, textured}, 10, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullDevice device;
        device.options.meshSubsetCount = c.count;
        device.options.meshMaterials = c.materials;
        auto mesh = device.loadMesh(path);
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->subsetCount(), c.subsets);
        const auto expected = c.materials ? *c.materials : plainMeshMaterials(c.count);
        EXPECT_EQ(mesh->materials(), expected);
        EXPECT_TRUE(device.drawSubset(*mesh, c.subsets - 1));
        EXPECT_FALSE(device.drawSubset(*mesh, c.subsets));
        EXPECT_FALSE(device.drawSubset(*mesh, -1));
    }
    const auto plain = plainMeshMaterials(10);
    EXPECT_EQ(plain[0].material.diffuse, (ColorValue{1.0f / 16, 0.5f, 0.25f, 1.0f}));
    EXPECT_EQ(plain[9].material.diffuse, (ColorValue{10.0f / 16, 0.5f, 0.25f, 1.0f}));
    EXPECT_EQ(plain[9].material.ambient, ColorValue{});
    EXPECT_TRUE(plain[9].textureFile.empty());
}

TEST(NullDeviceTest, VertexBufferHoldsWhatWasWrittenAndChecksRanges) {
    NullDevice device;
    auto buffer = device.createVertexBuffer(8, 0, 0x152);
    auto* nb = dynamic_cast<NullVertexBuffer*>(buffer.get());
    ASSERT_NE(nb, nullptr);
    EXPECT_EQ(nb->bytes(), std::vector<std::uint8_t>(8, 0));
    struct Case {
        std::uint32_t offset, size;
        bool ok;
    };
    const Case ranges[] = {{0, 8, true}, {4, 4, true}, {8, 0, true}, {4, 5, false}, {9, 0, false},
                           {0xFFFFFFFFu, 2, false}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(::testing::Message() << r.offset << "+" << r.size);
        void* p = device.lockVertexBuffer(*buffer, r.offset, r.size);
        EXPECT_EQ(p != nullptr, r.ok);
        if (p) {
            EXPECT_TRUE(device.unlockVertexBuffer(*buffer));
        }
    }
    auto* p = static_cast<std::uint8_t*>(device.lockVertexBuffer(*buffer, 4, 4));
    ASSERT_NE(p, nullptr);
    const std::uint8_t data[4] = {1, 2, 3, 4};
    std::memcpy(p, data, 4);
    EXPECT_TRUE(nb->locked());
    EXPECT_TRUE(device.unlockVertexBuffer(*buffer));
    EXPECT_FALSE(nb->locked());
    EXPECT_EQ(nb->bytes(), (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 2, 3, 4}));
    // Unlocking what is not locked is a fault the caller must hear about.
    EXPECT_FALSE(device.unlockVertexBuffer(*buffer));
    // An empty buffer is refused.
    EXPECT_EQ(device.createVertexBuffer(0, 0, 0x152), nullptr);
}

TEST(NullDeviceTest, StreamSourceRemembersTheBoundBuffer) {
    NullDevice device;
    auto a = device.createVertexBuffer(36, 0, 0x152);
    auto b = device.createVertexBuffer(36, 0, 0x152);
    EXPECT_EQ(device.streamSourceId(), 0);
    device.setStreamSource(0, b.get(), 36);
    EXPECT_EQ(device.streamSourceId(), 2);
    device.setStreamSource(1, a.get(), 36);
    EXPECT_EQ(device.streamSourceId(), 2);
    device.options.failing = {DeviceOp::SetStreamSource};
    device.setStreamSource(0, a.get(), 36);
    EXPECT_EQ(device.streamSourceId(), 2);
    device.options.failing.clear();
    device.setStreamSource(0, nullptr, 0);
    EXPECT_EQ(device.streamSourceId(), 0);
}

TEST(NullDeviceTest, ReleasesAreRecordedEvenAfterTheDeviceIsGone) {
    TempDir dir;
    const std::string file = dir.write("t.dds", "x");
    auto device = std::make_unique<NullDevice>();
    std::shared_ptr<DeviceLog> log = device->sharedLog();
    auto texture = device->loadTexture(file, {});
    auto font = device->createFont({-12, "Arial"});
    auto buffer = device->createVertexBuffer(36, 0, 0x152);
    auto mesh = device->loadMesh(file);
    texture.reset();
    device.reset();
    font.reset();
    mesh.reset();
    buffer.reset();
    EXPECT_EQ(log->describeAll({DeviceOp::Release}),
              (std::vector<std::string>{"release(texture #1)", "release(font #2)", "release(mesh #4)",
                                        "release(vertex buffer #3)"}));
}

TEST(NullDeviceTest, DrawTextReportsTheHeightOfTheLinesDrawn) {
    NullDevice device;
    auto font = device.createFont({-12, "Arial"});
    struct Case {
        std::string text;
        int length;
        int height;
    };
    const Case cases[] = {{"FPS:", -1, 12},       {"a\r\nb\r\nc", -1, 36}, {"a\r\nb\r\nc", 1, 12},
                          {"", -1, 0},            {"abc", 0, 0},           {"a\nb", 50, 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(device.drawText(*font, c.text, c.length, {0, 0, 100, 100}, 0, 0xFFFFFFFF), c.height);
    }
}

TEST(NullDeviceTest, ResourcesFromAnotherDeviceAreRefused) {
    class ForeignTexture : public Texture {};
    class ForeignBuffer : public VertexBuffer {
    public:
        std::uint32_t lengthBytes() const override { return 36; }
        std::uint32_t vertexFormat() const override { return 0x152; }
    };
    NullDevice device;
    ForeignTexture texture;
    ForeignBuffer buffer;
    EXPECT_FALSE(device.setTexture(0, &texture));
    EXPECT_FALSE(device.setStreamSource(0, &buffer, 36));
    EXPECT_EQ(device.lockVertexBuffer(buffer, 0, 36), nullptr);
    EXPECT_FALSE(device.unlockVertexBuffer(buffer));
}

}  // namespace
}  // namespace torvask
