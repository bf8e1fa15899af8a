#pragma once
// Shared scenario helpers for the physics tests: a fresh world on the process-wide server with a
// car standing on the ground, and small readers of ODE state.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "physics/Car.h"
#include "physics/CarPhysics.h"
#include "common/Messages.h"
#include "physics/PhysicsServer.h"
#include "physics/Track.h"

namespace torvask::testing {

inline constexpr double kStep = 0.05;  // seconds, the step the frame loop uses

// Render-frame point of a body (physics (x, y, z) -> render (x, z, y)).
inline Vector3 bodyPhysicsPosition(dBodyID body) {
    const dReal* p = dBodyGetPosition(body);
    return Vector3(p[0], p[1], p[2]);
}

inline double bodyLinearSpeed(dBodyID body) {
    const dReal* v = dBodyGetLinearVel(body);
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

inline double bodyAngularSpeed(dBodyID body) {
    const dReal* v = dBodyGetAngularVel(body);
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// A world of worldSize x worldSize with the car placed at the centre facing yaw 0 and left to
// settle on its wheels.
class CarOnGround : public ::testing::Test {
protected:
    static constexpr int kWorldSize = 1000;
    static constexpr int kSettleSteps = 60;

    void SetUp() override {
        ASSERT_TRUE(physicsServer().create(kWorldSize, kWorldSize));
        // A straight road through the middle, so that update has something to sense.
        std::vector<Vector3> road;
        for (int i = 0; i <= 10; ++i) road.emplace_back(kWorldSize / 2.0, 0.0, 20.0 + 96.0 * i);
        track.setWaypoints(road);
        track.buildEdges();
        car = std::make_unique<Car>();
        ASSERT_TRUE(car->create());
        car->setTrack(&track);
        model = car->getPhysics();
        ASSERT_NE(model, nullptr);
        ASSERT_TRUE(model->isBuilt());
        placeAndSettle(kWorldSize / 2.0, kWorldSize / 2.0, 0.0);
    }

    void TearDown() override {
        car.reset();  // the car goes before the world, as at scene teardown
        physicsServer().destroy();
    }

    // Render-frame x, z and yaw; the car is put on the ground and stepped kSettleSteps times.
    void placeAndSettle(double x, double z, double yaw) {
        car->setPosition(x, 0.0, z);
        car->setRotation(0.0, yaw, 0.0);
        steps(kSettleSteps);
    }

    void steps(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(physicsServer().step(kStep));
            statusText().clear();
            car->update(kStep * 1000.0);
        }
    }

    Track track;
    std::unique_ptr<Car> car;
    CarPhysics* model = nullptr;
};

}  // namespace torvask::testing
