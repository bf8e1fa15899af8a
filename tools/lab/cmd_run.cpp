// torvask-lab run: the real simulation document on the headless host, for a given number of
// frames at a given frame rate, then the three status texts of the last frame.
#include <cstdio>
#include <string>

#include "LabCommand.h"
#include "LabOptions.h"
#include "common/Messages.h"
#include "teach/HeadlessSession.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--track FILE [--driver FILE] [--frames N] [--fps F]";

// The texts keep their window line ends; a terminal wants plain ones.
std::string withUnixLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

int runSimulation(int argc, char** argv) {
    const LabCommand self{"run", kUsage, "", nullptr};
    std::string trackFile, driverFile;
    long frames = 600;
    double fps = 60.0;
    CLI::App app;
    app.add_option("--track", trackFile)->required();
    app.add_option("--driver", driverFile);
    app.add_option("--frames", frames)->check(wholeNumber(1, 10000000));
    app.add_option("--fps", fps)->check(numberIn(1.0, 1000.0));
    if (!parseCommandLine(app, self, argc, argv)) return 2;

    HeadlessSession session(fps);
    if (!session.start(trackFile, driverFile)) return 1;
    // Full throttle and nothing else: in User Control the car drives straight on; a driver
    // in AI Control ignores the keys.
    session.host().press(dik::kW);
    for (long frame = 0; frame < frames; ++frame) {
        if (session.frame() < 0) {
            std::fprintf(stderr, "torvask-lab run: the simulation stopped at frame %ld\n", frame);
            return 1;
        }
    }
    std::printf("%s\n", withUnixLineEnds(session.doc().getFpsText()).c_str());
    std::printf("%s\n", withUnixLineEnds(statusText()).c_str());
    std::printf("%s\n", withUnixLineEnds(session.doc().getLapText()).c_str());
    return 0;
}

const LabCommandRegistration kRegistration(
    {"run", kUsage,
     "runs the simulation headless (W held in User Control) and prints the last frame's status, FPS and lap texts",
     &runSimulation});

}  // namespace
}  // namespace torvask::lab
