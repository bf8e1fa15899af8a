#pragma once
// A plain-text dump of a loaded track, for inspecting track files from the command line:
//   terrain WIDTH DEPTH
//   waypoints N
//   then N lines "i x y z lx ly lz rx ry rz" (waypoint, left edge, right edge; %.17g, render frame).
#include <string>

#include "physics/Track.h"

namespace torvask {

// Edges missing for a waypoint (fewer than 2 waypoints) print as 0 0 0.
std::string trackListing(const Track& track);

}  // namespace torvask
