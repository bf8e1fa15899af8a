#pragma once
// Random closed tracks for trying a driver on roads no one tuned for.
//
// A generated track is flat, lies inside the walls, never brings two parts of the road that are
// not neighbours within kMinGap of each other, bends no tighter than kMinRadius, and starts on a
// straight (no corner where the loop joins) or, on request, in a bend (the join is then a corner
// of kBendStartMinKink to kBendStartMaxKink degrees, as in hand-written tracks whose file starts
// in a bend). A hard track is written as people write them (see TrackStyle::Hard). The same seed
// always gives the same track, on every platform.
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
    // As people write tracks: the file starts at a corner (a join of kHardJoinMinDegrees to
    // kHardJoinMaxDegrees), the waypoints are spaced unevenly (the longest stretch between them at
    // least kHardMinSpacingRatio times the shortest), a hairpin (a bend turning at least
    // kHardHairpinMinTurn degrees) has a centre-line radius of kHardHairpinMinRadius to
    // kHardHairpinMaxRadius, bends no tighter anywhere, sits between bends the other way (an S),
    // and parts of the road that are not neighbours stay kHardMinGap apart. Still flat, inside the
    // walls, at most kHardMaxCoarseWaypoints coarse waypoints, and never a bend the car cannot turn.
    Hard,
};

inline constexpr double kHardJoinMinDegrees = 30.0;
inline constexpr double kHardJoinMaxDegrees = 110.0;
inline constexpr double kHardMinSpacingRatio = 3.0;
inline constexpr double kHardHairpinMinTurn = 150.0;
inline constexpr double kHardSBendMinTurn = 20.0;
inline constexpr double kHardHairpinMinRadius = 7.0;
inline constexpr double kHardHairpinMaxRadius = 16.0;
inline constexpr double kHardMinGap = 30.0;
inline constexpr int kHardMaxCoarseWaypoints = 13;

struct GeneratedTrack {
    int width = 0;
    int depth = 0;
    std::vector<Vector3> waypoints;  // coarse, the first repeated at the end
    int attempts = 0;                // shapes drawn before one met every rule
};

// False only if no shape met the rules within the attempt limit (never seen in practice).
bool generateTrack(std::uint32_t seed, TrackStyle style, GeneratedTrack& out);

// generateTrack's TrackStyle::Hard.
bool generateHardTrack(std::uint32_t seed, GeneratedTrack& out);

class SeededRandom;
// The corners every generated track is laid round: `corners` points on the ellipse that fills a
// width x depth terrain 45 units in from its edge, each at angle step*(k + jitter) and at a
// random share in [minReach, 1) of the ellipse's radius, in a random direction of travel.
std::vector<Vector3> randomCornerRing(SeededRandom& random, int width, int depth, int corners, double jitter,
                                      double minReach);

// The ".trn" text of a track: coordinates to a tenth, written without the locale.
std::string trackFileText(const GeneratedTrack& track);

// "Generated <seed>.trn", the name a generated track is kept under.
std::string generatedTrackFileName(std::uint32_t seed);

// Generates the track of seed and style and writes it into folder under generatedTrackFileName,
// so it is there next time. True with the file's full path in path (also when that very track
// was there already); false with a message for the person in error when the folder is missing
// or unwritable, or holds a different track of that name (never overwritten).
bool saveGeneratedTrack(std::uint32_t seed, TrackStyle style, const std::string& folder, std::string& path,
                        std::string& error);

}  // namespace torvask
