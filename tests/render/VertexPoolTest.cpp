#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/NullDevice.h"
#include "render/Vertex.h"
#include "render/VertexPool.h"
#include "support/MessageRecorder.h"

namespace torvask {
namespace {

using torvask::testing::MessageRecorder;

std::vector<SceneVertex> vertices(int count, float seed) {
    std::vector<SceneVertex> out;
    for (int i = 0; i < count; ++i) {
        const float f = seed + static_cast<float>(i);
        out.push_back({f, f + 0.5f, -f, 0, 1, 0, 0xFF969696u + static_cast<std::uint32_t>(i), f / 8, 1 - f / 8});
    }
    return out;
}

const NullVertexBuffer& nullBuffer(const VertexPool& pool) {
    return dynamic_cast<const NullVertexBuffer&>(*pool.buffer());
}

TEST(VertexFormatTest, SizesOfFormatCodes) {
    struct Case {
        std::uint32_t format;
        int size;
    };
    const Case cases[] = {
        {0x152, 36},  // position, normal, diffuse, one texture coordinate set
        {0x002, 12},  {0x012, 24}, {0x042, 16}, {0x102, 20}, {0x202, 28},
        {0x144, 28},  // pre-transformed position, diffuse, one set
        {0x0C2, 20},  // diffuse and specular
        {0x022, 16},  // point size
        {0x000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.format);
        EXPECT_EQ(vertexSizeOfFormat(c.format), c.size);
    }
}

TEST(VertexPoolTest, CreateMakesAWriteOnlyBufferOfCapacityVertices) {
    NullDevice device;
    VertexPool pool;
    ASSERT_TRUE(pool.create(&device, 500, kSceneVertexFormat));
    EXPECT_EQ(device.log().describeAll(), std::vector<std::string>{"createVertexBuffer(18000, 0x8, 0x152) -> #1"});
    EXPECT_EQ(pool.device(), &device);
    EXPECT_EQ(pool.capacity(), 500);
    EXPECT_EQ(pool.vertexFormat(), 0x152u);
    EXPECT_EQ(pool.vertexSize(), 36);
    EXPECT_EQ(pool.freeIndex(), 0);
}

TEST(VertexPoolTest, CreateRefusals) {
    struct Case {
        const char* name;
        bool withDevice;
        bool deviceFails;
        std::int32_t capacity;
        std::uint32_t format;
        bool bufferRequested;
    };
    const Case cases[] = {
        {"no device", false, false, 500, 0x152, false},
        {"device refuses the buffer", true, true, 500, 0x152, true},
        {"capacity 0", true, false, 0, 0x152, false},
        {"negative capacity", true, false, -5, 0x152, false},
        {"format without size", true, false, 500, 0, false},
        {"more bytes than a buffer can hold", true, false, 0x7FFFFFFF, 0x152, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullDevice device;
        VertexPool pool;
        // A working pool first: a refused create must not leave the old buffer in use.
        ASSERT_TRUE(pool.create(&device, 10, 0x152));
        ASSERT_EQ(pool.addVertices(2, vertices(2, 0).data()), 0);
        if (c.deviceFails) device.options.failing = {DeviceOp::CreateVertexBuffer};
        device.log().clear();
        EXPECT_FALSE(pool.create(c.withDevice ? &device : nullptr, c.capacity, c.format));
        EXPECT_EQ(device.log().ofKind(DeviceOp::CreateVertexBuffer).size(), c.bufferRequested ? 1u : 0u);
        if (c.withDevice) {
            EXPECT_EQ(pool.buffer(), nullptr);
            EXPECT_EQ(pool.freeIndex(), 0);
            EXPECT_EQ(pool.addVertices(1, vertices(1, 0).data()), -1);
            EXPECT_EQ(device.log().describeAll({DeviceOp::Release}), std::vector<std::string>{"release(vertex buffer #1)"});
        } else {
            // Without a device nothing is touched.
            EXPECT_NE(pool.buffer(), nullptr);
            EXPECT_EQ(pool.freeIndex(), 2);
        }
    }
}

TEST(VertexPoolTest, AppendsReturnFirstIndicesAndCopyTheBytes) {
    NullDevice device;
    VertexPool pool;
    ASSERT_TRUE(pool.create(&device, 10, kSceneVertexFormat));
    const auto a = vertices(4, 1.0f);
    const auto b = vertices(3, 100.0f);
    EXPECT_EQ(pool.addVertices(4, a.data()), 0);
    EXPECT_EQ(pool.addVertices(3, b.data()), 4);
    EXPECT_EQ(pool.addVertices(0, nullptr), 7);
    EXPECT_EQ(pool.freeIndex(), 7);
    EXPECT_EQ(device.log().describeAll({DeviceOp::LockVertexBuffer, DeviceOp::UnlockVertexBuffer}),
              (std::vector<std::string>{"lockVertexBuffer(#1, 0, 144)", "unlockVertexBuffer(#1)",
                                        "lockVertexBuffer(#1, 144, 108)", "unlockVertexBuffer(#1)",
                                        "lockVertexBuffer(#1, 252, 0)", "unlockVertexBuffer(#1)"}));
    std::vector<std::uint8_t> expected(360, 0);
    std::memcpy(expected.data(), a.data(), 144);
    std::memcpy(expected.data() + 144, b.data(), 108);
    EXPECT_EQ(nullBuffer(pool).bytes(), expected);
}

TEST(VertexPoolTest, FailureResults) {
    struct Case {
        const char* name;
        DeviceOp failing;       // Present = none
        std::int32_t stored;    // vertices already in the pool of 10
        std::int32_t count;
        bool nullData;
        std::int32_t result;
        std::int32_t freeAfter;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"exactly the rest fits", DeviceOp::Present, 6, 4, false, 6, 10, {}},
        {"one more than the rest", DeviceOp::Present, 6, 5, false, -2, 6, {}},
        {"full pool, one more", DeviceOp::Present, 10, 1, false, -2, 10, {}},
        {"negative count", DeviceOp::Present, 6, -1, false, -2, 6, {}},
        {"no vertex data", DeviceOp::Present, 6, 2, true, -2, 6, {}},
        {"count that would overflow", DeviceOp::Present, 6, 0x7FFFFFFF, false, -2, 6, {}},
        {"lock fails", DeviceOp::LockVertexBuffer, 6, 3, false, -3, 6,
         {"VertexPool::addVertices() numVertices = 3  freeVertexIndex = 6, vertexSize = 36"}},
        {"unlock fails", DeviceOp::UnlockVertexBuffer, 6, 3, false, -4, 6, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullDevice device;
        VertexPool pool;
        ASSERT_TRUE(pool.create(&device, 10, kSceneVertexFormat));
        ASSERT_EQ(pool.addVertices(c.stored, vertices(c.stored, 0).data()), 0);
        device.options.failing = {c.failing};
        MessageRecorder recorder;
        const auto more = vertices(c.count > 0 && c.count < 100 ? c.count : 1, 50.0f);
        EXPECT_EQ(pool.addVertices(c.count, c.nullData ? nullptr : more.data()), c.result);
        EXPECT_EQ(pool.freeIndex(), c.freeAfter);
        EXPECT_EQ(recorder.messages, c.messages);
    }
}

TEST(VertexPoolTest, NoDeviceOrNoBufferAnswersMinusOne) {
    VertexPool pool;
    const auto v = vertices(1, 0);
    EXPECT_EQ(pool.addVertices(1, v.data()), -1);
    EXPECT_FALSE(pool.bind());
}

TEST(VertexPoolTest, BindNeedsStoredVertices) {
    NullDevice device;
    VertexPool pool;
    EXPECT_FALSE(pool.bind());
    ASSERT_TRUE(pool.create(&device, 500, kSceneVertexFormat));
    EXPECT_FALSE(pool.bind());
    EXPECT_TRUE(device.log().ofKind(DeviceOp::SetStreamSource).empty());
    pool.addVertices(4, vertices(4, 0).data());
    EXPECT_TRUE(pool.bind());
    EXPECT_EQ(device.log().describeAll({DeviceOp::SetStreamSource}),
              std::vector<std::string>{"setStreamSource(0, #1, 36)"});
    device.options.failing = {DeviceOp::SetStreamSource};
    EXPECT_FALSE(pool.bind());
}

TEST(VertexPoolTest, CreateAgainStartsOver) {
    NullDevice device;
    VertexPool pool;
    ASSERT_TRUE(pool.create(&device, 500, kSceneVertexFormat));
    pool.addVertices(4, vertices(4, 0).data());
    ASSERT_TRUE(pool.create(&device, 500, kSceneVertexFormat));
    EXPECT_EQ(pool.freeIndex(), 0);
    EXPECT_EQ(pool.addVertices(2, vertices(2, 0).data()), 0);
    EXPECT_EQ(device.log().describeAll({DeviceOp::CreateVertexBuffer, DeviceOp::Release}),
              (std::vector<std::string>{"createVertexBuffer(18000, 0x8, 0x152) -> #1", "release(vertex buffer #1)",
                                        "createVertexBuffer(18000, 0x8, 0x152) -> #2"}));
}

// The scene's pool of 500: ground 4, track ribbon 2N, skybox 24.
TEST(VertexPoolTest, SceneGeometryLimits) {
    struct Case {
        int waypoints;
        std::int32_t ribbon;
        std::int32_t skybox;
        std::int32_t freeAfter;
    };
    const Case cases[] = {
        {2, 4, 8, 32},
        {236, 4, 476, 500},   // fills the pool exactly
        {237, 4, -2, 478},    // the ribbon fits, the skybox does not
        {248, 4, -2, 500},
        {249, -2, 4, 28},     // not even the ribbon (start-up stops there)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.waypoints);
        NullDevice device;
        VertexPool pool;
        ASSERT_TRUE(pool.create(&device, 500, kSceneVertexFormat));
        EXPECT_EQ(pool.addVertices(4, vertices(4, 0).data()), 0);
        EXPECT_EQ(pool.addVertices(2 * c.waypoints, vertices(2 * c.waypoints, 0).data()), c.ribbon);
        EXPECT_EQ(pool.addVertices(24, vertices(24, 0).data()), c.skybox);
        EXPECT_EQ(pool.freeIndex(), c.freeAfter);
    }
}

}  // namespace
}  // namespace torvask
