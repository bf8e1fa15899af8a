// torvask-lab track FILE: loads a track file as the simulation does and prints the terrain size,
// the smoothed waypoint count and every waypoint with its two ribbon edges; warnings about what the
// simulation will show differently from the file, and about what makes a track fail in the window
// or trip up a driver, go to standard error.
#include <cstdio>
#include <string>

#include "LabCommand.h"
#include "common/Messages.h"
#include "physics/Track.h"
#include "physics/TrackListing.h"
#include "physics/TrackShape.h"
#include "sim/CTorvaskDoc.h"

namespace torvask::lab {
namespace {

int runTrack(int argc, char** argv);

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
    for (const std::string& warning : trackShapeWarnings(track, kMaxSceneWaypoints)) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    return 0;
}

}  // namespace
}  // namespace torvask::lab
