#pragma once
// Plane geometry on a track's centre line, in the ground plane of the render frame (x, z; heights
// ignored). One helper for each job: every distance from the centre line, every signed turn and
// every ground distance in the program goes through these.
#include <vector>

#include "common/Vector3.h"
#include "physics/Track.h"

namespace torvask {

// Distance between two points in the ground plane, render units.
double groundDistance(const Vector3& a, const Vector3& b);

// The point of segment a-b nearest to p: t in [0, 1] along it (0 for a segment of no length; a
// NaN becomes 1) and the squared ground distance to it.
struct SegmentPoint {
    double t = 0.0;
    double dx = 0.0, dz = 0.0;  // from that point to p
    double distanceSquared = 0.0;
};
SegmentPoint closestOnSegment(const Vector3& a, const Vector3& b, const Vector3& p);

// Turn of the path a -> b -> c at b, radians in (-pi, pi]; > 0 turns from +x towards +z.
double signedTurn(const Vector3& a, const Vector3& b, const Vector3& c);
// The same turn's size in degrees, [0, 180].
double turnDegrees(const Vector3& a, const Vector3& b, const Vector3& c);
// Radius of the circle through a, b and c (render units); infinity when they are in line.
double circumradius(const Vector3& a, const Vector3& b, const Vector3& c);

// Distance from p to the track's closed centre line (the last waypoint joined to the first).
double distanceFromCentreLine(const Track& track, const Vector3& p);

// Where the car stands relative to the closed centre line.
struct CentreLinePose {
    double offset = 0.0;        // signed distance from the centre line; > 0: right of it
    double headingError = 0.0;  // radians from the line's direction; > 0: turned to the right
};
// yaw: radians, forward = (sin yaw, 0, cos yaw).
CentreLinePose centreLinePose(const Track& track, const Vector3& position, double yaw);

// The waypoints from a few before waypoint `from` to about `ahead` render units of road beyond it,
// numbered first, first + 1, ... modulo the waypoint count: where a car whose lap progress is
// `from` should be, not whichever road is nearest.
struct RoadStretch {
    int first = 0;
    int count = 0;
};
RoadStretch roadStretch(const Track& track, int from, double ahead);
// The pose against that stretch only. A car that left a corner and crossed the sand to another
// part of the loop is far from its stretch.
CentreLinePose centreLinePoseNear(const Track& track, const Vector3& position, double yaw, int from, double ahead);

}  // namespace torvask
