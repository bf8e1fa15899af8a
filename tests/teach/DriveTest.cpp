// The teaching-by-example tools on the real simulation: the demonstrator's recordings, the
// drive figures eval reports, and the bundled sample driver.
#include <gtest/gtest.h>
#include <malloc.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "teach/Demonstrator.h"
#include "teach/DriveMonitor.h"
#include "teach/HeadlessSession.h"
#include "teach/TeachLoop.h"
#include "driver/Driver.h"
#include "physics/Car.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

const std::string kTracks = TORVASK_DATA_DIR "/tracks/";

// Drives with the demonstrator until seconds of simulated time or laps, whichever comes first.
void demonstrate(HeadlessSession& session, DriveMonitor& monitor, double seconds, std::size_t laps) {
    Demonstrator demo(session.doc().getTrack());
    double dt = 1.0 / 60.0;
    while (session.simulatedSeconds() < seconds && monitor.laps().size() < laps) {
        ASSERT_NE(session.doc().getCar(), nullptr);
        session.holdKeys(demo.decide(session.doc(), dt));
        const int ms = session.frame();
        ASSERT_GT(ms, 0);
        dt = ms * 0.001;
        monitor.observe(ms);
    }
}

// The patterns recorded so far, one row of numbers per line.
std::vector<std::vector<double>> recordedPatterns(HeadlessSession& session) {
    session.doc().getDriver()->closePatternFiles();
    std::ifstream in(session.doc().getPatternsPath() + ".0");
    std::vector<std::vector<double>> rows;
    for (std::string line; std::getline(in, line);) {
        std::stringstream ss(line);
        rows.emplace_back();
        for (std::string cell; std::getline(ss, cell, '\t');) rows.back().push_back(std::stod(cell));
    }
    return rows;
}

TEST(Demonstrator, RecordsPatternsOfTheRightShapeAndRanges) {
    HeadlessSession session;
    ASSERT_TRUE(session.start(kTracks + "Oval.trn", ""));
    DriveMonitor monitor(session.doc());
    demonstrate(session, monitor, 20.0, 99);

    int lines = 0;
    double topSpeed = 0.0, topThrottle = 0.0;
    for (const std::vector<double>& v : recordedPatterns(session)) {
        ++lines;
        SCOPED_TRACE(lines);
        ASSERT_EQ(v.size(), 8u);
        EXPECT_EQ(v[0], lines);  // numbered from 1
        EXPECT_GE(v[1], 0.0);
        EXPECT_LE(v[1], 1.0);
        for (int k = 2; k <= 4; ++k) {
            EXPECT_GE(v[k], -1.0);
            EXPECT_LE(v[k], 1.0);
        }
        EXPECT_GE(v[5], 0.0);
        for (int k = 6; k <= 7; ++k) {
            EXPECT_GE(v[k], 0.0);
            EXPECT_LE(v[k], 1.0);
        }
        topSpeed = std::max(topSpeed, v[1]);
        topThrottle = std::max(topThrottle, v[7]);
    }
    // One pattern per 200 ms of driving: 20 s give about 100 (the first waits for a key).
    EXPECT_GE(lines, 95);
    EXPECT_LE(lines, 101);
    EXPECT_GT(topSpeed, 0.2);     // it really drove
    EXPECT_GT(topThrottle, 0.6);  // on the throttle, not coasting
    EXPECT_EQ(monitor.offTrackFrames(), 0);
}

// A track whose file starts in a right-angled corner (the join is not smoothed) after a straight.
const char* const kCornerStart =
    "600 500 1 1\n0 80 0 80\n1 300 0 80\n2 520 0 80\n3 520 0 250\n4 520 0 420\n5 300 0 420\n6 80 0 420\n"
    "7 80 0 250\n8 80 0 80\n-1\n";
// Tight S-bends on one side of a rectangle.
const char* const kEsses =
    "700 500 1 1\n0 350 0 60\n1 550 0 60\n2 640 0 150\n3 560 0 230\n4 640 0 310\n5 560 0 390\n6 600 0 450\n"
    "7 350 0 450\n8 100 0 450\n9 60 0 300\n10 100 0 140\n11 200 0 60\n12 350 0 60\n-1\n";

// A file that starts at an 88-degree corner after a long straight, with a hairpin (gen-track
// --hard, seed 7034): at lap speed the car ran wide out of the join on laps 2 and 3.
const char* const kSharpJoin =
    "550 500 1 1\n0 70.7 0 312.6\n1 100 0 240.7\n2 40.1 0 196.9\n3 30.5 0 174.1\n4 53.3 0 164.5\n"
    "5 126.8 0 175\n6 161.9 0 88.8\n7 369.4 0 82.8\n8 409.7 0 296\n9 259.8 0 388.4\n10 70.7 0 312.6\n-1\n";

// A long fast curve between waypoints 500 units apart (gen-track seed 12100): smoothed, its
// waypoints lie 30 units apart, and at speed 120 the car weaved until it spun.
const char* const kSparseCurve =
    "900 750 1 1\n0 351.1 0 464.9\n1 286.6 0 461.1\n2 222.1 0 457.3\n3 78.2 0 285.1\n4 580.9 0 64.7\n"
    "5 686.5 0 316.8\n6 725.3 0 482.3\n7 415.6 0 468.8\n8 351.1 0 464.9\n-1\n";

TEST(Demonstrator, LapsACornerStartAndTightEssesCleanly) {
    testing::TempDir dir;
    for (const char* text : {kCornerStart, kEsses, kSharpJoin, kSparseCurve}) {
        SCOPED_TRACE(text);
        HeadlessSession session;
        ASSERT_TRUE(session.start(dir.write("t.trn", text), ""));
        DriveMonitor monitor(session.doc());
        demonstrate(session, monitor, 400.0, 3);
        EXPECT_EQ(monitor.laps().size(), 3u) << monitor.summaryLine();
        EXPECT_EQ(monitor.offTrackFrames(), 0) << monitor.summaryLine();
        EXPECT_FALSE(monitor.stuck());
    }
}

TEST(Demonstrator, PullsAwayFromRestInEveryTightBendAndAllRoundTheLoop) {
    testing::TempDir dir;
    HeadlessSession session;
    ASSERT_TRUE(session.start(dir.write("t.trn", kSharpJoin), ""));
    Demonstrator demo(session.doc().getTrack());
    const std::size_t tight = demo.tightPlaces(kPullAwayRadius, kPullAwaySpacing).size();
    ASSERT_GE(tight, 4u);  // the join and the hairpin, several places each
    const std::size_t places = tight + demo.tightPlaces(1e9, kPullAwayEvery).size();
    ASSERT_TRUE(demonstratePullAways(session, demo));
    // Each lesson starts at rest with a bend ahead and full throttle, never the brake.
    std::size_t atRest = 0;
    for (const std::vector<double>& v : recordedPatterns(session)) {
        if (v[1] >= kPullAwaySpeed / 240.0) continue;
        ++atRest;
        EXPECT_EQ(v[7], 1.0) << "speed " << v[1] * 240.0;
    }
    EXPECT_GE(atRest, places);
}

TEST(Demonstrator, SlowsEarlyForACornerItsSensorsCannotSeeYet) {
    Track track;
    testing::TempDir dir;
    ASSERT_EQ(track.load(dir.write("t.trn", kCornerStart)), 0);
    DemoTuning fast;  // the limit matters most with a top speed it must brake from
    fast.maxSpeed = 150.0;
    Demonstrator demo(track, fast);
    // The corner is the join, waypoint 0, after a straight of 170 units (waypoints n-18 to n-1).
    const int n = track.getNumWaypoints() - 1;
    EXPECT_LT(demo.bendRadius(0), 20.0);
    EXPECT_GT(demo.bendRadius(n - 10), 1000.0);
    // At speed 120: no limit 32 waypoints (about 290 units) out, then falling towards the corner.
    std::vector<double> limits;
    for (int before = 32; before >= 4; before -= 4) limits.push_back(demo.lookAheadLimit(n - before, 120.0));
    EXPECT_EQ(limits.front(), fast.maxSpeed);
    for (std::size_t i = 1; i < limits.size(); ++i) EXPECT_LE(limits[i], limits[i - 1]) << i;
    EXPECT_LT(limits[5], 125.0);  // already 12 waypoints (about 110 units) out
    EXPECT_LT(demo.lookAheadLimit(0, 60.0), 60.0);
}

TEST(Demonstrator, TakesOverFromAnyStateAndRejoinsTheRoad) {
    HeadlessSession session;
    ASSERT_TRUE(session.start(kTracks + "Technical.trn", ""));
    // Mid-lap, facing the way of the first leg (the wrong way here), at rest.
    ASSERT_EQ(session.doc().resetCar(session.doc().getWaypointCount() / 2), 0);
    DriveMonitor first(session.doc());
    demonstrate(session, first, 20.0, 99);
    DriveMonitor after(session.doc());
    demonstrate(session, after, 60.0, 99);
    EXPECT_EQ(after.offTrackFrames(), 0);
    EXPECT_GT(after.meanSpeed(), 50.0);
}

TEST(DriveMonitor, LapTimeEqualsTheSumOfItsFramesAndStaysOnTheRibbon) {
    HeadlessSession session;
    ASSERT_TRUE(session.start(kTracks + "Oval.trn", ""));
    DriveMonitor monitor(session.doc());
    demonstrate(session, monitor, 200.0, 2);
    ASSERT_EQ(monitor.laps().size(), 2u);
    for (const LapRecord& lap : monitor.laps()) {
        EXPECT_EQ(lap.lapTextMs, lap.frameSumMs);
        EXPECT_GT(lap.lapTextMs, 20000);
        EXPECT_EQ(lap.offTrackFrames, 0);
        EXPECT_LE(lap.maxDeviation, 10.0);
    }
    EXPECT_EQ(monitor.bestLapText(), formatLapTime(std::min(monitor.laps()[0].lapTextMs, monitor.laps()[1].lapTextMs)));
    EXPECT_FALSE(monitor.stuck());
}

TEST(DriveMonitor, ACarParkedOffTheTrackIsOffAndStuck) {
    HeadlessSession session;
    ASSERT_TRUE(session.start(kTracks + "Oval.trn", ""));
    Car* car = session.doc().getCar();
    const Track& track = session.doc().getTrack();
    // The middle of the terrain is well inside the oval's infield.
    car->setPosition(track.getTerrainWidth() / 2.0, 0.0, track.getTerrainDepth() / 2.0);
    DriveMonitor monitor(session.doc());
    bool stuckBefore10s = false;
    while (session.simulatedSeconds() < 12.0) {
        const int ms = session.frame();
        ASSERT_GT(ms, 0);
        monitor.observe(ms);
        if (session.simulatedSeconds() < 9.9) stuckBefore10s = stuckBefore10s || monitor.stuck();
    }
    EXPECT_EQ(monitor.offTrackFrames(), monitor.frames());
    EXPECT_GT(monitor.maxDeviation(), track.getTrackWidth() / 2.0);
    EXPECT_FALSE(stuckBefore10s);
    EXPECT_TRUE(monitor.stuck());
    EXPECT_TRUE(monitor.laps().empty());
    EXPECT_EQ(monitor.summaryLine().substr(0, 7), "laps=0 ");
    EXPECT_NE(monitor.summaryLine().find(" stuck=1 best=none"), std::string::npos);
}

TEST(HeadlessSession, FormatsLapTimesAsTheLapTextDoes) {
    EXPECT_EQ(formatLapTime(61234), "01:01.234");
    EXPECT_EQ(formatLapTime(0), "00:00.000");
    EXPECT_EQ(formatLapTime(59999), "00:59.999");
}

// Bytes the process has allocated, small blocks and mapped ones alike.
std::size_t bytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

TEST(HeadlessSession, LongRunsKeepFlatMemory) {
    HeadlessSession session;
    ASSERT_TRUE(session.start(kTracks + "Oval.trn", TORVASK_DATA_DIR "/drivers/Demo.driver"));
    // Warm up (first allocations, lap bookkeeping), then a run several times longer must not grow:
    // a device that kept its calls would take tens of kilobytes a frame here.
    for (int i = 0; i < 600; ++i) ASSERT_GT(session.frame(), 0);
    const std::size_t before = bytesInUse();
    for (int i = 0; i < 6000; ++i) ASSERT_GT(session.frame(), 0);
    const std::size_t after = bytesInUse();
    EXPECT_LT(after, before + 256 * 1024) << before << " -> " << after << " bytes in use";
    ASSERT_NE(session.host().deviceLog, nullptr);
    EXPECT_TRUE(session.host().deviceLog->calls.empty());
}

TEST(SampleDriver, LapsTheOvalCleanly) {
    HeadlessSession session;
    ASSERT_TRUE(session.start(kTracks + "Oval.trn", TORVASK_DATA_DIR "/drivers/Demo.driver"));
    ASSERT_EQ(session.doc().getMode(), kModeAIControl);
    DriveMonitor monitor(session.doc());
    while (session.simulatedSeconds() < 120.0 && monitor.laps().empty() && !monitor.stuck()) {
        const int ms = session.frame();
        ASSERT_GT(ms, 0);
        monitor.observe(ms);
    }
    ASSERT_EQ(monitor.laps().size(), 1u) << monitor.summaryLine();
    EXPECT_EQ(monitor.offTrackFrames(), 0) << monitor.summaryLine();
}

}  // namespace
}  // namespace torvask
