// How the car drives: top speed, stopping from it, and the circle at full lock. The figures are
// printed so that changes to the model's numbers show up in the test log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "PhysicsFixture.h"

namespace torvask {
namespace {

using testing::kStep;

constexpr double kPi = 3.141592653589793;

class Handling : public ::testing::Test {
protected:
    void SetUp() override {
        // Room to reach top speed without meeting a wall.
        ASSERT_TRUE(physicsServer().create(4000, 4000));
        car = std::make_unique<Car>();
        car->create();
        model = car->getPhysics();
        ASSERT_TRUE(model->isBuilt());
    }
    void TearDown() override {
        car.reset();
        physicsServer().destroy();
    }
    void place(double x, double z, double yaw) {
        car->setPosition(x, 0, z);
        car->setRotation(0, yaw, 0);
        car->setOutputs({0.5, 0.5}, 0);
        for (int i = 0; i < 60; ++i) physicsServer().step(kStep);
    }
    Vector3 position() const { return model->getPosition(); }

    std::unique_ptr<Car> car;
    CarPhysics* model = nullptr;
};

TEST_F(Handling, TopSpeedIsTheWheelRimSpeedAndTheCarStopsFromIt) {
    place(100, 2000, kPi / 2);
    car->setOutputs({0.5, 1.0}, 0);
    std::vector<double> speeds;
    for (int i = 1; i <= 3000; ++i) {
        physicsServer().step(kStep);
        speeds.push_back(model->getSpeed());
    }
    const double top = *std::max_element(speeds.begin(), speeds.end());
    // The approach is asymptotic: count the time to 99 % of the top speed.
    const auto reached = std::find_if(speeds.begin(), speeds.end(), [&](double s) { return s >= 0.99 * top; });
    const int stepsToTop = static_cast<int>(reached - speeds.begin()) + 1;
    // The rear motor turns the wheels at most at topSpeed/3.6/1.44 rad/s; on radius 0.4 and
    // scaled by 12.96 that rim speed is the car's top speed figure, 170.
    EXPECT_NEAR(top, 170.0, 2.0);
    const double to90 = stepsToTop * kStep;

    const Vector3 brakeAt = position();
    car->setOutputs({0.5, 0.0}, 0);
    int stepsToStop = -1;
    for (int i = 1; i <= 2000; ++i) {
        physicsServer().step(kStep);
        if (model->getSpeed() < 0.5) {
            stepsToStop = i;
            break;
        }
    }
    ASSERT_GT(stepsToStop, 0) << "never stopped";
    const Vector3 d = position() - brakeAt;
    const double distance = std::hypot(d.x, d.z);
    std::printf("handling: top speed %.1f reached (99 %%) after %.2f s; full brake from it stops in %.2f s over %.1f units\n",
                top, to90, stepsToStop * kStep, distance);
    RecordProperty("topSpeed", std::to_string(top));
    RecordProperty("secondsToTopSpeed", std::to_string(to90));
    RecordProperty("secondsToStop", std::to_string(stepsToStop * kStep));
    RecordProperty("stoppingDistance", std::to_string(distance));
    // Braking is stronger than accelerating: the brake motor has more than three times the force.
    EXPECT_LT(stepsToStop * kStep, to90);
    EXPECT_GT(distance, 1.0);
}

// W held until the car reaches 100, then S at once, as a person's keys move the pedals (up 0.25 a
// second, down 2.5 a second, 60 physics steps a second). While the lifting throttle still
// outweighs the brake the car may gain; once the pedal brakes, it must never speed up: the
// brake's stronger motor once pulled the car on towards the wheel speed the throttle built.
TEST_F(Handling, BrakingNeverSpeedsTheCarUp) {
    place(100, 2000, kPi / 2);
    constexpr double kRise = 0.25 / 60.0;
    constexpr double kFall = 2.5 / 60.0;
    double throttle = 0.0;
    int steps = 0;
    for (; model->getSpeed() < 100.0 && steps < 6000; ++steps) {
        throttle = std::min(1.0, throttle + kRise);
        car->setOutputs({0.5, 0.5 * (throttle + 1.0)}, 0);
        physicsServer().step(kStep);
    }
    ASSERT_GE(model->getSpeed(), 100.0);
    const Vector3 brakeAt = position();
    double brake = 0.0;
    double previous = model->getSpeed();
    double peak = previous;
    int stopped = -1;
    for (int i = 1; i <= 4000 && stopped < 0; ++i) {
        throttle = std::max(0.0, throttle - kFall);
        brake = std::min(1.0, brake + kRise);
        car->setOutputs({0.5, 0.5 * (throttle - brake + 1.0)}, 0);
        physicsServer().step(kStep);
        const double speed = model->getSpeed();
        peak = std::max(peak, speed);
        if (brake > throttle) {
            ASSERT_LE(speed, previous + 1e-6) << "step " << i << " of braking";
        }
        previous = speed;
        if (speed < 0.5) stopped = i;
    }
    ASSERT_GT(stopped, 0) << "never stopped";
    const Vector3 d = position() - brakeAt;
    std::printf("handling: W to 100 in %.2f s, then S: peak %.1f, stops in %.2f s over %.1f units (60 steps a second)\n",
                steps / 60.0, peak, stopped / 60.0, std::hypot(d.x, d.z));
    RecordProperty("brakingDistanceFrom100", std::to_string(std::hypot(d.x, d.z)));
}

struct LockCase {
    const char* name;
    double output;
};

class FullLock : public Handling, public ::testing::WithParamInterface<LockCase> {};

TEST_P(FullLock, DrivesASteadyCircle) {
    place(2000, 2000, 0.0);
    car->setOutputs({GetParam().output, 1.0}, 0);
    for (int i = 0; i < 1200; ++i) physicsServer().step(kStep);
    double minX = 1e9, maxX = -1e9, minZ = 1e9, maxZ = -1e9;
    double speed = 0.0;
    const int lap = 800;
    for (int i = 0; i < lap; ++i) {
        physicsServer().step(kStep);
        const Vector3 p = position();
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minZ = std::min(minZ, p.z);
        maxZ = std::max(maxZ, p.z);
        speed += model->getSpeed() / lap;
    }
    const double across = maxX - minX;
    const double along = maxZ - minZ;
    std::printf("handling: full lock %s, circle %.1f x %.1f units (chassis centre) at %.1f\n", GetParam().name,
                across, along, speed);
    RecordProperty("circleDiameter", std::to_string(0.5 * (across + along)));
    // A circle, not a spiral or a skid: both extents alike, a few car lengths across.
    EXPECT_NEAR(across, along, 0.05 * across);
    EXPECT_GT(across, 8.0);
    EXPECT_LT(across, 40.0);
    EXPECT_GT(speed, 10.0);
}

INSTANTIATE_TEST_SUITE_P(Sides, FullLock, ::testing::Values(LockCase{"right", 1.0}, LockCase{"left", 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvask
