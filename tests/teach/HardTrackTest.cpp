// Hard generated tracks, measured here from the written file as the simulation loads it, not by
// the generator's own checks; and the warning for a bend no car can get round.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "physics/Track.h"
#include "physics/TrackShape.h"
#include "sim/CTorvaskDoc.h"
#include "support/TempDir.h"
#include "teach/TrackGenerator.h"

namespace torvask {
namespace {

double dist(const Vector3& a, const Vector3& b) { return std::hypot(a.x - b.x, a.z - b.z); }

// Signed heading change a -> b -> c in degrees, > 0 turning from +x towards +z.
double turnAt(const Vector3& a, const Vector3& b, const Vector3& c) {
    const double h1 = std::atan2(b.z - a.z, b.x - a.x), h2 = std::atan2(c.z - b.z, c.x - b.x);
    return std::remainder(h2 - h1, 2.0 * M_PI) * 180.0 / M_PI;
}

double circleThrough(const Vector3& a, const Vector3& b, const Vector3& c) {
    const double cross = std::fabs((b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x));
    return cross > 0.0 ? dist(a, b) * dist(b, c) * dist(a, c) / (2 * cross) : 1e9;
}

TEST(HardTrack, EveryTrackMeetsItsRulesOverManySeeds) {
    testing::TempDir dir;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        GeneratedTrack generated;
        ASSERT_TRUE(generateTrack(seed, TrackStyle::Hard, generated));
        const std::string text = trackFileText(generated);
        Track t;
        ASSERT_EQ(t.load(dir.write("t.trn", text)), 0);
        std::vector<Vector3> coarse;  // as the file has them, without the closing repeat
        std::istringstream in(text);
        std::string line;
        std::getline(in, line);
        for (int index = 0; in >> index && index != -1;) {
            double x = 0, y = 0, z = 0;
            in >> x >> y >> z;
            EXPECT_EQ(y, 0.0);
            coarse.emplace_back(x, y, z);
        }
        ASSERT_EQ(dist(coarse.front(), coarse.back()), 0.0);
        EXPECT_LE(coarse.size(), 13U);
        coarse.pop_back();
        const std::size_t c = coarse.size();

        // Uneven spacing: the longest stretch between waypoints at least three times the shortest.
        double shortest = 1e9, longest = 0.0;
        for (std::size_t i = 0; i < c; ++i) {
            shortest = std::min(shortest, dist(coarse[i], coarse[(i + 1) % c]));
            longest = std::max(longest, dist(coarse[i], coarse[(i + 1) % c]));
        }
        EXPECT_GE(longest, 3.0 * shortest);

        const auto& w = t.getWaypoints();
        const int m = t.getNumWaypoints() - 1;  // the loop without its closing repeat
        const double join = std::fabs(turnAt(w[m - 1], w[0], w[1]));
        EXPECT_GE(join, 30.0);
        EXPECT_LE(join, 110.0);

        // Bends: runs of samples turning the same way; one turns back on itself (150 degrees or
        // more) round a circle of radius 7 to 16, and one bend is followed by one the other way.
        std::vector<double> turns(static_cast<std::size_t>(m));
        double tightest = 1e9;
        for (int i = 0; i < m; ++i) {
            turns[i] = turnAt(w[(i + m - 1) % m], w[i], w[(i + 1) % m]);
            if (i > 0) tightest = std::min(tightest, circleThrough(w[i - 1], w[i], w[i + 1]));
        }
        EXPECT_GE(tightest, 7.0);
        EXPECT_LE(tightest, 16.0);
        std::vector<double> bends(1, 0.0);
        for (int i = 0; i < m; ++i) {
            if (turns[i] != 0.0 && bends.back() != 0.0 && (turns[i] > 0) != (bends.back() > 0)) bends.push_back(0.0);
            bends.back() += turns[i];
        }
        if (bends.size() > 1 && (bends.front() > 0) == (bends.back() > 0)) {  // a bend across the join
            bends.front() += bends.back();
            bends.pop_back();
        }
        bool hairpin = false, s = false;
        for (std::size_t i = 0; i < bends.size(); ++i) {
            hairpin = hairpin || std::fabs(bends[i]) >= 150.0;
            const double next = bends[(i + 1) % bends.size()];
            s = s || (std::fabs(bends[i]) >= 20.0 && std::fabs(next) >= 20.0 && bends[i] * next < 0.0);
        }
        EXPECT_TRUE(hairpin);
        EXPECT_TRUE(s);

        const TrackShape shape = measureTrack(t, t.getTerrainWidth(), t.getTerrainDepth());
        EXPECT_LT(shape.wallOverrun, 0.0);
        EXPECT_GE(shape.minGap, 30.0);
        EXPECT_LE(t.getNumWaypoints(), kMaxSceneWaypoints);
        const TurnRoom room = tightestTurn(t);
        EXPECT_GE(room.room, room.needed);
    }
    GeneratedTrack a, b;
    ASSERT_TRUE(generateTrack(5, TrackStyle::Hard, a));
    ASSERT_TRUE(generateTrack(5, TrackStyle::Hard, b));
    EXPECT_EQ(trackFileText(a), trackFileText(b));
}

// Hairpins of radius 1.5 at the centre line: the car's tighter right-hand circle fits in the road
// round them, its wider left-hand one does not.
TEST(HardTrack, AHairpinTooTightForTheCarIsWarnedAbout) {
    struct Row {
        const char* name;
        double side;  // +1: the hairpin turns left, -1: right
        bool warned;
    };
    for (const Row& row : {Row{"left", 1.0, true}, Row{"right", -1.0, false}}) {
        SCOPED_TRACE(row.name);
        // A paper clip, sampled exactly: up a long leg, round a hairpin of radius 1.5, down the
        // other leg and round another such hairpin the same way.
        const double s = row.side;
        std::vector<Vector3> points;
        for (int end = 0; end < 2; ++end) {
            const double x0 = end == 0 ? 0.0 : -3.0 * s, dir = end == 0 ? 1.0 : -1.0;
            for (int k = 0; k < 30; ++k) points.emplace_back(300 + x0, 0.0, 200 + (end == 0 ? 5.0 * k : 150 - 5.0 * k));
            for (int k = 0; k < 12; ++k) {
                const double a = M_PI * k / 12.0;  // round the centre (-1.5 s, 150 or 0)
                points.emplace_back(300 - 1.5 * s + dir * 1.5 * s * std::cos(a), 0.0,
                                    200 + (end == 0 ? 150.0 : 0.0) + dir * 1.5 * std::sin(a));
            }
        }
        points.push_back(points.front());
        Track t;
        t.setWaypoints(points);
        t.buildEdges();
        const TurnRoom room = tightestTurn(t);
        EXPECT_EQ(room.room < room.needed, row.warned) << room.room << " " << room.needed;
        bool said = false;
        for (const std::string& w : trackShapeWarnings(t, 1000)) {
            said = said || w.find("cannot be lapped") != std::string::npos;
        }
        EXPECT_EQ(said, row.warned);
    }
}

}  // namespace
}  // namespace torvask
