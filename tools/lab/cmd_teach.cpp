// torvask-lab teach: the whole teaching loop in one headless session (see TeachLoop), then the
// driver saved with its teaching beside it.
#include <cstdio>
#include <string>

#include "LabCommand.h"
#include "LabOptions.h"
#include "teach/HeadlessSession.h"
#include "teach/TeachLoop.h"

namespace torvask::lab {
namespace {

const char* const kUsage =
    "--track FILE --out DRIVER [--laps N] [--slow-laps N] [--rounds K] [--passes P] [--round-passes P] [--driver FILE] "
    "[--eval-laps N] [--correct-laps N] [--max-seconds S] [--keep-correcting 0|1] [--pull-aways 0|1] [--top-speed V]";

int teach(int argc, char** argv) {
    const LabCommand self{"teach", kUsage, "", nullptr};
    TeachOptions o;
    std::string track, driver;
    int keepCorrecting = 0;
    int pullAways = 1;
    CLI::App app;
    app.add_option("--track", track)->required();
    app.add_option("--out", o.out)->required();
    app.add_option("--driver", driver);
    app.add_option("--laps", o.laps)->check(wholeNumber(1, 100));
    app.add_option("--slow-laps", o.slowLaps)->check(wholeNumber(0, 100));
    app.add_option("--rounds", o.rounds)->check(wholeNumber(0, 100));
    app.add_option("--passes", o.passes)->check(wholeNumber(0, 10000000));
    app.add_option("--round-passes", o.roundPasses)->check(wholeNumber(0, 10000000));
    app.add_option("--eval-laps", o.evalLaps)->check(wholeNumber(1, 100));
    app.add_option("--correct-laps", o.correctLaps)->check(wholeNumber(1, 100));
    app.add_option("--max-seconds", o.maxSeconds)->check(numberIn(1.0, 1e5));
    app.add_option("--keep-correcting", keepCorrecting)->check(wholeNumber(0, 1));
    app.add_option("--pull-aways", pullAways)->check(wholeNumber(0, 1));
    app.add_option("--top-speed", o.demo.maxSpeed)->check(numberIn(o.demo.minSpeed, 240.0));
    if (!parseCommandLine(app, self, argc, argv)) return 2;
    o.keepCorrecting = keepCorrecting != 0;
    o.pullAways = pullAways != 0;
    o.fromLoadedDriver = !driver.empty();

    HeadlessSession session;
    if (!session.start(track, driver)) return 1;
    return TeachLoop(session, o).run();
}

const LabCommandRegistration kRegistration({"teach", kUsage,
                                            "records the demonstrator's laps, trains, then runs correction "
                                            "rounds in which the demonstrator takes the "
                                            "wheel from the learned driver where it goes wrong and the "
                                            "driver retrains on everything; one eval line per "
                                            "round, then which round's driver it kept (the best: clean first, then more laps, fewer "
                                            "frames off the ribbon, the faster lap); saves that driver (and its patterns beside it)",
                                            &teach});

}  // namespace
}  // namespace torvask::lab
