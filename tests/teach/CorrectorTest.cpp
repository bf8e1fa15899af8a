// When the teacher takes the wheel from the learned driver, and when it lets go.
#include <gtest/gtest.h>

#include <cmath>

#include "teach/Corrector.h"

namespace torvask {
namespace {

TEST(CentreLinePose, SignedOffsetAndHeadingOnEveryLeg) {
    Track track;
    // A 100-unit square driven clockwise seen from above: +z, then +x, then -z, then -x.
    track.setWaypoints({Vector3(0, 0, 0), Vector3(0, 0, 100), Vector3(100, 0, 100), Vector3(100, 0, 0)});
    struct Row {
        Vector3 p;
        double yaw, offset, heading;
    };
    const Row rows[] = {
        {Vector3(3, 0, 50), 0.2, 3.0, 0.2},          // right of the first leg, turned right
        {Vector3(-4, 0, 50), -0.3, -4.0, -0.3},      // left of it, turned left
        {Vector3(50, 0, 103), M_PI / 2, -3.0, 0.0},  // second leg runs along +x: +z is its left
        {Vector3(98, 0, 40), M_PI + 0.1, 2.0, 0.1},  // third leg runs along -z: smaller x is its right
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.offset);
        const CentreLinePose pose = centreLinePose(track, r.p, r.yaw);
        EXPECT_DOUBLE_EQ(pose.offset, r.offset);
        EXPECT_NEAR(pose.headingError, r.heading, 1e-12);
    }
}

TEST(CentreLinePose, NearItsProgressACarIsJudgedAgainstItsOwnStretchOfRoad) {
    // A hairpin loop, up x = 0 and back down x = 20, waypoints every 10 units; the car crossed
    // from the way up to beside the way down. Last: a window that wraps past the join.
    std::vector<Vector3> w;
    for (int z = 0; z <= 100; z += 10) w.emplace_back(0, 0, z);
    for (int z = 100; z > 0; z -= 10) w.emplace_back(20, 0, z);
    Track track;
    track.setWaypoints(w);
    EXPECT_DOUBLE_EQ(centreLinePose(track, Vector3(14, 0, 50), M_PI).offset, 6.0);
    EXPECT_DOUBLE_EQ(centreLinePoseNear(track, Vector3(14, 0, 50), M_PI, 4, 40.0).offset, 14.0);
    EXPECT_DOUBLE_EQ(centreLinePoseNear(track, Vector3(18, 0, 15), M_PI, 1, 40.0).offset, 2.0);
}

constexpr double kHalfWidth = 10.0;
constexpr double kTarget = 60.0;

TEST(Corrector, TakesTheWheelForEachKindOfTrouble) {
    struct Row {
        const char* name;
        double offset, heading;
        CorrectionReason expected;
    };
    const Row rows[] = {
        {"on the line", 0.0, 0.0, CorrectionReason::None},
        {"well off, pointing back", 7.0, -0.5, CorrectionReason::None},
        {"off a little, pointing away a little", 3.5, 0.3, CorrectionReason::None},
        {"too far from the line", 7.6, 0.0, CorrectionReason::Far},
        {"pointing away from the line", 3.5, 0.4, CorrectionReason::HeadingAway},
        {"pointing away on the other side", -3.5, -0.4, CorrectionReason::HeadingAway},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Corrector corrector(kHalfWidth);
        const bool taken = corrector.update({r.offset, r.heading}, kTarget, kTarget, 0.05);
        EXPECT_EQ(taken, r.expected != CorrectionReason::None);
        EXPECT_EQ(corrector.reason(), r.expected);
        EXPECT_EQ(corrector.takeOvers(), taken ? 1 : 0);
    }
}

TEST(Corrector, SeesTheCarDriftingOffBeforeItIsFar) {
    Corrector corrector(kHalfWidth);
    double offset = 0.0;
    // Straight ahead but sliding sideways at 8 units a second.
    while (!corrector.update({offset, 0.0}, kTarget, kTarget, 0.05)) {
        offset += 0.4;
        ASSERT_LT(offset, 10.0);
    }
    EXPECT_EQ(corrector.reason(), CorrectionReason::LeavingRoad);
    EXPECT_LT(offset, 7.5);
}

TEST(Corrector, TakesTheWheelFromAStandingCarButNotFromOneThatPullsAway) {
    Corrector standing(kHalfWidth);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(standing.update({}, 0.0, kTarget, 0.25)) << i;
    EXPECT_TRUE(standing.update({}, 0.0, kTarget, 0.25));  // a second at rest
    EXPECT_EQ(standing.reason(), CorrectionReason::Slow);

    Corrector pulling(kHalfWidth);
    for (int i = 0; i < 12; ++i) EXPECT_FALSE(pulling.update({}, 6.0 * i, kTarget, 0.25)) << i;
    // Slowing down through the slow band without stopping is trouble too.
    Corrector slowing(kHalfWidth);
    int frames = 0;
    for (double speed = 40.0; !slowing.update({}, speed, kTarget, 0.25); speed -= 1.0)
        ASSERT_LT(++frames, 20);
    EXPECT_EQ(frames, 8);  // first below 36 (0.6 of the target) at 35, taken a second later at 32
    // Too slow and still braking hard: taken at once, before it stalls.
    Corrector braking(kHalfWidth);
    EXPECT_FALSE(braking.update({}, 35.0, kTarget, 0.05));
    EXPECT_FALSE(braking.update({}, 26.0, kTarget, 0.05));
    EXPECT_TRUE(braking.update({}, 24.0, kTarget, 0.05));
    EXPECT_EQ(braking.reason(), CorrectionReason::Slow);
}

TEST(Corrector, TakesTheWheelFromACarComingInTooFastAndHandsBackOnceSlowed) {
    Corrector corrector(kHalfWidth);
    // 77 is the most it lets pass at a target of 60 (1.2 of it plus 5), and above it only 0.3 s.
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(corrector.update({}, i < 8 ? 76.0 : 80.0, kTarget, 0.1)) << i;
    EXPECT_TRUE(corrector.update({}, 80.0, kTarget, 0.1));
    EXPECT_EQ(corrector.reason(), CorrectionReason::Fast);
    // Held while above the target and its margin, however long; handed back 0.5 s below it.
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(corrector.update({}, 66.0, kTarget, 0.1)) << i;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(corrector.update({}, 64.0, kTarget, 0.1)) << i;
    EXPECT_FALSE(corrector.update({}, 64.0, kTarget, 0.1));
}

TEST(Corrector, HandsBackOnlyWhenRecoveredAndAfterTheShortestHold) {
    Corrector corrector(kHalfWidth);
    ASSERT_TRUE(corrector.update({8.0, 0.0}, kTarget, kTarget, 0.25));
    // Back on the line but still slow: keeps the wheel however long it takes.
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(corrector.update({}, 0.5 * kTarget, kTarget, 0.25));
    // Recovered: needs 0.5 s of it.
    EXPECT_TRUE(corrector.update({}, kTarget, kTarget, 0.25));
    EXPECT_FALSE(corrector.update({}, kTarget, kTarget, 0.25));
    EXPECT_EQ(corrector.takeOvers(), 1);

    // A short trouble is still held for a whole second.
    Corrector brief(kHalfWidth);
    ASSERT_TRUE(brief.update({8.0, 0.0}, kTarget, kTarget, 0.25));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(brief.update({}, kTarget, kTarget, 0.25)) << i;
    EXPECT_FALSE(brief.update({}, kTarget, kTarget, 0.25));
}

TEST(Corrector, WatchingThePaceTakesADawdlingCarAndWaitsForItToBeUpToSpeed) {
    CorrectorTuning pace;
    pace.watchPace = true;
    Corrector watching(kHalfWidth, pace), usual(kHalfWidth);
    // 0.7 of the target: not slow enough to stall, too slow for the teacher watching the pace.
    for (int i = 0; i < 7; ++i) {
        EXPECT_FALSE(watching.update({}, 0.7 * kTarget, kTarget, 0.25)) << i;
        EXPECT_FALSE(usual.update({}, 0.7 * kTarget, kTarget, 0.25)) << i;
    }
    EXPECT_TRUE(watching.update({}, 0.7 * kTarget, kTarget, 0.25));  // two seconds of it
    EXPECT_EQ(watching.reason(), CorrectionReason::Timid);
    EXPECT_FALSE(usual.update({}, 0.7 * kTarget, kTarget, 0.25));
    // 0.85 of the target would do for a stall; this teacher waits for 0.9.
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(watching.update({}, 0.85 * kTarget, kTarget, 0.25)) << i;
    EXPECT_TRUE(watching.update({}, 0.9 * kTarget, kTarget, 0.25));
    EXPECT_FALSE(watching.update({}, 0.9 * kTarget, kTarget, 0.25));
}

}  // namespace
}  // namespace torvask
