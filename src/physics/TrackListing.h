#pragma once
// A plain-text dump of a loaded track, for inspecting track files from the command line:
//   terrain WIDTH DEPTH
//   waypoints N
//   then N lines "i x y z lx ly lz rx ry rz" (waypoint, left edge, right edge; %.17g, render frame).
#include <string>
#include <vector>

#include "physics/Track.h"

namespace torvask {

// Edges missing for a waypoint (fewer than 2 waypoints) print as 0 0 0.
std::string trackListing(const Track& track);

// Things about a loaded track that the simulation will not show the way the file suggests, one
// line each (no trailing newline), in waypoint order. Empty when there is nothing to say.
// A waypoint off the ground (y != 0) is reported once, at the first such waypoint: the ribbon is
// drawn at the waypoints' heights, but the ground and the car's physics are flat at y = 0.
std::vector<std::string> trackWarnings(const Track& track);

}  // namespace torvask
