// A car lying on its roof is set back on its wheels after two seconds, facing along the road,
// and nothing is recorded while it lies there.
#include <numbers>

#include "SimFixture.h"

namespace torvask::testing {
namespace {

class RightingTest : public SimFixture {};

TEST_F(RightingTest, ACarOnItsRoofIsRightedAfterTwoSecondsFacingAlongTheRoad) {
    doc->setTrackLoader(exactTrack(squareCorners()));
    startRunning();
    Car& car = *doc->getCar();
    // On its roof on the first leg (+x), turned across the road.
    car.setPosition(80.0, 1.5, 52.0);
    car.setRotation(0.0, 0.0, std::numbers::pi);
    host->press(dik::kW);  // the person keeps trying to drive
    std::uint32_t lying = 0;
    while (lying < kOverturnedLimitMs - 100) {
        ASSERT_EQ(frameAfter(17), 0);
        lying += 17;
    }
    EXPECT_LT(car.getUprightness(), -0.9) << "still on its roof";
    EXPECT_TRUE(doc->isDrivingStarted());
    EXPECT_EQ(doc->getDriver()->getPatternCount(), 0) << "nothing recorded while it lies there";
    EXPECT_EQ(statusText().rfind("Mode: User Control\r\n", 0), 0u);

    for (int i = 0; i < 12; ++i) ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();
    for (int i = 0; i < 30; ++i) ASSERT_EQ(frameAfter(17), 0);  // drops onto its wheels
    EXPECT_GT(car.getUprightness(), 0.95);
    EXPECT_NEAR(car.getRotation().y, std::numbers::pi / 2, 0.05) << "facing +x, along the first leg";
    EXPECT_NEAR(car.getPosition().x, 80.0, 1.0);
    EXPECT_NEAR(car.getPosition().z, 52.0, 1.0);
    EXPECT_EQ(statusText().rfind("Mode: User Control - car set back on its wheels\r\n", 0), 0u) << statusText();

    for (int i = 0; i < static_cast<int>(kRightedNoticeMs / 17); ++i) ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(statusText().rfind("Mode: User Control\r\n", 0), 0u) << "the notice is gone again";
}

// Tipping for a moment (a kerb, a jump) is not lying there: the count starts again.
TEST_F(RightingTest, ABriefTipDoesNotCount) {
    doc->setTrackLoader(exactTrack(squareCorners()));
    startRunning();
    Car& car = *doc->getCar();
    car.setPosition(80.0, 1.5, 52.0);
    car.setRotation(0.0, 0.0, std::numbers::pi);
    for (int i = 0; i < 60; ++i) ASSERT_EQ(frameAfter(17), 0);
    car.setRotation(0.0, 0.0, 0.0);  // back on its wheels by itself
    ASSERT_EQ(frameAfter(17), 0);
    car.setRotation(0.0, 0.0, std::numbers::pi);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(frameAfter(17), 0);  // 1.7 s on its roof again
    EXPECT_LT(car.getUprightness(), -0.9);
}

}  // namespace
}  // namespace torvask::testing
