#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "physics/Car.h"
#include "physics/Track.h"
#include "support/MessageRecorder.h"

namespace torvask {
namespace {

using testing::MessageRecorder;

constexpr double kPi = 3.141592653589793;

// A track whose waypoint 0 is the given centre point (the second point only gives it a direction).
Track singlePointTrack(const Vector3& centre) {
    Track t;
    t.setWaypoints({centre, centre + Vector3(1, 0, 1)});
    t.buildEdges();
    return t;
}

struct FactorCase {
    const char* name;
    Vector3 target;  // centre point, seen from a look-ahead point at the origin heading +z
    double factor;
};

class SignedFactorTest : public ::testing::TestWithParam<FactorCase> {};

TEST_P(SignedFactorTest, SineOfTheAngleSignedByTheSide) {
    const FactorCase& c = GetParam();
    const Track t = singlePointTrack(c.target);
    EXPECT_NEAR(Car::signedFactor(Vector3(0, 0, 0), Vector3(0, 0, 1), t, 0), c.factor, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SignedFactorTest,
    ::testing::Values(FactorCase{"ahead", {0, 0, 5}, 0.0}, FactorCase{"right", {5, 0, 0}, 1.0},
                      FactorCase{"left", {-5, 0, 0}, -1.0}, FactorCase{"behind", {0, 0, -5}, 0.0},
                      FactorCase{"aheadRight45", {5, 0, 5}, 0.7071067811865476},
                      FactorCase{"behindLeft45", {-5, 0, -5}, -0.7071067811865476},
                      // Height counts: straight ahead but 5 up is 45 degrees off the heading,
                      // and with no sideways part the sign stays positive.
                      FactorCase{"aheadAndAbove", {0, 5, 5}, 0.7071067811865476},
                      // 3-4-5 triangle: sine is the sideways share.
                      FactorCase{"rightThreeAheadFour", {3, 0, 4}, 0.6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SignedFactor, HeadingAndDirectionThatRoundPastOneGiveZeroNotNan) {
    // For some directions the dot product of a unit vector with itself rounds to just above 1;
    // without a clamp acos gives NaN and the driver is fed NaN.
    int checked = 0;
    for (int a = 1; a < 60; ++a) {
        for (int b = 1; b < 60; ++b) {
            Vector3 heading(a * 0.1, 0.0, b * 0.1);
            const Vector3 target = heading * 3.0;
            heading.normalize();
            const Track t = singlePointTrack(target);
            const double f = Car::signedFactor(Vector3(), heading, t, 0);
            ASSERT_FALSE(std::isnan(f)) << a << " " << b;
            ASSERT_NEAR(f, 0.0, 1e-6) << a << " " << b;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 59 * 59);
}

// Ten waypoints ten apart along +z from the origin.
Track straightRoad() {
    std::vector<Vector3> road;
    for (int i = 0; i < 10; ++i) road.emplace_back(0, 0, 10.0 * i);
    Track t;
    t.setWaypoints(road);
    t.buildEdges();
    return t;
}

TEST(CarSensors, InputsBeforeTheFirstUpdateAreAllZero) {
    Car car;
    EXPECT_EQ(car.getInputs(0), std::vector<double>(5, 0.0));
}

TEST(CarSensors, SidewaysOffsetGivesHandComputedFactorsAndStatusLine) {
    const Track road = straightRoad();
    Car car;  // no model: update keeps the position and rotation set here
    car.setTrack(&road);
    car.setPosition(10, 0, 0);
    car.setRotation(0, 0, 0);
    car.setOutputs({0.75, 1.0}, 0);
    statusText() = "Mode: User Control\r\n\r\n";
    car.update(16);

    // Nearest is waypoint 0, so the factors look at waypoints 2, 3, 4 and 7 from the look-ahead
    // point (10, 0, 2); each lies 10 to the left: sine = -10 / distance.
    const double f2 = -10.0 / std::sqrt(100.0 + 18.0 * 18.0);
    const double f3 = -10.0 / std::sqrt(100.0 + 28.0 * 28.0);
    const double f4 = -10.0 / std::sqrt(100.0 + 38.0 * 38.0);
    const double f7 = -10.0 / std::sqrt(100.0 + 68.0 * 68.0);
    EXPECT_EQ(car.getCurrentWaypoint(), 0);
    const std::vector<double> in = car.getInputs(0);
    ASSERT_EQ(in.size(), 5u);
    EXPECT_EQ(in[0], 0.0);
    EXPECT_NEAR(in[1], f2, 1e-12);
    EXPECT_NEAR(in[2], f3, 1e-12);
    EXPECT_NEAR(in[3], f4, 1e-12);
    EXPECT_NEAR(in[4], std::fabs(f7 - f4) + std::fabs(f4 - f3), 1e-12);
    EXPECT_EQ(statusText(),
              "Mode: User Control\r\n\r\n"
              "Speed=0.00\r\nHeadingFactor1=-0.49\r\nHeadingFactor2=-0.34\r\nHeadingFactor3=-0.25\r\n"
              "TurnFactor=0.19\r\n\r\nThrottle=1.00\r\nSteering=0.50");
}

TEST(CarSensors, OnTheRoadLookingAlongItEverythingIsZero) {
    const Track road = straightRoad();
    Car car;
    car.setTrack(&road);
    car.setPosition(0, 0, 21);
    car.setRotation(0, 0, 0);
    statusText().clear();
    car.update(16);
    EXPECT_EQ(car.getCurrentWaypoint(), 2);
    for (double v : car.getInputs(0)) EXPECT_NEAR(v, 0.0, 1e-12);
}

struct WaypointCase {
    const char* name;
    Vector3 position;
    double yaw;
    int32_t current;
    double factors[3];  // expected heading factors (indices wrap past the end)
};

class CurrentWaypointTest : public ::testing::TestWithParam<WaypointCase> {};

TEST_P(CurrentWaypointTest, NearestWithMinusOneAtTheLastAndWrappedLookAhead) {
    const WaypointCase& c = GetParam();
    const Track road = straightRoad();
    Car car;
    car.setTrack(&road);
    car.setPosition(c.position.x, c.position.y, c.position.z);
    car.setRotation(0, c.yaw, 0);
    statusText().clear();
    car.update(16);
    EXPECT_EQ(car.getCurrentWaypoint(), c.current);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(car.getHeadingFactor(k), c.factors[k], 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, CurrentWaypointTest,
    ::testing::Values(
        // On waypoint 3 facing +z: waypoints 5, 6, 7 dead ahead.
        WaypointCase{"middle", {0, 0, 30}, 0.0, 3, {0, 0, 0}},
        // On the last waypoint (z = 90): current is -1, and the look-ahead wraps to waypoints
        // 1, 2, 3, all straight behind a car facing +z.
        WaypointCase{"lastGivesMinusOne", {0, 0, 90}, 0.0, -1, {0, 0, 0}},
        // Same spot facing +x (yaw pi/2): waypoints 1, 2, 3 lie towards -z of the look-ahead
        // point (2, 0, 90), which is to the right of a car heading +x.
        WaypointCase{"lastFacingPlusX",
                     {0, 0, 90},
                     kPi / 2,
                     -1,
                     {80.0 / std::sqrt(4.0 + 80.0 * 80.0), 70.0 / std::sqrt(4.0 + 70.0 * 70.0),
                      60.0 / std::sqrt(4.0 + 60.0 * 60.0)}},
        // Next to the second-last waypoint: current 8, look-ahead wraps to 0, 1, 2.
        WaypointCase{"secondLast", {0, 0, 81}, 0.0, 8, {0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CarSensors, NoTrackWarnsEveryUpdateAndKeepsTheSensors) {
    const Track road = straightRoad();
    Car car;
    car.setTrack(&road);
    car.setPosition(10, 0, 0);
    statusText().clear();
    car.update(16);
    const std::vector<double> before = car.getInputs(0);
    car.setTrack(nullptr);
    car.setPosition(-10, 0, 50);
    MessageRecorder messages;
    statusText().clear();
    car.update(16);
    car.update(16);
    EXPECT_EQ(messages.messages,
              std::vector<std::string>(2, "[Car] WARNING - Terrain Pointer not set!!!"));
    EXPECT_EQ(car.getInputs(0), before);
    EXPECT_EQ(car.getCurrentWaypoint(), 0);
    EXPECT_TRUE(statusText().empty());
}

TEST(CarSensors, TrackWithoutEdgesIsNotSensed) {
    Track oneWaypoint;
    oneWaypoint.setWaypoints({{0, 0, 0}});
    Car car;
    car.setTrack(&oneWaypoint);
    MessageRecorder messages;
    statusText().clear();
    car.update(16);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(statusText().empty());
    EXPECT_EQ(car.getInputs(0), std::vector<double>(5, 0.0));
}

}  // namespace
}  // namespace torvask
