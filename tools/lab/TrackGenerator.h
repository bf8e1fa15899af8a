#pragma once
// Random closed tracks for trying a driver on roads no one tuned for, and the measurements of a
// track's shape that say whether the simulation can show it and a car can drive it.
//
// A generated track is flat, lies inside the walls, never brings two parts of the road that are
// not neighbours within kMinGap of each other, bends no tighter than kMinRadius, and starts on a
// straight (no corner where the loop joins) or, on request, in a bend (the join is then a corner
// of kBendStartMinKink to kBendStartMaxKink degrees, as in hand-written tracks whose file starts
// in a bend). The same seed always gives the same track, on every platform.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/Vector3.h"
#include "physics/Track.h"

namespace torvask::lab {

// What the scene can hold: the vertex pool keeps the ground quad, the sky box and two ribbon
// vertices per smoothed waypoint.
int maxSceneWaypoints();
// Coarse waypoints in a file (the closing repeat of the first included) that smooth into at most
// maxSceneWaypoints().
int maxSceneCoarseWaypoints();

// Measurements on a smoothed, closed track (the last waypoint repeats the first).
struct TrackShape {
    double joinTurnDegrees = 0.0;  // turn of the centre line at waypoint 0 (the loop's join)
    double joinKinkDegrees = 0.0;  // how much more it turns there than at its neighbours: a corner
    double closingGap = 0.0;       // distance from the last waypoint to the first
    double minRadius = 0.0;        // tightest bend (circumradius of three neighbours), join left out
    int minRadiusWaypoint = -1;    // where it is
    double minGap = 0.0;           // closest approach of two parts of the centre line that are not
                                   // neighbours (more than kNeighbourRoad apart along the road)
    double wallOverrun = 0.0;      // how far the ribbon's edges reach beyond the walls (<= 0: inside)
    int wallOverrunWaypoint = -1;  // where it reaches furthest
    double length = 0.0;
};

inline constexpr double kWallInset = 10.0;        // the walls stand this far inside the terrain edge
inline constexpr double kNeighbourRoad = 100.0;   // along the road, nearer than this is a neighbour
inline constexpr double kMinGap = 35.0;
inline constexpr double kMinRadius = 18.0;
inline constexpr double kBendStartMinKink = 20.0;
inline constexpr double kBendStartMaxKink = 45.0;

// measureGap false leaves minGap at 0 (it is the costly one).
TrackShape measureTrack(const Track& track, double terrainWidth, double terrainDepth, bool measureGap = true);

// A small deterministic generator: the engine's sequence is fixed by the standard, and the
// conversions to numbers below are ours (the standard distributions differ between libraries).
class SeededRandom {
public:
    explicit SeededRandom(std::uint32_t seed) : engine_(seed) {}
    double uniform();                        // [0, 1)
    double uniform(double lo, double hi);    // [lo, hi)
    int uniformInt(int lo, int hi);          // [lo, hi]

private:
    std::mt19937 engine_;
};

struct GeneratedTrack {
    int width = 0;
    int depth = 0;
    std::vector<Vector3> waypoints;  // coarse, the first repeated at the end
    int attempts = 0;                // shapes drawn before one met every rule
};

// False only if no shape met the rules within the attempt limit (never seen in practice).
bool generateTrack(std::uint32_t seed, bool bendStart, GeneratedTrack& out);

// The ".trn" text of a track: coordinates to a tenth, written without the locale.
std::string trackFileText(const GeneratedTrack& track);

}  // namespace torvask::lab
