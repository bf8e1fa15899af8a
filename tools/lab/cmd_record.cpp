// torvask-lab record: a demonstration. The built-in demonstrator drives the real simulation in
// User Control by holding W, S, A and D, so the patterns come from the same keyboard ramps,
// sensors and recording path as a person's.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Demonstrator.h"
#include "DriveMonitor.h"
#include "LabCommand.h"
#include "LabSession.h"
#include "driver/Driver.h"
#include "physics/Car.h"

namespace torvask::lab {
namespace {

const char* const kUsage = "--track FILE --seconds S --out PREFIX [--laps N] [--trace FILE.csv]";

int record(int argc, char** argv) {
    const LabCommand self{"record", kUsage, "", nullptr};
    std::map<std::string, std::string> opt;
    if (!parseOptions(argc, argv, {"--track", "--seconds", "--out", "--laps", "--trace"}, opt)) return printUsage(self);
    if (!opt.count("--track") || !opt.count("--seconds") || !opt.count("--out")) return printUsage(self);
    double seconds = 0.0, laps = 0.0;
    if (!parseNumberOption("--seconds", opt["--seconds"], 1.0, 100000.0, seconds)) return 2;
    if (opt.count("--laps") && !parseNumberOption("--laps", opt["--laps"], 1.0, 1000.0, laps)) return 2;
    const std::string out = opt["--out"] + ".0";

    LabSession session;
    if (!session.start(opt["--track"], "")) return 1;
    CTorvaskDoc& doc = session.doc();
    Demonstrator demo(doc.getTrack());
    DriveMonitor monitor(doc);
    TraceWriter trace;
    if (opt.count("--trace") && !trace.open(opt["--trace"])) return 1;

    HeadlessHost& host = session.host();
    double dt = 1.0 / 60.0;
    while (session.simulatedSeconds() < seconds) {
        if (laps > 0 && static_cast<double>(monitor.laps().size()) >= laps) break;
        Car* car = doc.getCar();
        if (!car) break;
        const DemoKeys keys = demo.decide(car->getPosition(), car->getRotation().y, car->getSpeed(), doc.getThrottle(),
                                          doc.getBrake(), doc.getSteering(), dt, car->getInputs(0));
        holdKeys(host, keys);
        const int ms = session.frame();
        if (ms < 0) {
            std::fprintf(stderr, "torvask-lab record: the simulation stopped\n");
            return 1;
        }
        dt = ms * 0.001;
        monitor.observe(ms);
        trace.write(session.simulatedSeconds(), doc, monitor.deviation(), doc.getTrack().getTrackWidth() * 0.5);
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
