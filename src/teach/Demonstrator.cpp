#include "teach/Demonstrator.h"

#include "physics/Car.h"
#include "physics/TrackGeometry.h"
#include "sim/DriveControls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace torvask {
namespace {

// Wheelbase of the car (front and rear axles 0.4 of its length of 4 from the centre).
constexpr double kWheelBase = 3.2;
// Steering value s gives front-wheel angles of 2.1 s and 0.7 s: about 1.4 s on average.
constexpr double kWheelAnglePerSteering = 1.4;
// Render units the car covers per second of the session's clock per unit of display speed
// (measured on recorded laps: 0.21 to 0.24).
constexpr double kUnitsPerSecondPerSpeed = 0.227;

double clamp(double v, double lo, double hi) { return std::max(lo, std::min(hi, v)); }

}  // namespace

KeyState demoKeyState(const DemoKeys& keys) {
    KeyState state{};
    if (keys.throttle) state[dik::kW] = kKeyDownBit;
    if (keys.brake) state[dik::kS] = kKeyDownBit;
    if (keys.left) state[dik::kA] = kKeyDownBit;
    if (keys.right) state[dik::kD] = kKeyDownBit;
    return state;
}

// The controls the keyboard's own ramp makes of these keys in one frame of dt seconds.
struct RampedControls {
    double throttle, brake, steering;
};
RampedControls rampOnce(const DemoKeys& keys, double throttle, double brake, double steering, double dt) {
    bool drivingStarted = false;
    rampDriveControls(demoKeyState(keys), dt, throttle, brake, steering, drivingStarted);
    clampDriveControls(throttle, brake, steering);
    return {throttle, brake, steering};
}

Demonstrator::Demonstrator(const Track& track, DemoTuning tuning) : track_(track), tuning_(tuning) {
    const auto& w = track_.getWaypoints();
    int n = static_cast<int>(w.size());
    if (n >= 2 && groundDistance(w.front(), w.back()) < 1e-6) --n;  // the closing repeat of the first
    loopSize_ = n;
    if (n < 3) return;
    segment_.resize(n);
    for (int i = 0; i < n; ++i) segment_[i] = groundDistance(w[i], w[(i + 1) % n]);
    // A bend's radius is the road's length over its turn, both taken over a short window: a
    // corner where the loop joins counts as the tight bend the car has to drive round it.
    radius_.assign(n, std::numeric_limits<double>::infinity());
    for (int i = 0; i < n; ++i) {
        int a = i, b = i;
        // At most half the loop each way, so a tiny track cannot make the window wrap round.
        double back = 0.0, ahead = 0.0;
        for (int steps = 0; back < tuning_.cornerWindow && steps < n / 2; ++steps) {
            a = (a + n - 1) % n;
            back += segment_[a];
        }
        for (int steps = 0; ahead < tuning_.cornerWindow && steps < n / 2; ++steps) {
            ahead += segment_[b];
            b = (b + 1) % n;
        }
        const double length = back + ahead;
        double turn = 0.0;
        for (int k = (a + 1) % n; k != b; k = (k + 1) % n) {
            turn += signedTurn(w[(k + n - 1) % n], w[k], w[(k + 1) % n]);
        }
        if (std::fabs(turn) > 1e-9) radius_[i] = length / std::fabs(turn);
    }
}

double Demonstrator::bendRadius(int waypoint) const {
    if (loopSize_ < 3) return std::numeric_limits<double>::infinity();
    return radius_[static_cast<std::size_t>(((waypoint % loopSize_) + loopSize_) % loopSize_)];
}

std::vector<int> Demonstrator::tightPlaces(double maxRadius, double spacing) const {
    std::vector<int> places;
    double sinceLast = spacing;
    for (int i = 0; i < loopSize_; ++i) {
        if (radius_[static_cast<std::size_t>(i)] < maxRadius && sinceLast >= spacing) {
            places.push_back(i);
            sinceLast = 0.0;
        }
        sinceLast += segment_[static_cast<std::size_t>(i)];
    }
    return places;
}

double Demonstrator::lookAheadLimit(int waypoint, double speed) const {
    if (loopSize_ < 3) return tuning_.maxSpeed;
    const double brake2 = 2.0 * tuning_.brakeSquaredPerUnit;
    const double reaction = std::max(0.0, speed) * kUnitsPerSecondPerSpeed * tuning_.reactionSeconds;
    // Beyond this no bend can ask for less than the top speed.
    const double horizon = reaction + tuning_.maxSpeed * tuning_.maxSpeed / brake2;
    int j = ((waypoint % loopSize_) + loopSize_) % loopSize_;
    double limit = tuning_.maxSpeed;
    double distance = 0.0;
    for (int steps = 0; steps < loopSize_ && distance <= horizon; ++steps) {
        const double corner =
            clamp(tuning_.cornerSpeedPerRootRadius * std::sqrt(radius_[j]), tuning_.floorSpeed, tuning_.maxSpeed);
        limit = std::min(limit, std::sqrt(corner * corner + brake2 * std::max(0.0, distance - reaction)));
        distance += segment_[j];
        j = (j + 1) % loopSize_;
    }
    return std::max(limit, tuning_.floorSpeed);
}

Demonstrator::RoadPoint Demonstrator::nearestRoadPoint(const Vector3& p, int from) const {
    const auto& w = track_.getWaypoints();
    const int n = static_cast<int>(w.size());
    const RoadStretch stretch = from >= 0 ? roadStretch(track_, from, kStretchAhead) : RoadStretch{0, n};
    RoadPoint best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int k = 0; k < stretch.count; ++k) {
        const int i = (stretch.first + k) % n;
        const SegmentPoint on = closestOnSegment(w[i], w[(i + 1) % n], p);
        if (on.distanceSquared < bestDistance) {
            bestDistance = on.distanceSquared;
            best = {i, on.t * groundDistance(w[i], w[(i + 1) % n])};
        }
    }
    return best;
}

Vector3 Demonstrator::pointAhead(int from, double distance) const {
    const auto& w = track_.getWaypoints();
    const int n = static_cast<int>(w.size());
    int i = from;
    double left = distance;
    for (int steps = 0; steps < n; ++steps) {
        const int j = (i + 1) % n;
        const double seg = groundDistance(w[i], w[j]);
        if (seg >= left && seg > 0.0) {
            const double t = left / seg;
            return w[i] + (w[j] - w[i]) * t;
        }
        left -= seg;
        i = j;
    }
    return w[i];
}

DemoKeys Demonstrator::decide(const Vector3& position, double yaw, double speed, double throttle, double brake,
                              double steering, double dt, const std::vector<double>& sensors, int from) {
    if (dt <= 0.0) dt = kMinimumKeyboardDt;
    const RoadPoint here = nearestRoadPoint(position, from);
    const int nearest = here.waypoint;

    // Steering: pure pursuit towards a point on the centre line ahead, measured from the car's
    // own place on the line, not from a waypoint: where waypoints lie 30 units apart, aiming from
    // the nearest one moved the target by as much as the car passed it, and at speed 120 the
    // steering swung until the car spun.
    const double lookAhead = tuning_.lookAheadBase + tuning_.lookAheadPerSpeed * speed;
    const Vector3 target = pointAhead(nearest, here.along + lookAhead);
    const double toTarget = std::atan2(target.x - position.x, target.z - position.z);
    const double alpha = std::remainder(toTarget - yaw, 2.0 * M_PI);  // > 0: target to the right
    const double distance = std::max(1.0, groundDistance(target, position));
    const double wheelAngle = std::atan(2.0 * kWheelBase * std::sin(alpha) / distance);
    targetSteering_ = clamp(wheelAngle / kWheelAnglePerSteering, -kSteeringLimit, kSteeringLimit);

    // Speed: slower the more the sensors say the road bends ahead.
    double bend = 0.0, turn = 0.0;
    if (sensors.size() == 5) {
        bend = std::max({std::fabs(sensors[1]), std::fabs(sensors[2]), std::fabs(sensors[3])});
        turn = sensors[4];
    }
    targetSpeed_ = clamp(tuning_.maxSpeed - tuning_.turnSlowdown * turn - tuning_.headingSlowdown * bend,
                         tuning_.minSpeed, tuning_.maxSpeed);
    targetSpeed_ = std::min(targetSpeed_, lookAheadLimit(nearest, speed)) * pace_;
    const double pedal = clamp((targetSpeed_ - speed) * tuning_.pedalGain, -1.0, 1.0);

    // Keys: of the choices, the one whose ramped result this frame lands nearest the aim, as the
    // keyboard's own ramp makes it from a trial key state.
    DemoKeys keys;
    double bestError = std::numeric_limits<double>::infinity();
    for (const DemoKeys& trial : {DemoKeys{}, DemoKeys{false, false, true, false}, DemoKeys{false, false, false, true}}) {
        const double err = std::fabs(rampOnce(trial, throttle, brake, steering, dt).steering - targetSteering_);
        if (err < bestError - 1e-12) {
            bestError = err;
            keys.left = trial.left;
            keys.right = trial.right;
        }
    }
    bestError = std::numeric_limits<double>::infinity();
    for (const DemoKeys& trial : {DemoKeys{}, DemoKeys{true, false, false, false}, DemoKeys{false, true, false, false}}) {
        const RampedControls result = rampOnce(trial, throttle, brake, steering, dt);
        const double err = std::fabs(result.throttle - result.brake - pedal);
        if (err < bestError - 1e-12) {
            bestError = err;
            keys.throttle = trial.throttle;
            keys.brake = trial.brake;
        }
    }
    return keys;
}

}  // namespace torvask

namespace torvask {

DemoKeys Demonstrator::decide(const CTorvaskDoc& doc, double dt, int from) {
    Car* car = doc.getCar();  // reading its sensors updates them
    if (!car) return {};
    return decide(car->getPosition(), car->getRotation().y, car->getSpeed(), doc.getThrottle(), doc.getBrake(),
                  doc.getSteering(), dt, car->getInputs(0), from);
}

}  // namespace torvask
