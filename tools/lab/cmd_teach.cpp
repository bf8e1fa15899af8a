// torvask-lab teach: the whole teaching loop in one headless session, through the same keys and
// questions a person meets in the window. The demonstrator records laps in User Control; Esc,
// Yes, training; then each correction round lets the learned driver drive in AI Control while
// the demonstrator watches and takes the wheel (by holding drive keys) whenever the car goes
// wrong, lets go once it has recovered, and finally Esc, Yes retrains on everything.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Corrector.h"
#include "Demonstrator.h"
#include "DriveMonitor.h"
#include "LabCommand.h"
#include "LabSession.h"
#include "driver/Driver.h"
#include "physics/Car.h"

namespace torvask::lab {
namespace {

const char* const kUsage =
    "--track FILE --out DRIVER [--laps N] [--rounds K] [--passes P] [--round-passes P] [--driver FILE] "
    "[--eval-laps N] [--correct-laps N] [--max-seconds S] [--keep-correcting 0|1]";
const char* const kTrainQuestion = "Train driver with collected data?";
constexpr double kTeacherStuckSeconds = 40.0;
// A student whose best lap is this much slower than the teacher's is not done yet, clean or not.
constexpr double kPaceRatio = 1.2;
// A student that went wrong in its evaluation but not while the teacher watched is watched for
// up to this many times the usual laps, until the teacher finds something to correct.
constexpr int kLongerWatch = 3;

struct TeachOptions {
    int laps = 3;            // demonstration laps
    int rounds = 2;          // correction rounds
    long passes = 1000;      // training passes after the demonstration
    long roundPasses = 300;  // continuing from the current network: a nudge, not a new driver
    int evalLaps = 3;
    int correctLaps = 3;
    double maxSeconds = 400.0;  // per drive
    // Also correct a driver whose round already gave clean laps at a good pace. A teacher who
    // sees those stops: corrections of a driver that is fine only risk breaking it elsewhere.
    bool keepCorrecting = false;
};

struct TrainingBound {
    long passes = 0;
    int patterns = 0;
};

int stopAtBound(const TrainingProgress& progress, void* user) {
    auto* bound = static_cast<TrainingBound*>(user);
    bound->patterns = progress.numPatterns;
    return progress.iteration >= bound->passes ? 1 : 0;
}

// One frame, after which the monitor sees it. False when the simulation stopped.
bool step(LabSession& session, DriveMonitor& monitor, int& ms) {
    ms = session.frame();
    if (ms < 0) {
        std::fprintf(stderr, "torvask-lab teach: the simulation stopped\n");
        return false;
    }
    monitor.observe(ms);
    return true;
}

DemoKeys demonstratorKeys(CTorvaskDoc& doc, Demonstrator& demo, double dt) {
    Car* car = doc.getCar();
    return demo.decide(car->getPosition(), car->getRotation().y, car->getSpeed(), doc.getThrottle(),
                       doc.getBrake(), doc.getSteering(), dt, car->getInputs(0));
}

bool running(const DriveMonitor& monitor, const LabSession& session, double since, double maxSeconds,
             int laps) {
    return session.simulatedSeconds() - since < maxSeconds &&
           static_cast<int>(monitor.laps().size()) < laps && !monitor.stuck();
}

// The demonstrator drives laps in User Control; the document records them.
bool demonstrate(LabSession& session, Demonstrator& demo, const TeachOptions& o, DriveMonitor& monitor) {
    const double since = session.simulatedSeconds();
    double dt = 1.0 / 60.0;
    int ms = 0;
    while (running(monitor, session, since, o.maxSeconds, o.laps)) {
        holdKeys(session.host(), demonstratorKeys(session.doc(), demo, dt));
        if (!step(session, monitor, ms)) return false;
        dt = ms * 0.001;
    }
    session.host().releaseAll();
    return true;
}

// The learned driver alone, keys untouched: the figures eval gives.
bool evaluate(LabSession& session, const TeachOptions& o, DriveMonitor& monitor) {
    const double since = session.simulatedSeconds();
    session.host().releaseAll();
    int ms = 0;
    while (running(monitor, session, since, o.maxSeconds, o.evalLaps)) {
        if (!step(session, monitor, ms)) return false;
    }
    return true;
}

// The best lap's time in ms, or 0 without a lap.
std::int64_t bestLapMs(const DriveMonitor& monitor) {
    std::int64_t best = 0;
    for (const LapRecord& lap : monitor.laps()) {
        if (best == 0 || lap.lapTextMs < best) best = lap.lapTextMs;
    }
    return best;
}

// What the teacher saw in the student's last evaluation.
struct RoundVerdict {
    bool clean = false;  // every lap done, never off the ribbon, never stuck
    bool slow = false;   // its best lap well behind the teacher's
};

// The learned driver drives; the demonstrator takes the wheel whenever the car goes wrong. A
// student that was not clean is watched longer if need be, so a round is not wasted on a lap
// where it happened to do well; a slow one is also taken over where it dawdles.
bool correct(LabSession& session, Demonstrator& demo, const TeachOptions& o, const RoundVerdict& verdict,
             int& takeOvers) {
    CTorvaskDoc& doc = session.doc();
    CorrectorTuning tuning;
    tuning.watchPace = verdict.slow;
    Corrector corrector(doc.getTrack().getTrackWidth() * 0.5, tuning);
    const int longestWatch = verdict.clean ? o.correctLaps : o.correctLaps * kLongerWatch;
    DriveMonitor monitor(doc);
    const double since = session.simulatedSeconds();
    double dt = 1.0 / 60.0;
    int ms = 0;
    // The teacher may need a while to bring back a car that sits off the road, so the drive
    // ends only when no waypoint was gained for much longer than a stuck learned driver gets.
    double sinceProgress = 0.0;
    std::int32_t progress = doc.getLapProgress();
    while (session.simulatedSeconds() - since < o.maxSeconds * (longestWatch / o.correctLaps) &&
           sinceProgress < kTeacherStuckSeconds) {
        const int laps = static_cast<int>(monitor.laps().size());
        if (laps >= longestWatch || (laps >= o.correctLaps && corrector.takeOvers() > 0)) break;
        if (doc.getLapProgress() != progress) {
            progress = doc.getLapProgress();
            sinceProgress = 0.0;
        }
        Car* car = doc.getCar();
        const DemoKeys keys = demonstratorKeys(doc, demo, dt);
        const CentreLinePose pose = centreLinePose(doc.getTrack(), car->getPosition(), car->getRotation().y);
        if (corrector.update(pose, car->getSpeed(), demo.targetSpeed(), dt)) {
            holdKeys(session.host(), keys);
        } else {
            session.host().releaseAll();
        }
        if (!step(session, monitor, ms)) return false;
        dt = ms * 0.001;
        sinceProgress += dt;
    }
    takeOvers = corrector.takeOvers();
    // Let the hand-back happen before leaving, so the last correction is complete.
    session.host().releaseAll();
    for (double waited = 0.0; waited < 1.5 && doc.hasTheWheel();) {
        if (!step(session, monitor, ms)) return false;
        waited += ms * 0.001;
    }
    return true;
}

// Esc, then Yes to "Train driver with collected data?"; the training dialog trains for
// bound.passes passes. False unless the document trained and went back to AI Control.
bool escapeAndTrain(LabSession& session, TrainingBound& bound) {
    HeadlessHost& host = session.host();
    const std::size_t asked = host.questions.size();
    const std::size_t trained = host.trainingRequests.size();
    host.trainingHandler = [&bound](const TrainingRequest& request) {
        request.driver->train(request.patternPrefix, request.lobeFolder, stopAtBound, &bound);
    };
    host.yesNoAnswers.assign(1, true);
    host.releaseAll();
    host.press(dik::kEscape);
    const int ms = session.frame();
    host.releaseAll();
    host.yesNoAnswers.clear();
    host.trainingHandler = nullptr;
    const bool askedToTrain = host.questions.size() == asked + 1 && host.questions.back() == kTrainQuestion;
    if (ms < 0 || !askedToTrain || host.trainingRequests.size() != trained + 1 ||
        session.doc().getMode() != kModeAIControl) {
        std::fprintf(stderr, "torvask-lab teach: Esc did not lead to training and back to AI Control\n");
        return false;
    }
    return true;
}

int countLines(const std::string& file) {
    std::ifstream in(file);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

bool parseTeachOptions(std::map<std::string, std::string>& opt, TeachOptions& o) {
    struct IntOption {
        const char* name;
        double lo, hi;
        double value;
    };
    IntOption table[] = {
        {"--laps", 1, 100, static_cast<double>(o.laps)},
        {"--rounds", 0, 100, static_cast<double>(o.rounds)},
        {"--passes", 0, 1e7, static_cast<double>(o.passes)},
        {"--round-passes", 0, 1e7, static_cast<double>(o.roundPasses)},
        {"--eval-laps", 1, 100, static_cast<double>(o.evalLaps)},
        {"--correct-laps", 1, 100, static_cast<double>(o.correctLaps)},
        {"--max-seconds", 1, 1e5, o.maxSeconds},
        {"--keep-correcting", 0, 1, o.keepCorrecting ? 1.0 : 0.0},
    };
    for (IntOption& t : table) {
        if (opt.count(t.name) && !parseNumberOption(t.name, opt[t.name], t.lo, t.hi, t.value)) return false;
    }
    o.laps = static_cast<int>(table[0].value);
    o.rounds = static_cast<int>(table[1].value);
    o.passes = static_cast<long>(table[2].value);
    o.roundPasses = static_cast<long>(table[3].value);
    o.evalLaps = static_cast<int>(table[4].value);
    o.correctLaps = static_cast<int>(table[5].value);
    o.maxSeconds = table[6].value;
    o.keepCorrecting = table[7].value != 0.0;
    return true;
}

int teach(int argc, char** argv) {
    const LabCommand self{"teach", kUsage, "", nullptr};
    std::map<std::string, std::string> opt;
    if (!parseOptions(argc, argv,
                      {"--track", "--out", "--laps", "--rounds", "--passes", "--round-passes", "--driver",
                       "--eval-laps", "--correct-laps", "--max-seconds", "--keep-correcting"},
                      opt)) {
        return printUsage(self);
    }
    if (!opt.count("--track") || !opt.count("--out")) return printUsage(self);
    TeachOptions o;
    if (!parseTeachOptions(opt, o)) return 2;

    LabSession session;
    if (!session.start(opt["--track"], opt.count("--driver") ? opt["--driver"] : "")) return 1;
    CTorvaskDoc& doc = session.doc();
    Demonstrator demo(doc.getTrack());
    TrainingBound bound;
    // The demonstrator's best lap, the pace a student is judged by; unknown when correcting a
    // saved driver, whose pace is then left as it is.
    double demoBestMs = 0.0;

    if (!opt.count("--driver")) {
        DriveMonitor monitor(doc);
        if (!demonstrate(session, demo, o, monitor)) return 1;
        demoBestMs = static_cast<double>(bestLapMs(monitor));
        std::printf("demo patterns=%d %s\n", doc.getDriver()->getPatternCount(),
                    monitor.summaryLine().c_str());
        std::fflush(stdout);
        bound.passes = o.passes;
        if (!escapeAndTrain(session, bound)) return 1;
    } else if (doc.getMode() != kModeAIControl) {
        std::fprintf(stderr, "torvask-lab teach: the driver did not take the car\n");
        return 1;
    }

    int takeOvers = 0, correctionPatterns = 0;
    std::string figures;
    RoundVerdict verdict;
    for (int round = 0; round <= o.rounds; ++round) {
        if (round == 0 || takeOvers > 0) {
            DriveMonitor monitor(doc);
            if (!evaluate(session, o, monitor)) return 1;
            figures = monitor.summaryLine();
            verdict.clean = static_cast<int>(monitor.laps().size()) >= o.evalLaps &&
                            monitor.offTrackFrames() == 0 && !monitor.stuck();
            const std::int64_t best = bestLapMs(monitor);
            verdict.slow = demoBestMs > 0 && best > 0 && static_cast<double>(best) > kPaceRatio * demoBestMs;
        }
        // A round without a correction leaves the driver as it was, and so its figures.
        std::printf("round=%d patterns=%d takeovers=%d corrections=%d %s\n", round, bound.patterns, takeOvers,
                    correctionPatterns, figures.c_str());
        std::fflush(stdout);
        if (round == o.rounds || (round > 0 && takeOvers == 0)) continue;
        if (verdict.clean && !verdict.slow && !o.keepCorrecting) {
            takeOvers = correctionPatterns = 0;
            continue;
        }

        if (!correct(session, demo, o, verdict, takeOvers)) return 1;
        correctionPatterns = 0;
        for (const std::string& file : doc.getPendingCorrections()) correctionPatterns += countLines(file);
        // Without a correction Esc would end the session instead; the driver is as good as
        // this teacher can tell.
        if (doc.getPendingCorrections().empty()) {
            takeOvers = 0;
            continue;
        }
        bound.passes = o.roundPasses;
        if (!escapeAndTrain(session, bound)) return 1;
    }

    HeadlessHost& host = session.host();
    host.saveAnswers.assign(1, opt["--out"]);
    if (doc.saveDriver() != 0 || !host.saveAnswers.empty()) {
        std::fprintf(stderr, "torvask-lab teach: cannot save the driver to %s\n", opt["--out"].c_str());
        return 1;
    }
    return 0;
}

const LabCommandRegistration kRegistration({"teach", kUsage,
                                            "records the demonstrator's laps, trains, then runs correction "
                                            "rounds in which the demonstrator takes the "
                                            "wheel from the learned driver where it goes wrong and the "
                                            "driver retrains on everything; one eval line per "
                                            "round; saves the driver (and its patterns beside it)",
                                            &teach});

}  // namespace
}  // namespace torvask::lab
