// The whole frame step drawing through the OpenGL device: the real document, the bundled
// track and the generated art, looked at from the long shot, the follow-track camera and the
// chase camera. The checks are what a person would see.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gl/GlDevice.h"
#include "physics/Car.h"
#include "sim/CTorvaskDoc.h"
#include "sim/HeadlessHost.h"
#include "tests/gl/GlTestWindow.h"

namespace torvask {
namespace {

class GlGraphicsSystem final : public GraphicsSystem {
public:
    bool queryDisplayMode() override { return true; }
    std::unique_ptr<Device> createDevice(WindowHandle, WindowHandle, std::int32_t* failureCode) override {
        const auto& w = testing::glTestWindow();
        auto device = std::make_unique<GlDevice>(w.context, w.window);
        if (!device->initialise()) {
            if (failureCode) *failureCode = -1;
            return nullptr;
        }
        device->setCapturePresents(true);
        return device;
    }
};

class GlGraphicsFactory final : public GraphicsFactory {
public:
    int probeVersion() override { return kRequiredGraphicsVersion; }
    std::unique_ptr<GraphicsSystem> createGraphicsSystem() override { return std::make_unique<GlGraphicsSystem>(); }
};

struct Frame {
    std::vector<std::uint8_t> rgba;
    int width = 0;
    int height = 0;

    const std::uint8_t* at(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
    // Pixels in [x0, x1) x [y0, y1) for which the test holds.
    template <typename Test>
    int count(int x0, int y0, int x1, int y1, Test test) const {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const std::uint8_t* p = at(x, y);
                if (test(int(p[0]), int(p[1]), int(p[2]))) ++n;
            }
        }
        return n;
    }
};

bool isSky(int r, int, int b) { return b > r + 10 && b > 150; }
bool isSand(int r, int g, int b) { return r > 120 && r > g + 8 && g > b + 15; }
bool isAsphalt(int r, int g, int b) { return r > 35 && r < 200 && std::abs(r - g) < 12 && std::abs(b - g) < 16; }
bool isPaint(int r, int g, int b) { return b > 90 && b > r + 60 && b > g + 25; }
bool isGlowingRed(int r, int g, int b) { return r > 200 && g < 110 && b < 110; }
bool isYellowText(int r, int g, int b) { return r > 200 && g > 200 && b < 60 && std::abs(r - g) < 10; }

class GlSceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(testing::glTestWindow().context, nullptr) << "no OpenGL 3.3 core context";
        services = host.services();
        services.graphics = &graphics;
        doc = std::make_unique<CTorvaskDoc>(services);
        doc->setProgramFolder(std::string(TORVASK_RUNTIME_DIR) + "/");
        host.setupChoices.push_back({true, std::string(TORVASK_RUNTIME_DIR) + "/tracks/Oval.trn", ""});
        ASSERT_TRUE(doc->readConfiguration());
        ASSERT_EQ(doc->startScene(0x1), 0);
        ASSERT_EQ(doc->getMode(), kModeUserControl);
    }
    void TearDown() override { doc.reset(); }

    // Runs frames of 17 ms with the given keys held; returns the last presented frame.
    Frame run(int frames, std::initializer_list<std::uint8_t> keys = {}) {
        host.releaseAll();
        for (std::uint8_t k : keys) host.press(k);
        for (int i = 0; i < frames; ++i) {
            host.clock.advance(17);
            EXPECT_EQ(doc->simulateFrame(), 0);
        }
        host.releaseAll();
        Frame frame;
        auto* device = dynamic_cast<GlDevice*>(doc->getDevice());
        EXPECT_NE(device, nullptr);
        if (device) {
            EXPECT_TRUE(device->lastPresentedFrame(frame.rgba, frame.width, frame.height));
        }
        return frame;
    }

    static void save(const Frame& frame, const std::string& name) {
        const auto path = std::filesystem::temp_directory_path() / ("torvask-scene-" + name + ".png");
        testing::writePng(path.string(), frame.rgba, frame.width, frame.height);
    }

    HeadlessHost host;
    GlGraphicsFactory graphics;
    HostServices services;
    std::unique_ptr<CTorvaskDoc> doc;
};

TEST_F(GlSceneTest, LongShotShowsSkyGroundTrackCarAndText) {
    run(1, {dik::kF1});
    const Frame frame = run(30);
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);
    save(frame, "longshot");
    const int w = frame.width, h = frame.height;
    // Sky across the top edge (left of the status text column there is none: use the right).
    EXPECT_GT(frame.count(500, 0, w, 40, isSky), 140 * 40 * 8 / 10);
    // Sand and asphalt fill much of the lower half.
    EXPECT_GT(frame.count(0, h / 2, w, h, isSand), w * h / 2 / 5);
    EXPECT_GT(frame.count(0, h / 3, w, h, isAsphalt), 2000);
    // The yellow status text in its rectangles.
    EXPECT_GT(frame.count(2, 2, 500, 30, isYellowText), 30);
    EXPECT_GT(frame.count(2, 200, 500, 260, isYellowText), 60);
}

TEST_F(GlSceneTest, FollowTrackCameraLooksAlongTheTrack) {
    run(1, {dik::kF2});
    const Frame frame = run(40);
    save(frame, "followtrack");
    const int w = frame.width, h = frame.height;
    EXPECT_GT(frame.count(0, 0, w, h / 3, isSky), w * h / 3 / 4);
    EXPECT_GT(frame.count(0, h / 2, w, h, isSand) + frame.count(0, h / 2, w, h, isAsphalt), w * h / 2 / 2);
    EXPECT_GT(frame.count(0, h / 2, w, h, isAsphalt), 1500);
}

TEST_F(GlSceneTest, ChaseCameraShowsTheCarAndItsBrakeLightsGlowWhenBraking) {
    run(1, {dik::kF3});
    run(60);  // let the car settle
    const Frame rolling = run(1);
    const Frame braking = run(40, {dik::kS});
    ASSERT_LT(doc->getCar()->getThrottleControl(), 0.0);
    const Frame released = run(60);
    ASSERT_GE(doc->getCar()->getThrottleControl(), 0.0);
    save(rolling, "chase");
    save(braking, "chase-braking");
    const int w = braking.width, h = braking.height;
    // The car's blue paint fills a good part of the middle of the picture.
    EXPECT_GT(rolling.count(w / 4, h / 4, 3 * w / 4, h, isPaint), 3000);
    // Below the car: the track, with sand beside it further up.
    EXPECT_GT(rolling.count(0, 3 * h / 4, w, h, isAsphalt), w * h / 4 / 2);
    EXPECT_GT(rolling.count(0, 0, w, h / 2, isSand), 2000);
    const int glowingBraking = braking.count(0, 0, w, h, isGlowingRed);
    const int glowingReleased = released.count(0, 0, w, h, isGlowingRed);
    EXPECT_GT(glowingBraking, 150);
    EXPECT_LT(glowingReleased, glowingBraking / 4);
}

}  // namespace
}  // namespace torvask
