#pragma once
// The measurements of a track's shape that say whether a car can drive it and its sensors read it
// right, the rules a drivable track keeps, and the warnings a person writing a track file gets.
#include <limits>
#include <string>
#include <vector>

#include "physics/Track.h"

namespace torvask {

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

inline constexpr double kNeighbourRoad = 100.0;  // along the road, nearer than this is a neighbour
inline constexpr double kMinGap = 35.0;          // render units between parts of the road
inline constexpr double kMinRadius = 18.0;       // render units, the tightest bend a car gets round
inline constexpr double kKinkWarningDegrees = 10.0;  // a corner at the join the smoothing leaves

// The car's tightest circles at full lock (chassis centre, render units, as the handling test
// measures them): its front wheels are set unevenly, so it turns tighter to the right.
inline constexpr double kCarTurnRadiusLeft = 11.5;
inline constexpr double kCarTurnRadiusRight = 7.25;
inline constexpr double kCarHalfWidth = 1.0;

// The bend that leaves the car the least room to turn in, on a smoothed, closed track.
struct TurnRoom {
    double room = std::numeric_limits<double>::infinity();  // widest circle through it on the ribbon
    double needed = 0.0;                                     // the car's tightest circle that way
    int waypoint = -1;                                       // its tightest sample
    bool left = false;                                       // a left-hand bend
};
// room < needed: no car gets round that bend, however slowly, and the track cannot be lapped.
TurnRoom tightestTurn(const Track& track);

// Render units; measureGap false leaves minGap at 0 (it is the costly one).
TrackShape measureTrack(const Track& track, double terrainWidth, double terrainDepth, bool measureGap = true);

// What makes a track fail in the window or trip up a driver, one line each, beginning "warning: ".
// sceneWaypoints: the smoothed waypoints the scene can draw.
std::vector<std::string> trackShapeWarnings(const Track& track, int sceneWaypoints);

}  // namespace torvask
