// Generated tracks, measured here from the written file as the simulation loads it, not by the
// generator's own checks; and the shape measurements behind torvask-lab track's warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "teach/TrackGenerator.h"
#include "physics/Track.h"
#include "sim/CTorvaskDoc.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

double dist(const Vector3& a, const Vector3& b) { return std::hypot(a.x - b.x, a.z - b.z); }

double headingChangeDegrees(const Vector3& a, const Vector3& b, const Vector3& c) {
    const double h1 = std::atan2(b.z - a.z, b.x - a.x), h2 = std::atan2(c.z - b.z, c.x - b.x);
    return std::fabs(std::remainder(h2 - h1, 2.0 * M_PI)) * 180.0 / M_PI;
}

struct Loaded {
    Track track;
    int coarse = 0;
};

Loaded load(const testing::TempDir& dir, const std::string& text) {
    Loaded out;
    const std::string path = dir.write("t.trn", text);
    EXPECT_EQ(out.track.load(path), 0);
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && line != "-1") ++out.coarse;
    return out;
}

TEST(GenTrack, EveryTrackMeetsItsRulesOverManySeeds) {
    testing::TempDir dir;
    for (const bool bendStart : {false, true}) {
        int clockwise = 0, anticlockwise = 0;
        for (std::uint32_t seed = 1; seed <= 200; ++seed) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (bendStart ? " bend start" : " straight start"));
            GeneratedTrack generated;
            ASSERT_TRUE(generateTrack(seed, bendStart ? TrackStyle::BendStart : TrackStyle::Normal, generated));
            const Loaded loaded = load(dir, trackFileText(generated));
            const Track& t = loaded.track;
            const auto& w = t.getWaypoints();
            const int n = t.getNumWaypoints();
            const double width = t.getTerrainWidth(), depth = t.getTerrainDepth();

            EXPECT_GE(loaded.coarse, 8);
            EXPECT_LE(loaded.coarse, 13);
            EXPECT_LE(4 + 24 + 2 * n, kVertexPoolCapacity);  // ground, sky, ribbon
            ASSERT_EQ(dist(w.front(), w.back()), 0.0);       // a closed loop
            for (const Vector3& p : w) ASSERT_EQ(p.y, 0.0);
            for (const auto* edge : {&t.getLeftEdge(), &t.getRightEdge()}) {
                for (const Vector3& p : *edge) {
                    ASSERT_TRUE(p.x >= 10.0 && p.x <= width - 10.0 && p.z >= 10.0 && p.z <= depth - 10.0)
                        << p.x << " " << p.z;
                }
            }

            const int m = n - 1;  // the loop without its closing repeat
            std::vector<double> along(static_cast<std::size_t>(m) + 1, 0.0);
            double area = 0.0;
            for (int i = 0; i < m; ++i) {
                along[i + 1] = along[i] + dist(w[i], w[i + 1]);
                area += w[i].x * w[i + 1].z - w[i + 1].x * w[i].z;
            }
            (area > 0 ? clockwise : anticlockwise)++;
            const double length = along[m];

            double tightest = 1e9;
            for (int i = 1; i < m; ++i) {
                const Vector3 &a = w[i - 1], &b = w[i], &c = w[i + 1];
                const double cross = std::fabs((b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x));
                if (cross > 0.0) tightest = std::min(tightest, dist(a, b) * dist(b, c) * dist(a, c) / (2 * cross));
            }
            EXPECT_GE(tightest, 18.0);

            double closest = 1e9;
            for (int i = 0; i < m; ++i) {
                for (int j = i + 1; j < m; ++j) {
                    const double apart = along[j] - along[i];
                    if (std::min(apart, length - apart) > 100.0) closest = std::min(closest, dist(w[i], w[j]));
                }
            }
            EXPECT_GE(closest, 35.0);

            const double kink = headingChangeDegrees(w[m - 1], w[0], w[1]);
            if (bendStart) {
                EXPECT_GE(kink, 15.0);
                EXPECT_LE(kink, 50.0);
            } else {
                EXPECT_LT(kink, 1.0);
                // The first stretch of road runs on in a straight line.
                for (int i = 1; i < m && along[i] < 30.0; ++i) EXPECT_LT(headingChangeDegrees(w[0], w[1], w[i + 1]), 0.5);
            }
        }
        EXPECT_GT(clockwise, 40);
        EXPECT_GT(anticlockwise, 40);
    }
}

TEST(GenTrack, SameSeedSameFileOtherSeedOtherTrack) {
    GeneratedTrack a, b, c, d;
    ASSERT_TRUE(generateTrack(77, TrackStyle::Normal, a));
    ASSERT_TRUE(generateTrack(77, TrackStyle::Normal, b));
    ASSERT_TRUE(generateTrack(78, TrackStyle::Normal, c));
    ASSERT_TRUE(generateTrack(77, TrackStyle::BendStart, d));
    EXPECT_EQ(trackFileText(a), trackFileText(b));
    EXPECT_NE(trackFileText(a), trackFileText(c));
    EXPECT_NE(trackFileText(a), trackFileText(d));
}

TEST(GenTrack, FileTextIsTheTrackFormatToATenth) {
    GeneratedTrack t;
    t.width = 600;
    t.depth = 450;
    t.waypoints = {Vector3(12.25, 0, 40), Vector3(-3.04, 0, 7.96), Vector3(12.25, 0, 40)};
    EXPECT_EQ(trackFileText(t), "600 450 1 1\n0 12.3 0.0 40.0\n1 -3.0 0.0 8.0\n2 12.3 0.0 40.0\n-1\n");
}

// What torvask-lab track warns about, on hand-written tracks.
TEST(TrackShape, MeasuresTheJoinTheWallsAndTheSceneLimit) {
    testing::TempDir dir;
    // A start on the straight of an oval, inside the walls: no corner at the join.
    const Loaded smooth = load(dir, "400 300 1 1\n0 200 0 45\n1 300 0 45\n2 355 0 150\n3 300 0 255\n"
                                    "4 100 0 255\n5 45 0 150\n6 100 0 45\n7 200 0 45\n-1\n");
    const TrackShape a = measureTrack(smooth.track, 400, 300);
    EXPECT_LT(a.joinKinkDegrees, 3.0);
    EXPECT_LT(a.wallOverrun, 0.0);
    // A start in a right-angled corner standing 10 units from the wall: the edge reaches past it.
    const Loaded corner = load(dir, "400 300 1 1\n0 20 0 20\n1 200 0 20\n2 380 0 150\n3 200 0 280\n"
                                    "4 20 0 150\n5 20 0 20\n-1\n");
    const TrackShape b = measureTrack(corner.track, 400, 300);
    EXPECT_NEAR(b.joinKinkDegrees, 85.0, 6.0);
    EXPECT_GT(b.wallOverrun, 10.0);
    EXPECT_EQ(kMaxSceneWaypoints, 236);
    EXPECT_EQ(maxSceneCoarseWaypoints(), 13);
}

}  // namespace
}  // namespace torvask
