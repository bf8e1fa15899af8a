#pragma once
// Random closed tracks for trying a driver on roads no one tuned for.
//
// A generated track is flat, lies inside the walls, never brings two parts of the road that are
// not neighbours within kMinGap of each other, bends no tighter than kMinRadius, and starts on a
// straight (no corner where the loop joins) or, on request, in a bend (the join is then a corner
// of kBendStartMinKink to kBendStartMaxKink degrees, as in hand-written tracks whose file starts
// in a bend). The same seed always gives the same track, on every platform.
#include <cstdint>
#include <string>
#include <vector>

#include "common/Vector3.h"
#include "physics/TrackShape.h"

namespace torvask {

// Coarse waypoints in a file (the closing repeat of the first included) that smooth into at most
// the scene's kMaxSceneWaypoints.
int maxSceneCoarseWaypoints();

inline constexpr double kBendStartMinKink = 20.0;  // degrees the join turns on a bend start
inline constexpr double kBendStartMaxKink = 45.0;

enum class TrackStyle {
    Normal,     // starts on a straight: no corner where the loop joins
    BendStart,  // starts in a bend: the join is a corner of kBendStartMinKink to kBendStartMaxKink
};

struct GeneratedTrack {
    int width = 0;
    int depth = 0;
    std::vector<Vector3> waypoints;  // coarse, the first repeated at the end
    int attempts = 0;                // shapes drawn before one met every rule
};

// False only if no shape met the rules within the attempt limit (never seen in practice).
bool generateTrack(std::uint32_t seed, TrackStyle style, GeneratedTrack& out);

// The ".trn" text of a track: coordinates to a tenth, written without the locale.
std::string trackFileText(const GeneratedTrack& track);

}  // namespace torvask
