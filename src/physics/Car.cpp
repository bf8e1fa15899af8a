#include "physics/Car.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "common/Messages.h"
#include "physics/CarPhysics.h"
#include "physics/PhysicsServer.h"
#include "physics/Track.h"

namespace torvask {

Car::Car() { mass = 280.0; }

Car::~Car() { destroy(); }

bool Car::create() {
    // A second create would orphan the first model in the world.
    if (physics) return true;
    physics = std::make_unique<CarPhysics>();
    physicsServer().addObject(physics.get());
    physics->build(4.0, 2.0, 1.0, mass, 2.0, topSpeed, driveForce);
    return true;
}

void Car::destroy() {
    physics.reset();
    track = nullptr;
    std::fill(std::begin(sensorWaypoints), std::end(sensorWaypoints), -1);
    freeSlot(0);
}

void Car::setOutputs(const std::vector<double>& values, int32_t /*slot*/) {
    if (values.size() != kNumOutputs) return;
    steeringControl = 2.0 * values[0] - 1.0;
    throttleControl = 2.0 * values[1] - 1.0;
    if (physics) {
        physics->setSteering(steeringControl);
        physics->setThrottle(throttleControl);
    }
}

std::vector<double> Car::getInputs(int32_t /*slot*/) {
    return {speed * 0.004166666666666667, headingFactors[0], headingFactors[1], headingFactors[2], turnFactor};
}

void Car::setPosition(double x, double y, double z) {
    position.set(x, y, z);
    if (physics) physics->placeAt(x, z, y);
}

double Car::getUprightness() const { return std::cos(rotation.x) * std::cos(rotation.z); }

void Car::setRotation(double x, double y, double z) {
    rotation.set(x, y, z);
    if (physics) physics->setRotation(x, y, z);
}

double Car::signedFactor(const Vector3& lookAhead, const Vector3& heading, const Track& track, int32_t i) {
    const auto idx = static_cast<size_t>(i);
    Vector3 b = (track.getLeftEdge()[idx] - lookAhead) + (track.getRightEdge()[idx] - lookAhead);
    b.normalize();
    double c = heading.dot(b);
    // Rounding can push a unit dot product just past 1, where acos is undefined.
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    double s = std::sin(std::acos(c));
    if (heading.z * b.x - heading.x * b.z < 0.0) s = -s;
    return s;
}

void Car::update(double /*elapsedMs*/) {
    if (physics) {
        speed = physics->getSpeed();
        position = physics->getPosition();
        rotation = physics->getRotation();
    }
    if (track == nullptr) {
        formatMessage("[Car] WARNING - Terrain Pointer not set!!!");
        return;
    }
    const int32_t n = track->getNumWaypoints();
    // The edges must cover every waypoint the factors look at; a track that was never smoothed
    // and edged (fewer than 2 waypoints) has nothing to look at.
    if (n < 2 || static_cast<int32_t>(track->getLeftEdge().size()) != n ||
        static_cast<int32_t>(track->getRightEdge().size()) != n) {
        return;
    }
    const int32_t next = track->nextWaypoint(position);
    // C++ % keeps the sign of the dividend: the last waypoint gives -1, which lap counting expects.
    currentWaypoint = (next - 1) % n;

    const double yaw = rotation.y;
    const Vector3 lookAhead(position.x + 2.0 * std::sin(yaw), position.y, position.z + 2.0 * std::cos(yaw));
    Vector3 heading = lookAhead - position;
    heading.normalize();

    for (int k = 0; k < 3; ++k) sensorWaypoints[k] = (next + 1 + k) % n;
    sensorWaypoints[3] = (next + 6) % n;
    for (int k = 0; k < 3; ++k) {
        headingFactors[k] = signedFactor(lookAhead, heading, *track, sensorWaypoints[k]);
    }
    const double s6 = signedFactor(lookAhead, heading, *track, sensorWaypoints[3]);
    turnFactor = std::fabs(s6 - headingFactors[2]) + std::fabs(headingFactors[2] - headingFactors[1]);

    appendStatus(
        "Speed=%2.2f\r\nHeadingFactor1=%2.2f\r\nHeadingFactor2=%2.2f\r\nHeadingFactor3=%2.2f\r\nTurnFactor=%2.2f\r\n"
        "\r\nThrottle=%2.2f\r\nSteering=%2.2f",
        speed * 0.004166666666666667, headingFactors[0], headingFactors[1], headingFactors[2], turnFactor,
        throttleControl, steeringControl);
}

}  // namespace torvask
