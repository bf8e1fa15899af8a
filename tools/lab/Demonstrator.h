#pragma once
// A careful driver that only presses keys: it looks ahead along the track, steers towards a
// point on the centre line (pure pursuit), and lifts and brakes before tight corners. Its
// recorded laps are the demonstrations the sample driver learns from, so it must drive the
// way the keyboard lets a person drive: through W, S, A and D and their ramps, nothing else.
#include "common/Vector3.h"
#include "physics/Track.h"

namespace torvask::lab {

struct DemoKeys {
    bool throttle = false;  // W
    bool brake = false;     // S
    bool left = false;      // A
    bool right = false;     // D
};

struct DemoTuning {
    double lookAheadBase = 9.0;       // render units ahead of the car's nearest waypoint
    double lookAheadPerSpeed = 0.10;  // more per display speed unit
    double cornerSpeed = 95.0;        // display speed that suits a bend of radius 30
    double minSpeed = 45.0;
    double maxSpeed = 165.0;
    double brakeDistanceBase = 25.0;  // how far ahead bends slow the car, render units
    double brakeDistancePerSpeed = 0.55;
    double pedalGain = 1.0 / 15.0;    // pedal per display speed unit of error
};

class Demonstrator {
public:
    explicit Demonstrator(const Track& track, DemoTuning tuning = {});

    // The keys to hold this frame. position/yaw: the car's render-frame pose (yaw in radians,
    // forward = (sin yaw, 0, cos yaw)); speed: display speed; throttle/brake/steering: the
    // document's control values now; dt: this frame's time in seconds.
    DemoKeys decide(const Vector3& position, double yaw, double speed, double throttle, double brake,
                    double steering, double dt);

    // What decide aimed at last (for traces): steering in [-1/3, 1/3], target display speed.
    double targetSteering() const { return targetSteering_; }
    double targetSpeed() const { return targetSpeed_; }

private:
    int nearestWaypoint(const Vector3& p) const;
    // The point on the centre line about distance units beyond waypoint from.
    Vector3 pointAhead(int from, double distance) const;
    // The tightest bend radius (render units) on the centre line within distance of waypoint from.
    double tightestRadiusAhead(int from, double distance) const;

    const Track& track_;
    DemoTuning tuning_;
    int lastNearest_ = 0;
    double targetSteering_ = 0.0;
    double targetSpeed_ = 0.0;
};

}  // namespace torvask::lab
