// torvask-lab record: a demonstration. The built-in demonstrator drives the real simulation in
// User Control by holding W, S, A and D, so the patterns come from the same keyboard ramps,
// sensors and recording path as a person's.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "LabCommand.h"
#include "LabOptions.h"
#include "driver/Driver.h"
#include "teach/Demonstrator.h"
#include "teach/DriveMonitor.h"
#include "teach/HeadlessSession.h"
#include "teach/TeachLoop.h"
#include "teach/TraceWriter.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--track FILE --seconds S --out PREFIX [--laps N] [--slow-laps N] [--pull-aways 0|1] [--top-speed V] [--trace FILE.csv]";

int record(int argc, char** argv) {
    const LabCommand self{"record", kUsage, "", nullptr};
    std::string trackFile, prefix, tracePath;
    double seconds = 0.0;
    int laps = 0;
    int slowLaps = 0;
    int pullAways = 0;
    DemoTuning tuning;
    CLI::App app;
    app.add_option("--track", trackFile)->required();
    app.add_option("--seconds", seconds)->required()->check(numberIn(1.0, 100000.0));
    app.add_option("--out", prefix)->required();
    app.add_option("--laps", laps)->check(wholeNumber(1, 1000));
    app.add_option("--slow-laps", slowLaps)->check(wholeNumber(0, 1000));
    app.add_option("--pull-aways", pullAways)->check(wholeNumber(0, 1));
    app.add_option("--top-speed", tuning.maxSpeed)->check(numberIn(tuning.minSpeed, 240.0));
    app.add_option("--trace", tracePath);
    if (!parseCommandLine(app, self, argc, argv)) return 2;
    const std::string out = prefix + ".0";

    HeadlessSession session;
    if (!session.start(trackFile, "")) return 1;
    CTorvaskDoc& doc = session.doc();
    Demonstrator demo(doc.getTrack(), tuning);
    DriveMonitor monitor(doc);
    TraceWriter trace;
    if (!tracePath.empty() && !trace.open(tracePath)) return 1;

    double dt = 1.0 / 60.0;
    // --slow-laps more after --laps, at the pace of teach's slow laps; the figures printed are
    // those of the --laps laps.
    std::unique_ptr<DriveMonitor> slow;
    while (session.simulatedSeconds() < seconds) {
        if (laps > 0 && static_cast<int>(monitor.laps().size()) >= laps) {
            if (!slow) {
                slow = std::make_unique<DriveMonitor>(doc);
                demo.setPace(kSlowLapPace);
            }
            if (static_cast<int>(slow->laps().size()) >= slowLaps) break;
        }
        if (!doc.getCar()) break;
        session.holdKeys(demo.decide(doc, dt));
        const int ms = session.frame();
        if (ms < 0) {
            std::fprintf(stderr, "torvask-lab record: the simulation stopped\n");
            return 1;
        }
        dt = ms * 0.001;
        DriveMonitor& active = slow ? *slow : monitor;
        active.observe(ms);
        trace.write(session.simulatedSeconds(), doc, active.deviation(), doc.getTrack().getTrackWidth() * 0.5);
    }

    // After the laps, as teach does them; the figures stay those of the laps.
    if (pullAways != 0 && !demonstratePullAways(session, demo)) {
        std::fprintf(stderr, "torvask-lab record: the simulation stopped\n");
        return 1;
    }
    doc.getDriver()->closePatternFiles();
    const std::string recorded = doc.getPatternsPath() + ".0";
    std::error_code ec;
    std::filesystem::copy_file(recorded, out, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        std::fprintf(stderr, "torvask-lab record: cannot write %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    std::ifstream in(out);
    long lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;

    std::printf("patterns=%ld file=%s seconds=%.1f\n", lines, out.c_str(), session.simulatedSeconds());
    monitor.printLaps(stdout);
    std::printf("%s\n", monitor.summaryLine().c_str());
    return 0;
}

const LabCommandRegistration kRegistration(
    {"record", kUsage,
     "drives the track with the built-in demonstrator in User Control and writes the recorded patterns to PREFIX.0",
     &record});

}  // namespace
}  // namespace torvask::lab
