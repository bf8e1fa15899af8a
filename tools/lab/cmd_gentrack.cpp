// torvask-lab gen-track: writes a random drivable track file, the same one for the same seed.
#include <cstdio>
#include <fstream>
#include <string>

#include "LabCommand.h"
#include "LabOptions.h"
#include "teach/TrackGenerator.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--seed N --out FILE [--bend-start | --hard]";

int genTrack(int argc, char** argv) {
    const LabCommand self{"gen-track", kUsage, "", nullptr};
    std::uint32_t seed = 0;
    std::string out;
    bool bendStart = false;
    bool hard = false;
    CLI::App app;
    app.add_option("--seed", seed)->required()->check(wholeNumber(0, 4294967295LL));
    app.add_option("--out", out)->required();
    app.add_flag("--bend-start", bendStart);
    app.add_flag("--hard", hard)->excludes("--bend-start");
    if (!parseCommandLine(app, self, argc, argv)) return 2;

    GeneratedTrack track;
    const TrackStyle style = hard ? TrackStyle::Hard : bendStart ? TrackStyle::BendStart : TrackStyle::Normal;
    if (!generateTrack(seed, style, track)) {
        std::fprintf(stderr, "torvask-lab gen-track: no drivable track found for seed %lu\n", static_cast<unsigned long>(seed));
        return 1;
    }
    const std::string text = trackFileText(track);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    if (!file || !file.write(text.data(), static_cast<std::streamsize>(text.size())) || !file.flush()) {
        std::fprintf(stderr, "torvask-lab gen-track: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("track=%s seed=%lu start=%s terrain=%dx%d waypoints=%d attempts=%d\n", out.c_str(),
                static_cast<unsigned long>(seed),
                hard ? "corner" : bendStart ? "bend" : "straight", track.width, track.depth, static_cast<int>(track.waypoints.size()), track.attempts);
    return 0;
}

const LabCommandRegistration kRegistration(
    {"gen-track", kUsage,
     "writes a random drivable closed track (flat, inside the walls, no tight bends or crowded roads) to FILE; "
     "the same seed gives the same track; --bend-start starts the loop in a bend instead of on a straight; --hard "
     "writes one as people write them: the file starts at a corner, uneven spacing, a hairpin of radius 7 to 16 "
     "between bends the other way",
     &genTrack});

}  // namespace
}  // namespace torvask::lab
