// torvask-lab track FILE: loads a track file as the simulation does and prints the terrain size,
// the smoothed waypoint count and every waypoint with its two ribbon edges; warnings about what the
// simulation will show differently from the file, and about what makes a track fail in the window
// or trip up a driver, go to standard error.
#include <cstdio>
#include <string>

#include "LabCommand.h"
#include "TrackGenerator.h"
#include "common/Messages.h"
#include "physics/Track.h"
#include "physics/TrackListing.h"

namespace torvask::lab {
namespace {

int runTrack(int argc, char** argv);

// A turn this sharp at the join is a corner the smoothing leaves in place.
constexpr double kKinkWarningDegrees = 10.0;

void warnAboutShape(const Track& track, int coarseCount) {
    const int n = track.getNumWaypoints();
    if (n > maxSceneWaypoints()) {
        std::fprintf(stderr,
                     "warning: %d smoothed waypoints (from %d coarse ones) are more than the scene holds (%d); "
                     "use at most %d coarse waypoints\n",
                     n, coarseCount, maxSceneWaypoints(), maxSceneCoarseWaypoints());
    }
    if (n < 4) return;
    const TrackShape shape = measureTrack(track, track.getTerrainWidth(), track.getTerrainDepth());
    if (shape.closingGap > 1e-6) {
        std::fprintf(stderr,
                     "warning: the loop is not closed: the last waypoint is %.1f units from the first; "
                     "repeat the first waypoint at the end\n",
                     shape.closingGap);
    }
    if (shape.joinKinkDegrees > kKinkWarningDegrees) {
        std::fprintf(stderr,
                     "warning: the centre line turns %.0f degrees at once where the loop joins (waypoint 0): the "
                     "start is a sharp corner; start the file on a straight, in line with the waypoints "
                     "before and after it\n",
                     shape.joinKinkDegrees);
    }
    if (shape.minRadius < kMinRadius) {
        std::fprintf(stderr,
                     "warning: a bend of radius %.1f units (near waypoint %d), tighter than %.0f: the car may not "
                     "get round it on the ribbon\n",
                     shape.minRadius, shape.minRadiusWaypoint, kMinRadius);
    }
    if (shape.minGap < kMinGap) {
        std::fprintf(stderr,
                     "warning: two parts of the road come within %.1f units of each other (keep them %.0f apart): "
                     "the car's sensors may read the other part\n",
                     shape.minGap, kMinGap);
    }
    if (shape.wallOverrun > 0.0) {
        std::fprintf(stderr,
                     "warning: the ribbon reaches %.1f units beyond the walls (near waypoint %d); the walls stand "
                     "%.0f units inside the terrain edge\n",
                     shape.wallOverrun, shape.wallOverrunWaypoint, kWallInset);
    }
}

const LabCommandRegistration registration({
    "track",
    "FILE",
    "print a track file's terrain size and its smoothed waypoints with their left and right edges; warn about "
    "what the window shows differently or what trips up a car (heights, a corner where the loop joins, tight "
    "bends, crowded roads, a ribbon beyond the walls, more waypoints than the scene holds)",
    &runTrack,
});

int runTrack(int argc, char** argv) {
    if (argc != 2) {
        for (const LabCommand& c : labCommands()) {
            if (c.name == "track") return printUsage(c);
        }
        return 2;
    }
    Track track;
    if (track.load(argv[1]) != 0) {
        formatMessage("Failed to load terrain file");
        return 1;
    }
    const std::string text = trackListing(track);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    // Warnings go to standard error so the listing on standard output stays machine-readable.
    for (const std::string& warning : trackWarnings(track)) std::fprintf(stderr, "%s\n", warning.c_str());
    // Smoothing turns n coarse points into 19(n-2)+21; the count back is exact for n >= 3.
    const int coarse = track.getNumWaypoints() >= 21 ? (track.getNumWaypoints() - 21) / 19 + 2 : 0;
    warnAboutShape(track, coarse);
    return 0;
}

}  // namespace
}  // namespace torvask::lab
