#pragma once
// A careful driver that only presses keys: it looks ahead along the track, steers towards a
// point on the centre line (pure pursuit), and lifts and brakes as the bends ahead tighten.
// Its recorded laps are the demonstrations the sample driver learns from, so it drives the
// way the keyboard lets a person drive: through W, S, A and D and their ramps, nothing else.
//
// It judges its speed mainly by the car's own sensors (how far the heading factors and the turn
// factor say the road bends ahead), not by the track's geometry far ahead: a learned driver
// sees only those five numbers, and a speed it cannot see the reason for is a speed it cannot
// learn. Judged by geometry 40 to 100 units ahead, the demonstrator was faster, but drivers
// trained on it braked too late into the hairpin and cut the tight corners.
//
// The road ahead is only a safety limit on top, as a person looking down the road slows for a
// corner before the car's sensors see it: for every bend within the distance it needs to stop,
// the speed from which it can still brake (after the time a brake pedal takes to build up) to a
// speed it can steer through that bend. On ordinary bends the limit lies above the sensor pace
// and changes nothing; it bites at a corner where the loop joins, a hairpin after a straight and
// tight S-bends, and there it asks for a slower speed early and smoothly.
//
// It keeps no state from frame to frame apart from what it aimed at last (for traces), so it can
// take the wheel at any moment and from any state of the car, at rest or at speed, on or off
// the road.
#include <vector>

#include "common/Vector3.h"
#include "physics/Track.h"
#include "sim/CTorvaskDoc.h"
#include "sim/Host.h"

namespace torvask {

struct DemoKeys {
    bool throttle = false;  // W
    bool brake = false;     // S
    bool left = false;      // A
    bool right = false;     // D
};

struct DemoTuning {
    double lookAheadBase = 9.0;       // render units ahead of the car's place on the centre line
    double lookAheadPerSpeed = 0.10;  // more per display speed unit
    double minSpeed = 45.0;           // display speed
    // Faster than this, the straight before a sharp corner was where it braked hardest, and a
    // learned driver's sensors (about 20 units of road ahead) cannot see the corner from there:
    // taught on 80 hard tracks, 76 drivers lapped cleanly with 120, 68 with 135, 62 with 150.
    double maxSpeed = 120.0;
    double turnSlowdown = 300.0;      // display speed given up per unit of turn factor
    double headingSlowdown = 60.0;    // ... per unit of the largest heading factor
    double pedalGain = 1.0 / 15.0;    // pedal per display speed unit of error
    // The look-ahead limit. A bend of radius R (render units) is taken at cornerSpeedPerRootRadius
    // * sqrt(R) display speed; braking takes brakeSquaredPerUnit of speed squared off per render
    // unit of road, after reactionSeconds of travel while the pedal builds up.
    double cornerSpeedPerRootRadius = 12.0;
    double brakeSquaredPerUnit = 90.0;
    double reactionSeconds = 0.8;
    // Render units each side over which a bend's radius is judged. Wider, a corner where the loop
    // joins (the centre line turning 90 degrees at one waypoint) was judged a bend the car could
    // take at the floor speed, and at lap speed it ran wide out of it.
    double cornerWindow = 6.0;
    double floorSpeed = 25.0;  // the limit never asks for less: the car keeps moving
};

// Road beyond a car's lap progress that still counts as where it should be (the lap counter lets
// a car skip up to 20 units of a corner's tip).
inline constexpr double kStretchAhead = 40.0;

// A key state holding exactly these keys (W, S, A, D) and no other.
KeyState demoKeyState(const DemoKeys& keys);

class Demonstrator {
public:
    explicit Demonstrator(const Track& track, DemoTuning tuning = {});

    // The keys to hold this frame. position/yaw: the car's render-frame pose (yaw in radians,
    // forward = (sin yaw, 0, cos yaw)); speed: display speed; throttle/brake/steering: the
    // document's control values now; dt: this frame's time in seconds.
    // sensors: the car's five inputs (speed/240, three heading factors, turn factor).
    // from: the waypoint the car should be near (its lap progress), so a car that crossed the
    // sand to another part of the loop is driven back to where it left the road; -1: the
    // nearest road, wherever it is.
    DemoKeys decide(const Vector3& position, double yaw, double speed, double throttle, double brake,
                    double steering, double dt, const std::vector<double>& sensors, int from = -1);
    // The same for the document's car and controls; no keys without a car.
    DemoKeys decide(const CTorvaskDoc& doc, double dt, int from = -1);

    // What decide aimed at last (for traces): steering in [-1/3, 1/3], target display speed.
    double targetSteering() const { return targetSteering_; }
    double targetSpeed() const { return targetSpeed_; }
    // Drives at this share of its usual speed everywhere (1: its own pace).
    void setPace(double pace) { pace_ = pace; }
    // The look-ahead limit alone for a car at speed near waypoint (display speed; at most maxSpeed).
    double lookAheadLimit(int waypoint, double speed) const;
    // The radius of the centre line around waypoint (render units, large on a straight).
    double bendRadius(int waypoint) const;
    // Loop waypoints in bends tighter than maxRadius, at least spacing units of road apart.
    std::vector<int> tightPlaces(double maxRadius, double spacing) const;

private:
    // The point of the centre line nearest to p: on the segment from waypoint `waypoint`, `along`
    // render units beyond it. Of the whole loop, or (from >= 0) of the road from a few waypoints
    // before from to about kStretchAhead units beyond it.
    struct RoadPoint {
        int waypoint = 0;
        double along = 0.0;
    };
    RoadPoint nearestRoadPoint(const Vector3& p, int from = -1) const;
    // The point on the centre line about distance units beyond waypoint from.
    Vector3 pointAhead(int from, double distance) const;

    const Track& track_;
    DemoTuning tuning_;
    int loopSize_ = 0;                // waypoints of the loop, without a closing repeat
    std::vector<double> segment_;     // length from waypoint i to i+1 around the loop
    std::vector<double> radius_;      // bendRadius of each loop waypoint
    double targetSteering_ = 0.0;
    double pace_ = 1.0;
    double targetSpeed_ = 0.0;
};

}  // namespace torvask
