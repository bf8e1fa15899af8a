// The keyboard's ramps and clamps, one frame at a time.
#include <gtest/gtest.h>

#include <initializer_list>

#include "sim/DriveControls.h"

namespace torvask {
namespace {

KeyState keysDown(std::initializer_list<std::uint8_t> codes) {
    KeyState keys{};
    for (auto c : codes) keys[c] = 0x80;
    return keys;
}

struct RampCase {
    const char* name;
    std::initializer_list<std::uint8_t> keys;
    double dt;
    double throttle, brake, steering;  // before
    double wantThrottle, wantBrake, wantSteering;
    bool wantStarted;
};

// Expected values are written as the arithmetic the frame does, so rounding matches exactly.
const RampCase kRampCases[] = {
    {"nothing held: pedals fall, steering centres", {}, 0.1, 0.5, 0.5, 0.3,
     0.5 - 2.5 * 0.1, 0.5 - 2.5 * 0.1, 0.3 + -0.3 * 0.1 * 12.0, false},
    {"W raises throttle", {dik::kW}, 0.1, 0.0, 0.0, 0.0, 0.25 * 0.1, 0.0, 0.0, true},
    {"Up raises throttle", {dik::kUp}, 0.1, 0.0, 0.0, 0.0, 0.25 * 0.1, 0.0, 0.0, true},
    {"S raises brake", {dik::kS}, 0.1, 0.0, 0.0, 0.0, 0.0, 0.25 * 0.1, 0.0, true},
    {"Down raises brake", {dik::kDown}, 0.1, 0.0, 0.0, 0.0, 0.0, 0.25 * 0.1, 0.0, true},
    {"W and S raise both", {dik::kW, dik::kS}, 0.1, 0.2, 0.1, 0.0, 0.2 + 0.25 * 0.1, 0.1 + 0.25 * 0.1, 0.0, true},
    {"A steers left", {dik::kA}, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0, -0.25 * 0.1, true},
    {"Left steers left", {dik::kLeft}, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0, -0.25 * 0.1, true},
    {"D steers right", {dik::kD}, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0, 0.25 * 0.1, true},
    {"Right steers right", {dik::kRight}, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0, 0.25 * 0.1, true},
    {"left wins over right", {dik::kA, dik::kRight}, 0.1, 0.0, 0.0, 0.1, 0.0, 0.0, 0.1 - 0.25 * 0.1, true},
    {"Space centres after a steer key", {dik::kA, dik::kSpace}, 0.1, 0.0, 0.0, 0.2, 0.0, 0.0, 0.0, true},
    {"Space alone does not arm recording", {dik::kSpace}, 0.1, 0.0, 0.0, 0.3, 0.0, 0.0, 0.0, false},
    {"camera, Esc and R keys do not arm recording", {dik::kF1, dik::kF6, dik::kEscape, dik::kR}, 0.1, 0.0, 0.0,
     0.0, 0.0, 0.0, 0.0, false},
    {"throttle clamps at 1", {dik::kW}, 0.1, 0.99, 0.0, 0.0, 1.0, 0.0, 0.0, true},
    {"brake clamps at 1", {dik::kS}, 0.1, 0.0, 0.99, 0.0, 0.0, 1.0, 0.0, true},
    {"steering clamps at -1/3", {dik::kA}, 0.1, 0.0, 0.0, -0.33, 0.0, 0.0, -1.0 / 3.0, true},
    {"steering clamps at +1/3", {dik::kD}, 0.1, 0.0, 0.0, 0.33, 0.0, 0.0, 1.0 / 3.0, true},
    {"centring at 60 fps keeps 0.8 per frame", {}, 1.0 / 60.0, 0.0, 0.0, 1.0 / 3.0, 0.0, 0.0,
     1.0 / 3.0 + -(1.0 / 3.0) * (1.0 / 60.0) * 12.0, false},
    {"centring overshoots above 1/12 s", {}, 0.1, 0.0, 0.0, 0.3, 0.0, 0.0, 0.3 + -0.3 * 0.1 * 12.0, false},
    {"centring above 1/6 s is held by the clamp", {}, 0.2, 0.0, 0.0, 0.3, 0.0, 0.0, -1.0 / 3.0, false},
    {"released pedals stop at 0", {}, 0.5, 0.3, 0.3, 0.0, 0.0, 0.0, 0.0, false},
};

class RampTest : public ::testing::TestWithParam<RampCase> {};

TEST_P(RampTest, OneFrame) {
    const RampCase& c = GetParam();
    double throttle = c.throttle, brake = c.brake, steering = c.steering;
    bool started = false;
    rampDriveControls(keysDown(c.keys), c.dt, throttle, brake, steering, started);
    clampDriveControls(throttle, brake, steering);
    EXPECT_EQ(throttle, c.wantThrottle);
    EXPECT_EQ(brake, c.wantBrake);
    EXPECT_EQ(steering, c.wantSteering);
    EXPECT_EQ(started, c.wantStarted);
}

INSTANTIATE_TEST_SUITE_P(Keys, RampTest, ::testing::ValuesIn(kRampCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(DriveControls, RecordingStaysArmedOnceSet) {
    double t = 0, b = 0, s = 0;
    bool started = true;
    rampDriveControls(KeyState{}, 0.1, t, b, s, started);
    EXPECT_TRUE(started);
}

TEST(DriveControls, HoldingThrottleFourSecondsReachesFullAndReleaseTakesPointFour) {
    const KeyState w = keysDown({dik::kW});
    double t = 0, b = 0, s = 0;
    bool started = false;
    int frames = 0;
    while (t < 1.0 && frames < 1000) {
        rampDriveControls(w, 0.01, t, b, s, started);
        clampDriveControls(t, b, s);
        ++frames;
    }
    // 400 frames of 10 ms; a frame of rounding either way is acceptable.
    EXPECT_NEAR(frames, 400, 1);
    EXPECT_EQ(throttleOutput(t, b), 1.0);
    frames = 0;
    while (t > 0.0 && frames < 1000) {
        rampDriveControls(KeyState{}, 0.01, t, b, s, started);
        clampDriveControls(t, b, s);
        ++frames;
    }
    EXPECT_NEAR(frames, 40, 1);
    EXPECT_EQ(throttleOutput(t, b), 0.5);
}

TEST(DriveControls, FullLeftAfterFourThirdsOfASecond) {
    const KeyState a = keysDown({dik::kA});
    double t = 0, b = 0, s = 0;
    bool started = false;
    int frames = 0;
    while (s > -1.0 / 3.0 && frames < 1000) {
        rampDriveControls(a, 0.01, t, b, s, started);
        clampDriveControls(t, b, s);
        ++frames;
    }
    EXPECT_NEAR(frames, 133, 1);
    EXPECT_EQ(steeringOutput(s), 0.0);
}

TEST(DriveControls, OutputsMapControlRangesOntoUnitInterval) {
    struct Row { double throttle, brake, steering, wantThrottleOut, wantSteeringOut; };
    const Row rows[] = {
        {0.0, 0.0, 0.0, 0.5, 0.5},
        {1.0, 0.0, 1.0 / 3.0, 1.0, 1.0},
        {0.0, 1.0, -1.0 / 3.0, 0.0, 0.0},
        {1.0, 1.0, 0.0, 0.5, 0.5},
        {0.5, 0.25, 0.1, (0.5 - 0.25 + 1.0) * 0.5, (0.1 * 3.0 + 1.0) * 0.5},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.throttle << " " << r.brake << " " << r.steering);
        EXPECT_EQ(throttleOutput(r.throttle, r.brake), r.wantThrottleOut);
        EXPECT_EQ(steeringOutput(r.steering), r.wantSteeringOut);
    }
}

}  // namespace
}  // namespace torvask
