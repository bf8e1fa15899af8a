// torvask-lab gen-track: writes a random drivable track file, the same one for the same seed.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "LabCommand.h"
#include "TrackGenerator.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--seed N --out FILE [--bend-start]";

int genTrack(int argc, char** argv) {
    const LabCommand self{"gen-track", kUsage, "", nullptr};
    std::string seedText, out;
    bool bendStart = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--bend-start") {
            bendStart = true;
        } else if ((arg == "--seed" || arg == "--out") && i + 1 < argc) {
            (arg == "--seed" ? seedText : out) = argv[++i];
        } else {
            return printUsage(self);
        }
    }
    if (seedText.empty() || out.empty()) return printUsage(self);
    char* end = nullptr;
    errno = 0;
    const unsigned long long seed = std::strtoull(seedText.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || seedText[0] == '-' || seed > 0xFFFFFFFFull) {
        std::fprintf(stderr, "torvask-lab gen-track: --seed needs a whole number from 0 to 4294967295, not '%s'\n",
                     seedText.c_str());
        return 2;
    }

    GeneratedTrack track;
    if (!generateTrack(static_cast<std::uint32_t>(seed), bendStart, track)) {
        std::fprintf(stderr, "torvask-lab gen-track: no drivable track found for seed %llu\n", seed);
        return 1;
    }
    const std::string text = trackFileText(track);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    if (!file || !file.write(text.data(), static_cast<std::streamsize>(text.size())) || !file.flush()) {
        std::fprintf(stderr, "torvask-lab gen-track: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("track=%s seed=%llu start=%s terrain=%dx%d waypoints=%d attempts=%d\n", out.c_str(), seed,
                bendStart ? "bend" : "straight", track.width, track.depth, static_cast<int>(track.waypoints.size()), track.attempts);
    return 0;
}

const LabCommandRegistration kRegistration(
    {"gen-track", kUsage,
     "writes a random drivable closed track (flat, inside the walls, no tight bends or crowded roads) to FILE; "
     "the same seed gives the same track; --bend-start starts the loop in a bend instead of on a straight",
     &genTrack});

}  // namespace
}  // namespace torvask::lab
