// torvask-lab eval: how well a driver file drives a track, in AI Control, headless.
#include <cstdio>
#include <string>

#include "DriveMonitor.h"
#include "LabCommand.h"
#include "LabSession.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--track FILE --driver FILE [--laps N] [--max-seconds S] [--trace FILE.csv]";

int evaluate(int argc, char** argv) {
    const LabCommand self{"eval", kUsage, "", nullptr};
    std::map<std::string, std::string> opt;
    if (!parseOptions(argc, argv, {"--track", "--driver", "--laps", "--max-seconds", "--trace"}, opt)) {
        return printUsage(self);
    }
    if (!opt.count("--track") || !opt.count("--driver")) return printUsage(self);
    double laps = 3.0, maxSeconds = 300.0;
    if (opt.count("--laps") && !parseNumberOption("--laps", opt["--laps"], 1.0, 1000.0, laps)) return 2;
    if (opt.count("--max-seconds") && !parseNumberOption("--max-seconds", opt["--max-seconds"], 0.1, 100000.0, maxSeconds)) {
        return 2;
    }

    LabSession session;
    if (!session.start(opt["--track"], opt["--driver"])) return 1;
    CTorvaskDoc& doc = session.doc();
    if (doc.getMode() != kModeAIControl) {
        std::fprintf(stderr, "torvask-lab eval: the driver did not take the car\n");
        return 1;
    }
    DriveMonitor monitor(doc);
    TraceWriter trace;
    if (opt.count("--trace") && !trace.open(opt["--trace"])) return 1;
    const double halfWidth = doc.getTrack().getTrackWidth() * 0.5;

    while (session.simulatedSeconds() < maxSeconds && static_cast<double>(monitor.laps().size()) < laps &&
           !monitor.stuck()) {
        const int ms = session.frame();
        if (ms < 0) {
            std::fprintf(stderr, "torvask-lab eval: the simulation stopped\n");
            return 1;
        }
        monitor.observe(ms);
        trace.write(session.simulatedSeconds(), doc, monitor.deviation(), halfWidth);
    }
    monitor.printLaps(stdout);
    std::printf("%s\n", monitor.summaryLine().c_str());
    return 0;
}

const LabCommandRegistration kRegistration(
    {"eval", kUsage,
     "drives the track with a driver file in AI Control and reports laps, lap times, frames off the track, "
     "largest deviation, mean speed and whether the car got stuck",
     &evaluate});

}  // namespace
}  // namespace torvask::lab
