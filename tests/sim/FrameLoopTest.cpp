// The frame step through the headless host on the real physics and driver: pacing, the stall
// guard, lap counting, the status texts and the render step's calls.
#include <cstdio>

#include "SimFixture.h"
#include "driver/Driver.h"

namespace torvask::testing {
namespace {

class FrameLoopTest : public SimFixture {};

double physicsRateOf(const std::string& fpsText) {
    int frames = 0;
    double rate = -1.0;
    if (std::sscanf(fpsText.c_str(), "FPS: %d\r\nPhysics Rate: %lf\r\n", &frames, &rate) != 2) return -1.0;
    return rate;
}

TEST_F(FrameLoopTest, NoFrameBeforeStartUpOrAfterTeardown) {
    EXPECT_EQ(doc->simulateFrame(), -1);
    startRunning();
    EXPECT_EQ(frameAfter(17), 0);
    doc->teardownScene();
    EXPECT_EQ(frameAfter(17), -1);
    EXPECT_EQ(doc->getMode(), kModeIdle);
}

TEST_F(FrameLoopTest, ConstructorValues) {
    EXPECT_EQ(doc->getFpsText(), "FPS:");
    EXPECT_EQ(doc->getLapText(), "Cur. Lap:\r\nLast Lap:\r\nBest Lap:");
    EXPECT_TRUE(doc->isRenderEnabled());
    EXPECT_FALSE(doc->isSceneReady());
    EXPECT_EQ(doc->getMode(), kModeIdle);
    EXPECT_STREQ(doc->getModeName(0), "Idle");
    EXPECT_STREQ(doc->getModeName(1), "User Control");
    EXPECT_STREQ(doc->getModeName(2), "AI Control");
    EXPECT_EQ(host->devicesCreated, 0);
}

TEST_F(FrameLoopTest, PhysicsRateAtSixtyAndThirtyFramesPerSecond) {
    struct Row { double fps; double wantRate; };
    const Row rows[] = {{60.0, 1.00}, {72.0, 1.00}, {120.0, 1.00}, {30.0, 0.50}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fps);
        SetUp();
        startRunning();
        // Three one-second windows; the last is read.
        double due = 0.0;
        for (int frame = 0; frame < static_cast<int>(row.fps * 3); ++frame) {
            due += 1000.0 / row.fps;
            const auto ms = static_cast<std::uint32_t>(due);
            due -= ms;
            ASSERT_EQ(frameAfter(ms), 0);
        }
        EXPECT_NEAR(physicsRateOf(doc->getFpsText()), row.wantRate, 0.011) << doc->getFpsText();
        EXPECT_EQ(doc->getFpsText().rfind("FPS: ", 0), 0U);
        TearDown();
    }
}

TEST_F(FrameLoopTest, ThirtyFramesPerSecondCarryTheRemainderUntilTheStallGuardFires) {
    startRunning();
    ASSERT_EQ(frameAfter(33), 0);  // pacing starts
    std::uint32_t lag = host->clock.tickCount() - doc->getLastPhysicsTick();
    int fired = 0;
    for (int frame = 0; frame < 60; ++frame) {
        const std::uint32_t lapStart = doc->getLapStartTick();
        const std::int32_t stepsBefore = doc->getPhysicsStepsThisSecond();
        ASSERT_EQ(frameAfter(frame % 3 == 2 ? 34 : 33), 0);
        const std::uint32_t newLag = host->clock.tickCount() - doc->getLastPhysicsTick();
        if (doc->getPhysicsStepsThisSecond() != 0) {
            EXPECT_EQ(doc->getPhysicsStepsThisSecond(), stepsBefore + 1);
        }
        if (doc->getLapStartTick() != lapStart) {
            // The guard: the whole stalled time leaves the lap; a 20 ms frame leaves 3 ms over.
            ++fired;
            EXPECT_EQ(doc->getLapStartTick() - lapStart, lag + (frame % 3 == 2 ? 34U : 33U));
            EXPECT_EQ(newLag, 3U);
        } else {
            // 16.33 or 17.33 ms more, in whole milliseconds (the fraction is carried apart).
            EXPECT_GE(newLag - lag, 16U);
            EXPECT_LE(newLag - lag, 18U);
        }
        lag = newLag;
    }
    EXPECT_GE(fired, 2);
}

TEST_F(FrameLoopTest, StallGuardRunsExactlyOneStep) {
    struct Row { std::uint32_t gap; bool step; std::uint32_t lapShift; std::uint32_t lagAfter; };
    const Row rows[] = {
        {16, false, 0, 16},    // under one interval: no step, nothing carried
        {17, true, 0, 0},      // 17 - 16.67 truncates to 0
        {40, true, 0, 23},     // one step only, the rest carried
        {300, true, 0, 283},   // still paced normally
        {301, true, 301, 3},   // stall: counted as 20 ms, and the 301 ms leave the lap
        {900, true, 900, 3},   // (kept inside the first one-second window, whose counters it reads)
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.gap);
        SetUp();
        startRunning();
        ASSERT_EQ(frameAfter(20), 0);
        ASSERT_EQ(frameAfter(17), 0);
        const std::uint32_t lastStep = doc->getLastPhysicsTick();
        ASSERT_EQ(lastStep, host->clock.tickCount());
        const std::uint32_t lapStart = doc->getLapStartTick();
        const int stepsBefore = doc->getPhysicsStepsThisSecond();
        const LapTime lapBefore = doc->getCurrentLap();
        host->clock.set(lastStep + row.gap);
        ASSERT_EQ(doc->simulateFrame(), 0);
        EXPECT_EQ(doc->getPhysicsStepsThisSecond() - stepsBefore, row.step ? 1 : 0);
        EXPECT_EQ(doc->getLapStartTick() - lapStart, row.lapShift);
        EXPECT_EQ(host->clock.tickCount() - doc->getLastPhysicsTick(), row.lagAfter);
        if (row.lapShift != 0) {
            EXPECT_EQ(doc->getCurrentLap(), lapBefore);  // as if it had not happened
        }
        TearDown();
    }
}

TEST_F(FrameLoopTest, LapsCountOnlyWaypointsReachedInOrder) {
    doc->setTrackLoader(exactTrack(squareCorners()));
    startRunning();
    ASSERT_EQ(doc->getWaypointCount(), 5);
    EXPECT_EQ(doc->getLapProgress(), 0);

    driveToWaypoint(1);
    EXPECT_EQ(doc->getLapProgress(), 1);
    driveToWaypoint(3);  // waypoint 2 skipped
    EXPECT_EQ(doc->getLapProgress(), 1);
    driveToWaypoint(0);
    EXPECT_EQ(doc->getLapProgress(), 1);
    EXPECT_EQ(doc->getLastLap(), noLapTime());
    driveToWaypoint(2);
    EXPECT_EQ(doc->getLapProgress(), 2);
    driveToWaypoint(3);
    EXPECT_EQ(doc->getLapProgress(), 3);

    const LapTime beforeFinish = doc->getCurrentLap();
    const std::uint32_t finishTick = host->clock.tickCount() + 17;
    driveToWaypoint(0);
    // The lap time is the one the previous frame showed; the first lap always becomes best.
    EXPECT_EQ(doc->getLastLap(), beforeFinish);
    EXPECT_EQ(doc->getBestLap(), beforeFinish);
    EXPECT_EQ(doc->getLapProgress(), 0);
    EXPECT_EQ(doc->getLapStartTick(), finishTick);
    EXPECT_EQ(doc->getCurrentLap(), lapTimeFromMilliseconds(0));
}

// A car cutting inside a sharp corner is nearest to none of the waypoints at its tip: a short
// stretch of road may be skipped, across the join too, but no more.
TEST_F(FrameLoopTest, LapProgressSkipsAShortStretchOfRoadButNoMore) {
    // The square sampled every 5 units: 80 waypoints round the loop, then the repeat of the first.
    std::vector<Vector3> points;
    for (int side = 0; side < 4; ++side) {
        for (int k = 0; k < 20; ++k) {
            const double t = 5.0 * k;
            const double x[] = {50 + t, 150, 150 - t, 50};
            const double z[] = {50, 50 + t, 150, 150 - t};
            points.emplace_back(x[side], 0.0, z[side]);
        }
    }
    points.push_back(points.front());
    doc->setTrackLoader(exactTrack(points));
    startRunning();
    ASSERT_EQ(doc->getWaypointCount(), 81);
    struct Step { int to; int progress; int laps; };
    const Step steps[] = {
        {1, 1, 0},    // the next one
        {5, 5, 0},    // 15 units of road skipped: counts
        {11, 5, 0},   // 25 units: does not
        {9, 9, 0},
        {76, 9, 0},   // behind, round the loop
        {30, 9, 0},   // far ahead
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.to);
        driveToWaypoint(s.to);
        EXPECT_EQ(doc->getLapProgress(), s.progress);
        EXPECT_EQ(doc->getLapsCompleted(), s.laps);
    }
    for (int w = 10; w <= 78; ++w) driveToWaypoint(w);
    ASSERT_EQ(doc->getLapProgress(), 78);
    driveToWaypoint(2);  // across the join, 15 units skipped: a lap
    EXPECT_EQ(doc->getLapProgress(), 2);
    EXPECT_EQ(doc->getLapsCompleted(), 1);
    EXPECT_NE(doc->getLastLap(), noLapTime());
}

TEST_F(FrameLoopTest, BestLapKeepsTheShortest) {
    doc->setTrackLoader(exactTrack(squareCorners()));
    startRunning();
    auto lap = [&](std::uint32_t pause) {
        for (int w : {1, 2, 3}) {
            driveToWaypoint(w);
            for (std::uint32_t t = 0; t < pause; t += 17) ASSERT_EQ(frameAfter(17), 0);
        }
        driveToWaypoint(0);
    };
    lap(0);
    const LapTime first = doc->getLastLap();
    lap(500);  // longer
    EXPECT_TRUE(isShorterLap(first, doc->getLastLap()));
    EXPECT_EQ(doc->getBestLap(), first);
    lap(0);  // same length as the first
    EXPECT_EQ(doc->getLastLap(), first);
    EXPECT_EQ(doc->getBestLap(), first);
}

TEST_F(FrameLoopTest, LapTextShowsTheRunningLap) {
    startRunning();
    const std::uint32_t start = doc->getLapStartTick();
    // Frames of 17, 17 and 16 ms keep pace with the physics, so the stall guard never fires;
    // 3674 of them make 61 234 ms.
    for (int i = 0; i < 3674; ++i) ASSERT_EQ(frameAfter(i % 3 == 2 ? 16 : 17), 0);
    ASSERT_EQ(host->clock.tickCount() - start, 61234U);
    EXPECT_EQ(doc->getLapText(), "Cur. Lap: 01:01.234\r\nLast Lap: 99:99.999\r\nBest Lap: 99:99.999");
}

TEST_F(FrameLoopTest, StatusTextRestartsWithTheModeLineAndTheCarsSensors) {
    startRunning();
    ASSERT_EQ(frameAfter(17), 0);
    const std::string status = statusText();
    EXPECT_EQ(status.rfind("Mode: User Control\r\n\r\n", 0), 0U) << status;
    EXPECT_NE(status.find("Speed="), std::string::npos) << status;
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(statusText().find("Mode:", 1), std::string::npos) << "the previous frame's text was not replaced";
}

TEST_F(FrameLoopTest, FpsTextAfterOneSecond) {
    startRunning();
    // The window opens at the first frame, which only starts the pacing; the next ten frames
    // of 100 ms each run one physics step: 10 / 60 shows as 0.17.
    for (int i = 0; i < 10; ++i) ASSERT_EQ(frameAfter(100), 0);
    EXPECT_EQ(doc->getFpsText(), "FPS:");
    ASSERT_EQ(frameAfter(100), 0);
    EXPECT_EQ(doc->getFpsText(), "FPS: 11\r\nPhysics Rate: 0.17\r\n");
    EXPECT_EQ(doc->getFramesThisSecond(), 0);
    EXPECT_EQ(doc->getPhysicsStepsThisSecond(), 0);
}

}  // namespace
}  // namespace torvask::testing
