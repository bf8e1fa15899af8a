#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "common/Paths.h"
#include "physics/Track.h"
#include "physics/TrackListing.h"

#ifndef TORVASK_TRACKS_DIR
#error "TORVASK_TRACKS_DIR must name the source folder of the sample tracks"
#endif

namespace torvask {
namespace {

std::vector<std::string> sampleTracks() { return listFilesWithExtension(TORVASK_TRACKS_DIR, ".trn"); }

TEST(SampleTracks, FiveAreBundled) { EXPECT_EQ(sampleTracks().size(), 5u); }

class SampleTrackTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SampleTrackTest, LoadsAsAClosedLoopThatFitsTheSceneAndTheWalls) {
    Track t;
    ASSERT_EQ(t.load(joinPath(TORVASK_TRACKS_DIR, GetParam())), 0);
    const int32_t width = t.getTerrainWidth();
    const int32_t depth = t.getTerrainDepth();
    EXPECT_GE(width, 300);
    EXPECT_LE(width, 1000);
    EXPECT_GE(depth, 300);
    EXPECT_LE(depth, 1000);

    // n coarse waypoints smooth to 19(n-2)+21; at most 13 keep ground, ribbon and sky in the
    // scene's vertex pool.
    const int32_t n = t.getNumWaypoints();
    ASSERT_GE(n, 40);
    ASSERT_EQ((n - 21) % 19, 0);
    EXPECT_LE((n - 21) / 19 + 2, 13);
    EXPECT_LE(n, 236);

    const auto& w = t.getWaypoints();
    EXPECT_EQ(w.front(), w.back()) << "not a closed loop";
    // Flat: the car drives on flat ground, so a raised road would be drawn where the car is not.
    EXPECT_EQ(trackWarnings(t), std::vector<std::string>{});

    // The ribbon stays inside the walls (10 from the edge), the centre line half a track further in.
    const double wall = 10.0;
    const double half = t.getTrackWidth() * 0.5;
    for (int32_t i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        const Vector3& c = w[static_cast<size_t>(i)];
        EXPECT_GE(c.x, wall + half);
        EXPECT_LE(c.x, width - wall - half);
        EXPECT_GE(c.z, wall + half);
        EXPECT_LE(c.z, depth - wall - half);
        for (const Vector3& e : {t.getLeftEdge()[static_cast<size_t>(i)], t.getRightEdge()[static_cast<size_t>(i)]}) {
            EXPECT_GE(e.x, wall);
            EXPECT_LE(e.x, width - wall);
            EXPECT_GE(e.z, wall);
            EXPECT_LE(e.z, depth - wall);
        }
    }

    // The road never runs over itself: points two coarse segments or more apart along the loop
    // are more than a track width apart.
    double closest = 1e9;
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = i + 40; j < n; ++j) {
            if (j - i > n - 40) continue;
            const Vector3 d = w[static_cast<size_t>(i)] - w[static_cast<size_t>(j)];
            closest = std::min(closest, std::hypot(d.x, d.z));
        }
    }
    EXPECT_GT(closest, t.getTrackWidth() + 10.0);
}

INSTANTIATE_TEST_SUITE_P(Bundled, SampleTrackTest, ::testing::ValuesIn(sampleTracks()),
                         [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.find('.'));
                             name.erase(std::remove_if(name.begin(), name.end(),
                                                       [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }),
                                        name.end());
                             return name;
                         });

}  // namespace
}  // namespace torvask
