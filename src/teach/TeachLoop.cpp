#include "teach/TeachLoop.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <utility>
#include <vector>

#include "driver/Driver.h"
#include "driver/FileReplace.h"
#include "driver/PatternFiles.h"
#include "physics/Car.h"
#include "teach/Corrector.h"
#include "teach/Demonstrator.h"
#include "teach/DriveMonitor.h"

namespace torvask {
namespace {

constexpr double kTeacherStuckSeconds = 40.0;
// A student whose best lap is this much slower than the teacher's is not done yet, clean or not.
constexpr double kPaceRatio = 1.2;
// A student that went wrong in its evaluation but not while the teacher watched is watched for
// up to this many times the usual laps, until the teacher finds something to correct.
constexpr int kLongerWatch = 3;

// What the teacher saw in the student's last evaluation.
struct RoundVerdict {
    bool clean = false;  // every lap done, never off the ribbon, never stuck
    bool slow = false;   // its best lap well behind the teacher's
};

int countLines(const std::string& file) {
    std::ifstream in(file);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Copies a saved driver and the patterns beside it (or their absence) to another driver file.
bool copyDriver(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!readFile(from, bytes) || !replaceFileContents(to, bytes)) return false;
    std::string patterns;
    if (!readFile(siblingPatternsFile(from), patterns)) {
        std::remove(siblingPatternsFile(to).c_str());
        return true;
    }
    return replaceFileContents(siblingPatternsFile(to), patterns);
}

class Teaching {
public:
    Teaching(TeachHost& host, const TeachOptions& options)
        : host_(host), o_(options), doc_(host.doc()), demo_(doc_.getTrack(), options.demo) {}

    int run();

private:
    // One frame, after which the monitor sees it. False when the simulation stopped.
    bool step(DriveMonitor& monitor, int& ms) {
        ms = host_.frame();
        if (ms < 0) {
            host_.fail("torvask-lab teach: the simulation stopped");
            return false;
        }
        monitor.observe(ms);
        return true;
    }
    bool running(const DriveMonitor& monitor, double since, int laps) const {
        return host_.simulatedSeconds() - since < o_.maxSeconds && static_cast<int>(monitor.laps().size()) < laps &&
               !monitor.stuck();
    }
    bool demonstrate(DriveMonitor& monitor);
    bool evaluate(DriveMonitor& monitor);
    bool correct(const RoundVerdict& verdict, int& takeOvers);
    bool escapeAndTrain(long passes) {
        if (host_.escapeAndTrain(passes, patterns_)) return true;
        host_.fail("torvask-lab teach: Esc did not lead to training and back to AI Control");
        return false;
    }

    TeachHost& host_;
    const TeachOptions& o_;
    CTorvaskDoc& doc_;
    Demonstrator demo_;
    int patterns_ = 0;  // in the last training
};

// The demonstrator drives laps in User Control; the document records them.
bool Teaching::demonstrate(DriveMonitor& monitor) {
    const double since = host_.simulatedSeconds();
    double dt = 1.0 / 60.0;
    int ms = 0;
    while (running(monitor, since, o_.laps)) {
        host_.holdKeys(demo_.decide(doc_, dt));
        if (!step(monitor, ms)) return false;
        dt = ms * 0.001;
    }
    // Then, if asked, laps at a slower pace, recorded alike. They were once the cure for drivers
    // that stalled in tight corners; the pull-away lessons cure that without teaching the whole
    // lap a slower pace (on 80 hard tracks: 66 taught drivers clean, 62 of them within 25 % of
    // the demonstrator's lap, against 62 and 54 with one slow lap).
    DriveMonitor slow(doc_);
    const double slowSince = host_.simulatedSeconds();
    demo_.setPace(kSlowLapPace);
    while (running(slow, slowSince, o_.slowLaps)) {
        host_.holdKeys(demo_.decide(doc_, dt));
        if (!step(slow, ms)) return false;
        dt = ms * 0.001;
    }
    demo_.setPace(1.0);
    host_.holdKeys({});
    if (o_.pullAways && !demonstratePullAways(host_, demo_)) {
        host_.fail("torvask-lab teach: the simulation stopped");
        return false;
    }
    return true;
}

// The learned driver alone, keys untouched: the figures eval gives.
bool Teaching::evaluate(DriveMonitor& monitor) {
    const double since = host_.simulatedSeconds();
    host_.holdKeys({});
    int ms = 0;
    while (running(monitor, since, o_.evalLaps)) {
        if (!step(monitor, ms)) return false;
    }
    return true;
}

// The learned driver drives; the demonstrator takes the wheel whenever the car goes wrong. A
// student that was not clean is watched longer if need be, so a round is not wasted on a lap
// where it happened to do well; a slow one is also taken over where it dawdles.
bool Teaching::correct(const RoundVerdict& verdict, int& takeOvers) {
    CorrectorTuning tuning;
    tuning.watchPace = verdict.slow;
    Corrector corrector(doc_.getTrack().getTrackWidth() * 0.5, tuning);
    const int longestWatch = verdict.clean ? o_.correctLaps : o_.correctLaps * kLongerWatch;
    DriveMonitor monitor(doc_);
    const double since = host_.simulatedSeconds();
    double dt = 1.0 / 60.0;
    int ms = 0;
    // The teacher may need a while to bring back a car that sits off the road, so the drive
    // ends only when no waypoint was gained for much longer than a stuck learned driver gets.
    double sinceProgress = 0.0;
    std::int32_t progress = doc_.getLapProgress();
    bool onCourse = false;
    while (host_.simulatedSeconds() - since < o_.maxSeconds * (longestWatch / o_.correctLaps) &&
           sinceProgress < kTeacherStuckSeconds) {
        const int laps = static_cast<int>(monitor.laps().size());
        if (laps >= longestWatch || (laps >= o_.correctLaps && corrector.takeOvers() > 0)) break;
        if (doc_.getLapProgress() != progress) {
            progress = doc_.getLapProgress();
            sinceProgress = 0.0;
            onCourse = true;
        }
        Car* car = doc_.getCar();
        // Once the lap counter follows the car, it is judged against the road where it should
        // be: one that left a corner and crossed the sand to another part of the loop is off its
        // road, however near that other part. Until then (the evaluation may have left it
        // anywhere) against the nearest road.
        const int from = onCourse ? doc_.getLapProgress() : -1;
        const DemoKeys keys = demo_.decide(doc_, dt, from);
        const CentreLinePose pose =
            onCourse ? centreLinePoseNear(doc_.getTrack(), car->getPosition(), car->getRotation().y, from, kStretchAhead)
                     : centreLinePose(doc_.getTrack(), car->getPosition(), car->getRotation().y);
        host_.holdKeys(corrector.update(pose, car->getSpeed(), demo_.targetSpeed(), dt) ? keys : DemoKeys{});
        if (!step(monitor, ms)) return false;
        dt = ms * 0.001;
        sinceProgress += dt;
    }
    takeOvers = corrector.takeOvers();
    // Let the hand-back happen before leaving, so the last correction is complete.
    host_.holdKeys({});
    for (double waited = 0.0; waited < 1.5 && doc_.hasTheWheel();) {
        if (!step(monitor, ms)) return false;
        waited += ms * 0.001;
    }
    return true;
}

int Teaching::run() {
    // The demonstrator's best lap, the pace a student is judged by; unknown when correcting a
    // saved driver, whose pace is then left as it is.
    double demoBestMs = 0.0;
    if (!o_.fromLoadedDriver) {
        DriveMonitor monitor(doc_);
        if (!demonstrate(monitor)) return 1;
        demoBestMs = static_cast<double>(monitor.bestLapMs());
        host_.report("demo patterns=" + std::to_string(doc_.getDriver()->getPatternCount()) + " " +
                     monitor.summaryLine());
        if (!escapeAndTrain(o_.passes)) return 1;
    } else if (doc_.getMode() != kModeAIControl) {
        host_.fail("torvask-lab teach: the driver did not take the car");
        return 1;
    }

    int takeOvers = 0, correctionPatterns = 0;
    std::string figures;
    RoundVerdict verdict;
    // The best driver so far, saved with its teaching: a correction round can make a driver
    // worse, and the loop hands back the best it has had, not the last.
    RoundResult kept;
    const std::string keptFile = doc_.getTempPath() + "teach-kept.driver";
    for (int round = 0; round <= o_.rounds; ++round) {
        if (round == 0 || takeOvers > 0) {
            DriveMonitor monitor(doc_);
            if (!evaluate(monitor)) return 1;
            figures = monitor.summaryLine();
            verdict.clean = static_cast<int>(monitor.laps().size()) >= o_.evalLaps && monitor.offTrackFrames() == 0 &&
                            !monitor.stuck();
            const std::int64_t best = monitor.bestLapMs();
            verdict.slow = demoBestMs > 0 && best > 0 && static_cast<double>(best) > kPaceRatio * demoBestMs;
            const RoundResult result{round, verdict.clean, static_cast<int>(monitor.laps().size()),
                                     monitor.offTrackFrames(), best, figures};
            if (betterThan(result, kept)) {
                if (!host_.saveDriverAs(keptFile)) {
                    host_.fail("torvask-lab teach: cannot keep the driver of round " + std::to_string(round) +
                               " in " + keptFile);
                    return 1;
                }
                kept = result;
            }
        }
        // A round without a correction leaves the driver as it was, and so its figures.
        host_.report("round=" + std::to_string(round) + " patterns=" + std::to_string(patterns_) +
                     " takeovers=" + std::to_string(takeOvers) + " corrections=" +
                     std::to_string(correctionPatterns) + " " + figures);
        if (round == o_.rounds || (round > 0 && takeOvers == 0)) continue;
        if (verdict.clean && !verdict.slow && !o_.keepCorrecting) {
            takeOvers = correctionPatterns = 0;
            continue;
        }

        if (!correct(verdict, takeOvers)) return 1;
        correctionPatterns = 0;
        for (const std::string& file : doc_.getPendingCorrections()) correctionPatterns += countLines(file);
        // Without a correction Esc would end the session instead; the driver is as good as
        // this teacher can tell.
        if (doc_.getPendingCorrections().empty()) {
            takeOvers = 0;
            continue;
        }
        if (!escapeAndTrain(o_.roundPasses)) return 1;
    }

    host_.report("kept round=" + std::to_string(kept.round) + " " + kept.figures);
    if (!copyDriver(keptFile, o_.out)) {
        host_.fail("torvask-lab teach: cannot save the driver to " + o_.out);
        return 1;
    }
    return 0;
}

}  // namespace

bool demonstratePullAways(TeachHost& host, Demonstrator& demo) {
    CTorvaskDoc& doc = host.doc();
    const std::vector<Vector3>& w = doc.getTrack().getWaypoints();
    const auto n = static_cast<int>(w.size());
    // Taught only at lap speed, a driver that came to a bend slower than the demonstrator ever
    // did (or stopped in it) braked there to a standstill and never moved again: nothing it had
    // seen paired a tight bend ahead with a low speed. Lessons in the tight bends alone left
    // drivers stalling in wider ones (on hard tracks, 53 of 120 first drivers clean, against 76
    // with lessons all round the loop).
    std::vector<int> places = demo.tightPlaces(kPullAwayRadius, kPullAwaySpacing);
    const std::vector<int> everywhere = demo.tightPlaces(std::numeric_limits<double>::infinity(), kPullAwayEvery);
    places.insert(places.end(), everywhere.begin(), everywhere.end());
    for (int at : places) {
        Car* car = doc.getCar();
        if (!car) return false;
        const Vector3& from = w[static_cast<std::size_t>(at)];
        car->setPosition(from.x, from.y, from.z);
        car->setRotation(0.0, yawAlong(w[static_cast<std::size_t>((at + 1) % n)] - from), 0.0);
        double dt = 1.0 / 60.0;
        for (double driven = 0.0; driven < kPullAwaySeconds; driven += dt) {
            host.holdKeys(demo.decide(doc, dt));
            const int ms = host.frame();
            if (ms < 0) return false;
            dt = ms * 0.001;
        }
    }
    host.holdKeys({});
    return true;
}

bool betterThan(const RoundResult& a, const RoundResult& b) {
    if (b.round < 0) return true;
    if (a.clean != b.clean) return a.clean;
    if (a.laps != b.laps) return a.laps > b.laps;
    if (a.offTrack != b.offTrack) return a.offTrack < b.offTrack;
    if (a.bestMs == 0 || b.bestMs == 0) return a.bestMs != 0 && b.bestMs == 0;
    return a.bestMs < b.bestMs;
}

TeachLoop::TeachLoop(TeachHost& host, TeachOptions options) : host_(host), options_(std::move(options)) {}

int TeachLoop::run() { return Teaching(host_, options_).run(); }

}  // namespace torvask
