// torvask-lab eval: how well a driver file drives a track, in AI Control, headless.
#include <cstdio>
#include <string>

#include "LabCommand.h"
#include "LabOptions.h"
#include "teach/DriveRecord.h"
#include "teach/HeadlessSession.h"
#include "teach/TraceWriter.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--track FILE --driver FILE [--laps N] [--max-seconds S] [--trace FILE.csv]";

int evaluate(int argc, char** argv) {
    const LabCommand self{"eval", kUsage, "", nullptr};
    std::string trackFile, driverFile, tracePath;
    int laps = 3;
    double maxSeconds = 300.0;
    CLI::App app;
    app.add_option("--track", trackFile)->required();
    app.add_option("--driver", driverFile)->required();
    app.add_option("--laps", laps)->check(wholeNumber(1, 1000));
    app.add_option("--max-seconds", maxSeconds)->check(numberIn(0.1, 100000.0));
    app.add_option("--trace", tracePath);
    if (!parseCommandLine(app, self, argc, argv)) return 2;

    HeadlessSession session;
    if (!session.start(trackFile, driverFile)) return 1;
    CTorvaskDoc& doc = session.doc();
    if (doc.getMode() != kModeAIControl) {
        std::fprintf(stderr, "torvask-lab eval: the driver did not take the car\n");
        return 1;
    }
    // The window's Driver Report keeps its drives in the same record, so both give the same figures.
    DriveRecord record(doc);
    const DriveMonitor& monitor = record.monitor();
    TraceWriter trace;
    if (!tracePath.empty() && !trace.open(tracePath)) return 1;

    while (session.simulatedSeconds() < maxSeconds && static_cast<int>(monitor.laps().size()) < laps &&
           !monitor.stuck()) {
        const int ms = session.frame();
        if (ms < 0) {
            std::fprintf(stderr, "torvask-lab eval: the simulation stopped\n");
            return 1;
        }
        record.observe(ms);
        trace.write(record.lastRow());
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
