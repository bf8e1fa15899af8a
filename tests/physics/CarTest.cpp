#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "PhysicsFixture.h"
#include "support/MessageRecorder.h"

namespace torvask {
namespace {

using testing::CarOnGround;
using testing::bodyAngularSpeed;
using testing::bodyLinearSpeed;
using testing::bodyPhysicsPosition;
using testing::MessageRecorder;

constexpr double kPi = 3.141592653589793;
constexpr double kMaxWheelSpeed = 170.0 * 0.2777777777777778 * 0.6944444444444444;

Vector3 headingOf(double yaw) { return Vector3(std::sin(yaw), 0.0, std::cos(yaw)); }

TEST(CarBasics, FreshCarHasItsFiguresAndOneFreeSlot) {
    Car car;
    EXPECT_EQ(car.getMass(), 280.0);
    EXPECT_EQ(car.getTopSpeed(), 170.0);
    EXPECT_EQ(car.getDriveForce(), 150.0);
    EXPECT_EQ(car.getNumSlots(), 1);
    EXPECT_EQ(car.getPhysics(), nullptr);
    EXPECT_EQ(car.getTrack(), nullptr);
    EXPECT_EQ(car.getCurrentWaypoint(), 0);
    EXPECT_EQ(car.getPosition(), Vector3());
    EXPECT_EQ(car.getRotation(), Vector3());
}

TEST(CarBasics, SlotTableAnswersMinusOneOutsideAndTracksTakeAndFree) {
    Car car;
    struct Case {
        int32_t slot;
        int32_t answer;
    };
    for (const Case c : {Case{0, 0}, Case{1, -1}, Case{-1, -1}, Case{100, -1}}) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(car.isSlotTaken(c.slot), c.answer);
    }
    EXPECT_EQ(car.takeSlot(0), 0);
    EXPECT_EQ(car.isSlotTaken(0), 1);
    EXPECT_EQ(car.takeSlot(3), 3);  // invalid: returned, nothing changes
    EXPECT_EQ(car.isSlotTaken(3), -1);
    EXPECT_EQ(car.freeSlot(0), 0);
    EXPECT_EQ(car.isSlotTaken(0), 0);
    car.takeSlot(0);
    car.destroy();  // teardown gives slot 0 back
    EXPECT_EQ(car.isSlotTaken(0), 0);
}

TEST(CarBasics, SetOutputsTakesExactlyTwoValues) {
    Car car;
    struct Case {
        std::vector<double> values;
        double steering;
        double throttle;
    };
    const Case cases[] = {
        {{0.25, 0.75}, -0.5, 0.5},  // accepted
        {{}, -0.5, 0.5},            // the rest are ignored: the previous controls stay
        {{1.0}, -0.5, 0.5},
        {{1.0, 1.0, 1.0}, -0.5, 0.5},
        {{1.0, 0.0}, 1.0, -1.0},
        {{0.5, 0.5}, 0.0, 0.0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        car.setOutputs(cases[i].values, 0);
        EXPECT_EQ(car.getSteeringControl(), cases[i].steering);
        EXPECT_EQ(car.getThrottleControl(), cases[i].throttle);
    }
}

TEST(CarBasics, CarWithoutAWorldHasAnEmptyModel) {
    physicsServer().destroy();
    Car car;
    EXPECT_TRUE(car.create());
    ASSERT_NE(car.getPhysics(), nullptr);
    EXPECT_FALSE(car.getPhysics()->isBuilt());
    EXPECT_EQ(car.getPhysics()->getSpeed(), 0.0);
    EXPECT_FALSE(car.getPhysics()->step(0.05));
    car.setPosition(1, 2, 3);
    car.setRotation(0, 1, 0);
    car.setOutputs({1.0, 1.0}, 0);
    EXPECT_EQ(car.getPhysics()->getThrottle(), 1.0);
    MessageRecorder messages;
    car.update(16);
    EXPECT_EQ(car.getPosition(), Vector3());  // read back from the (empty) model
    EXPECT_EQ(car.getSpeed(), 0.0);
}

TEST(CarBasics, BuildComputesTheModelFigures) {
    ASSERT_TRUE(physicsServer().create(100, 100));
    {
        Car car;
        car.create();
        const CarPhysics* m = car.getPhysics();
        ASSERT_TRUE(m->isBuilt());
        EXPECT_EQ(m->getMaxWheelSpeed(), kMaxWheelSpeed);
        EXPECT_NEAR(m->getMaxWheelSpeed(), 32.79, 0.005);
        EXPECT_EQ(m->getChassisHeight(), 1.0 * 0.3333333333333333);
        dMass mass;
        dBodyGetMass(m->getChassis(), &mass);
        EXPECT_NEAR(mass.mass, 280.0 * 0.9333333333333332 * 0.1, 1e-12);
        dBodyGetMass(m->getCabin(), &mass);
        EXPECT_NEAR(mass.mass, (280.0 - 280.0 * 0.9333333333333332) * 0.1, 1e-12);
        for (int k = 0; k < CarPhysics::kWheelCount; ++k) {
            SCOPED_TRACE(k);
            dBodyGetMass(m->getWheel(k), &mass);
            EXPECT_NEAR(mass.mass, 0.2, 1e-12);
            EXPECT_EQ(dJointGetType(m->getWheelJoint(k)), dJointTypeHinge2);
            EXPECT_EQ(dJointGetHinge2Param(m->getWheelJoint(k), dParamSuspensionERP), 0.6);
            EXPECT_EQ(dJointGetHinge2Param(m->getWheelJoint(k), dParamSuspensionCFM), 0.05);
        }
        for (int k = 2; k < 4; ++k) {
            EXPECT_EQ(dJointGetHinge2Param(m->getWheelJoint(k), dParamLoStop), 0.0);
            EXPECT_EQ(dJointGetHinge2Param(m->getWheelJoint(k), dParamHiStop), 0.0);
        }
        EXPECT_EQ(dSpaceGetNumGeoms(m->getGeomGroup()), 6);
        EXPECT_EQ(physicsServer().getObjects().size(), 1u);
    }
    // Deleting the car unregisters its model and takes its geoms out of the world.
    EXPECT_TRUE(physicsServer().getObjects().empty());
    EXPECT_EQ(dSpaceGetNumGeoms(physicsServer().getSpace()), 1);  // the ground sub-space only
    EXPECT_TRUE(physicsServer().step(0.05));
    physicsServer().destroy();
}

TEST(CarBasics, WorldDestroyedBeforeTheCarLeavesTheCarHarmless) {
    ASSERT_TRUE(physicsServer().create(100, 100));
    Car car;
    car.create();
    ASSERT_TRUE(car.getPhysics()->isBuilt());
    physicsServer().destroy();
    EXPECT_FALSE(car.getPhysics()->isBuilt());
    EXPECT_EQ(car.getPhysics()->getSpeed(), 0.0);
    car.setPosition(20, 0, 20);
    car.destroy();  // must not touch the geoms that went with the space
    EXPECT_EQ(car.getPhysics(), nullptr);
}

// Phase 1: on the ground after placing.
TEST_F(CarOnGround, SettlesOnItsWheelsUprightAndAtRest) {
    for (int k = 0; k < CarPhysics::kWheelCount; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(bodyPhysicsPosition(model->getWheel(k)).z, 0.6, 0.02);
    }
    const Vector3 r = model->getRotation();
    EXPECT_NEAR(r.x, 0.0, 0.02);
    EXPECT_NEAR(r.z, 0.0, 0.02);
    EXPECT_LT(model->getSpeed(), 0.5);
    // Chassis centre above the wheel centres by the anchor offset, less what the soft suspension
    // gives under the car's weight.
    EXPECT_GT(car->getPosition().y, 0.6 + 0.05);
    EXPECT_LT(car->getPosition().y, 0.6 + 0.4 * model->getChassisHeight() + 0.01);
    EXPECT_NEAR(car->getPosition().x, 500.0, 0.1);
    EXPECT_NEAR(car->getPosition().z, 500.0, 0.1);
    // Standing still for longer changes nothing.
    steps(100);
    EXPECT_LT(model->getSpeed(), 0.5);
    EXPECT_NEAR(car->getPosition().x, 500.0, 0.1);
}

// Phase 2: full throttle, then coasting, then full brake.
TEST_F(CarOnGround, ThrottleCoastAndBrake) {
    const double yaw = car->getRotation().y;
    const Vector3 start = car->getPosition();
    car->setOutputs({0.5, 1.0}, 0);
    double previous = model->getWheelSpeed();
    for (int i = 0; i < 200; ++i) {
        steps(1);
        const double ws = model->getWheelSpeed();
        ASSERT_LE(ws - previous, 1.0) << "step " << i;
        ASSERT_LE(ws, kMaxWheelSpeed) << "step " << i;
        ASSERT_GE(ws, 0.0);
        for (int k = 2; k < 4; ++k) {
            ASSERT_EQ(dJointGetHinge2Param(model->getWheelJoint(k), dParamVel2), -ws);
            ASSERT_EQ(dJointGetHinge2Param(model->getWheelJoint(k), dParamFMax2), 1.5);
        }
        previous = ws;
    }
    EXPECT_EQ(model->getWheelSpeed(), kMaxWheelSpeed);
    Vector3 moved = car->getPosition() - start;
    EXPECT_GT(moved.length(), 10.0);
    moved.y = 0.0;
    moved.normalize();
    EXPECT_GT(moved.dot(headingOf(yaw)), 0.999);
    const double fastSpeed = model->getSpeed();
    EXPECT_GT(fastSpeed, 20.0);

    // Coasting: no throttle, the wheel speed only drains.
    car->setOutputs({0.5, 0.5}, 0);
    previous = model->getWheelSpeed();
    for (int i = 0; i < 20; ++i) {
        steps(1);
        ASSERT_LE(model->getWheelSpeed(), previous);
        ASSERT_EQ(dJointGetHinge2Param(model->getWheelJoint(2), dParamFMax2), 1.5);
        previous = model->getWheelSpeed();
    }
    EXPECT_LT(model->getWheelSpeed(), kMaxWheelSpeed);

    // Full brake: the stronger motor holds the rear wheels still and the car stops.
    // The wheel speed drains by at least 1 per step to 0 and stays there.
    car->setOutputs({0.5, 0.0}, 0);
    previous = model->getWheelSpeed();
    int drained = -1;
    for (int i = 0; i < 40 && drained < 0; ++i) {
        steps(1);
        const double ws = model->getWheelSpeed();
        ASSERT_EQ(dJointGetHinge2Param(model->getWheelJoint(3), dParamFMax2), 5.0);
        ASSERT_EQ(dJointGetHinge2Param(model->getWheelJoint(3), dParamVel2), -ws);
        ASSERT_TRUE(ws == 0.0 || ws <= previous - 1.0) << "step " << i;
        previous = ws;
        if (ws == 0.0) drained = i;
    }
    ASSERT_GE(drained, 0);
    int stoppedAfter = -1;
    for (int i = 0; i < 400; ++i) {
        steps(1);
        ASSERT_EQ(model->getWheelSpeed(), 0.0);
        if (model->getSpeed() < 0.5) {
            stoppedAfter = i;
            break;
        }
    }
    EXPECT_GE(stoppedAfter, 0) << "still rolling at " << model->getSpeed();
}

TEST_F(CarOnGround, SpeedIsChassisSpeedTimesTwelvePointNineSixAndFedOverTwoHundredForty) {
    car->setOutputs({0.5, 1.0}, 0);
    steps(120);
    const double chassis = bodyLinearSpeed(model->getChassis());
    ASSERT_GT(chassis, 1.0);
    EXPECT_EQ(model->getSpeed(), chassis * 12.96);
    EXPECT_EQ(car->getSpeed(), model->getSpeed());
    EXPECT_EQ(car->getInputs(0)[0], car->getSpeed() * 0.004166666666666667);
    // The status line shows the same scaled figure.
    char expected[64];
    std::snprintf(expected, sizeof expected, "Speed=%2.2f\r\n", car->getSpeed() / 240.0);
    EXPECT_EQ(statusText().rfind(expected, 0), 0u) << statusText();
}

struct SteerCase {
    const char* name;
    double output;      // steering output in [0, 1]
    double yawChange;   // sign of the yaw change while driving: right turns increase the yaw
};

class SteeringTest : public CarOnGround, public ::testing::WithParamInterface<SteerCase> {};

TEST_P(SteeringTest, FrontWheelsAimApartAndTheCarTurnsThatWay) {
    const SteerCase c = GetParam();
    const double s = 2.0 * c.output - 1.0;
    car->setOutputs({c.output, 0.5}, 0);
    double last[2] = {dJointGetHinge2Angle1(model->getWheelJoint(0)), dJointGetHinge2Angle1(model->getWheelJoint(1))};
    for (int i = 0; i < 40; ++i) {
        steps(1);
        for (int k = 0; k < 2; ++k) {
            dJointID j = model->getWheelJoint(k);
            ASSERT_LE(std::fabs(dJointGetHinge2Param(j, dParamVel)), 1.0);
            ASSERT_EQ(dJointGetHinge2Param(j, dParamFMax), 0.2);
            ASSERT_EQ(dJointGetHinge2Param(j, dParamLoStop), -0.7);
            ASSERT_EQ(dJointGetHinge2Param(j, dParamHiStop), 0.7);
            ASSERT_EQ(dJointGetHinge2Param(j, dParamFudgeFactor), 0.1);
            const double a = dJointGetHinge2Angle1(j);
            // The motor turns at most 1 rad/s: 0.05 rad per step, plus what the joint error allows.
            ASSERT_LE(std::fabs(a - last[k]), 0.06) << "wheel " << k << " step " << i;
            last[k] = a;
        }
    }
    // Joint 0 (+y side) aims at a third of joint 1's angle.
    EXPECT_NEAR(dJointGetHinge2Angle1(model->getWheelJoint(0)), s * 0.7 / 3.0, 0.02);
    EXPECT_NEAR(dJointGetHinge2Angle1(model->getWheelJoint(1)), s * 0.7, 0.02);

    // Driving off with the wheels turned changes the heading the chosen way.
    // The yaw is summed step by step so that passing the wrap point does not matter.
    car->setOutputs({c.output, 1.0}, 0);
    double change = 0.0;
    double yaw = model->getRotation().y;
    for (int i = 0; i < 200; ++i) {
        steps(1);
        const double now = model->getRotation().y;
        change += std::remainder(now - yaw, 2.0 * kPi);
        yaw = now;
    }
    if (c.yawChange > 0) {
        EXPECT_GT(change, 0.3);
    } else if (c.yawChange < 0) {
        EXPECT_LT(change, -0.3);
    } else {
        EXPECT_NEAR(change, 0.0, 0.02);
    }
}

INSTANTIATE_TEST_SUITE_P(Locks, SteeringTest,
                         ::testing::Values(SteerCase{"fullRight", 1.0, +1}, SteerCase{"fullLeft", 0.0, -1},
                                           SteerCase{"halfRight", 0.75, +1}, SteerCase{"straight", 0.5, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class RotationRoundTripTest : public CarOnGround, public ::testing::WithParamInterface<double> {};

TEST_P(RotationRoundTripTest, SetRotationThenGetRotationGivesTheYawBack) {
    const double yaw = GetParam();
    car->setRotation(0.0, yaw, 0.0);
    EXPECT_EQ(car->getRotation(), Vector3(0.0, yaw, 0.0));
    const Vector3 r = model->getRotation();
    EXPECT_NEAR(r.x, 0.0, 1e-12);
    EXPECT_NEAR(r.y, yaw, 1e-12);
    EXPECT_NEAR(r.z, 0.0, 1e-12);
    // The body's forward axis (+x) is the render heading (sin yaw, 0, cos yaw).
    const dReal* m = dBodyGetRotation(model->getChassis());
    EXPECT_NEAR(m[0], std::sin(yaw), 1e-12);  // physics x
    EXPECT_NEAR(m[4], std::cos(yaw), 1e-12);  // physics y = render z
    EXPECT_NEAR(m[8], 0.0, 1e-12);
    // Every body stands still after the turn.
    EXPECT_EQ(bodyLinearSpeed(model->getChassis()), 0.0);
    EXPECT_EQ(bodyAngularSpeed(model->getCabin()), 0.0);
}

// getRotation answers in (-pi/2, 3pi/2]: these all come back as given.
INSTANTIATE_TEST_SUITE_P(Yaws, RotationRoundTripTest,
                         ::testing::Values(0.0, 0.5, -1.0, kPi / 2.0, kPi, 3.0, 4.5, -1.4));

TEST_F(CarOnGround, SetPositionPlacesTheModelAndStopsEveryBody) {
    car->setOutputs({1.0, 1.0}, 0);
    steps(40);
    ASSERT_GT(model->getSpeed(), 1.0);
    car->setPosition(100.0, 3.0, 200.0);
    EXPECT_EQ(car->getPosition(), Vector3(100.0, 3.0, 200.0));
    const dBodyID bodies[] = {model->getChassis(), model->getCabin(), model->getWheel(0),
                              model->getWheel(1),  model->getWheel(2), model->getWheel(3)};
    for (size_t i = 0; i < std::size(bodies); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bodyLinearSpeed(bodies[i]), 0.0);
        EXPECT_EQ(bodyAngularSpeed(bodies[i]), 0.0);
    }
    // Render (x, y, z) is physics (x, z, y); the chassis rides 0.8 above the placing point.
    const double ch = model->getChassisHeight();
    EXPECT_EQ(bodyPhysicsPosition(model->getChassis()), Vector3(100.0, 200.0, 3.8));
    EXPECT_EQ(bodyPhysicsPosition(model->getCabin()), Vector3(100.0, 200.0, 3.0 + ch + 0.8));
    const double h = 3.0 + 0.8 - 0.4 * ch;
    EXPECT_EQ(bodyPhysicsPosition(model->getWheel(0)), Vector3(101.6, 201.0, h));
    EXPECT_EQ(bodyPhysicsPosition(model->getWheel(1)), Vector3(101.6, 199.0, h));
    EXPECT_EQ(bodyPhysicsPosition(model->getWheel(2)), Vector3(98.4, 201.0, h));
    EXPECT_EQ(bodyPhysicsPosition(model->getWheel(3)), Vector3(98.4, 199.0, h));
    EXPECT_EQ(model->getPosition(), Vector3(100.0, 3.8, 200.0));
    EXPECT_EQ(model->getSpeed(), 0.0);
}

struct WallRun {
    const char* name;
    double x, z, yaw;  // render frame start, heading straight at a wall
};

class CarWallTest : public CarOnGround, public ::testing::WithParamInterface<WallRun> {};

TEST_P(CarWallTest, WallsKeepTheCarInsideTheDriveableRectangle) {
    const WallRun c = GetParam();
    placeAndSettle(c.x, c.z, c.yaw);
    car->setOutputs({0.5, 1.0}, 0);
    const dBodyID bodies[] = {model->getChassis(), model->getCabin(), model->getWheel(0),
                              model->getWheel(1),  model->getWheel(2), model->getWheel(3)};
    for (int i = 0; i < 600; ++i) {
        steps(1);
        for (dBodyID b : bodies) {
            const Vector3 p = bodyPhysicsPosition(b);
            ASSERT_GT(p.x, 10.0) << "step " << i;
            ASSERT_LT(p.x, 990.0) << "step " << i;
            ASSERT_GT(p.y, 10.0) << "step " << i;
            ASSERT_LT(p.y, 990.0) << "step " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Walls, CarWallTest,
                         ::testing::Values(WallRun{"east", 940, 500, kPi / 2}, WallRun{"west", 60, 500, -kPi / 2},
                                           WallRun{"north", 500, 940, 0.0}, WallRun{"south", 500, 60, kPi}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvask
