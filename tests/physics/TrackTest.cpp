#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <locale>
#include <string>
#include <vector>

#include "physics/Track.h"
#include "physics/TrackListing.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::TempDir;

std::string trackFile(const std::vector<Vector3>& points, const std::string& header = "300 400 1 1") {
    std::string text = header + "\n";
    int index = 0;
    for (const Vector3& p : points) {
        char line[160];
        std::snprintf(line, sizeof line, "%d %.17g %.17g %.17g\n", index++, p.x, p.y, p.z);
        text += line;
    }
    return text + "-1\n";
}

TEST(TrackTest, FreshTrackHasDefaults) {
    Track t;
    EXPECT_EQ(t.getTerrainWidth(), 0);
    EXPECT_EQ(t.getTerrainDepth(), 0);
    EXPECT_EQ(t.getTerrainParam1(), 1.0);
    EXPECT_EQ(t.getTerrainParam2(), 1.0);
    EXPECT_EQ(t.getTrackWidth(), 20.0);
    EXPECT_TRUE(t.getWaypoints().empty());
    EXPECT_TRUE(t.getLeftEdge().empty());
    EXPECT_TRUE(t.getRightEdge().empty());
}

TEST(TrackTest, HeaderFieldsAreStored) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("a.trn", "640 480 2.5 -3\n0 1 2 3\n1 4 5 6\n-1\n")), 0);
    EXPECT_EQ(t.getTerrainWidth(), 640);
    EXPECT_EQ(t.getTerrainDepth(), 480);
    EXPECT_EQ(t.getTerrainParam1(), 2.5);
    EXPECT_EQ(t.getTerrainParam2(), -3.0);
    EXPECT_EQ(t.getTrackWidth(), 20.0);
}

TEST(TrackTest, TwoWaypointsStayUnchangedAndGetEdgesFromTheirSegment) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("two.trn", "300 300 1 1\n0 50 3 50\n1 150 3 50\n-1\n")), 0);
    ASSERT_EQ(t.getNumWaypoints(), 2);
    EXPECT_EQ(t.getWaypoints()[0], Vector3(50, 3, 50));
    EXPECT_EQ(t.getWaypoints()[1], Vector3(150, 3, 50));
    // Direction +x: the side direction (d.z, 0, -d.x) is -z, ten units long.
    ASSERT_EQ(t.getRightEdge().size(), 2u);
    EXPECT_EQ(t.getRightEdge()[0], Vector3(50, 3, 40));
    EXPECT_EQ(t.getLeftEdge()[0], Vector3(50, 3, 60));
    EXPECT_EQ(t.getRightEdge()[1], Vector3(150, 3, 40));
    EXPECT_EQ(t.getLeftEdge()[1], Vector3(150, 3, 60));
}

TEST(TrackTest, ThreeWaypointsGiveFortySamplesFromFirstToLast) {
    TempDir dir;
    Track t;
    const Vector3 p0(0, 0, 0), p1(10, 0, 0), p2(10, 0, 10);
    ASSERT_EQ(t.load(dir.write("three.trn", trackFile({p0, p1, p2}))), 0);
    ASSERT_EQ(t.getNumWaypoints(), 40);
    const auto& w = t.getWaypoints();
    EXPECT_EQ(w[0], p0);
    EXPECT_EQ(w[19], p1);  // the second segment starts exactly at its own waypoint
    EXPECT_EQ(w[39], p2);
    // Segment 0 at t = 0.5: m0 = (5, 0, 0), m1 = (5, 0, 5); h = (0.5, 0.125, -0.125, 0.5).
    EXPECT_NEAR(w[10].x, 5.0, 1e-12);
    EXPECT_NEAR(w[10].y, 0.0, 1e-12);
    EXPECT_NEAR(w[10].z, -0.625, 1e-12);
    // The inner segment stops at t = 0.90 (index 18), the last one goes to 0.95 (index 38).
    // Segment 0 at t = 0.9: h01 = 0.972, h10 = 0.009, h11 = -0.081.
    EXPECT_NEAR(w[18].x, 5.0 * 0.009 + 5.0 * -0.081 + 10.0 * 0.972, 1e-12);
    EXPECT_NEAR(w[18].z, 5.0 * -0.081, 1e-12);
}

struct CountCase {
    int coarse;
    int smoothed;
};

class SmoothCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(SmoothCountTest, SampleCountFollowsTheRepeatedAdditionOfT) {
    const CountCase c = GetParam();
    std::vector<Vector3> points;
    for (int i = 0; i < c.coarse; ++i) points.emplace_back(20.0 * i, 0.0, (i % 2) * 15.0);
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("n.trn", trackFile(points))), 0);
    ASSERT_EQ(t.getNumWaypoints(), c.smoothed);
    if (c.smoothed > 0) {
        EXPECT_EQ(t.getWaypoints().front(), points.front());
        EXPECT_EQ(t.getWaypoints().back(), points.back());
    }
    // Edges need a segment: none for fewer than two waypoints.
    const size_t edges = c.smoothed >= 2 ? static_cast<size_t>(c.smoothed) : 0u;
    EXPECT_EQ(t.getLeftEdge().size(), edges);
    EXPECT_EQ(t.getRightEdge().size(), edges);
}

INSTANTIATE_TEST_SUITE_P(Counts, SmoothCountTest,
                         ::testing::Values(CountCase{0, 0}, CountCase{1, 1}, CountCase{2, 2}, CountCase{3, 40},
                                           CountCase{4, 59}, CountCase{5, 78}, CountCase{13, 230}));

TEST(TrackTest, LastSegmentEndsWithHalfItsOwnLengthAsTangent) {
    // Collinear, evenly spaced: only the end tangent shapes the last samples. With m1 = 5 (half
    // the last segment) x at t = 0.95 is 19.725625; a full tangent would give 19.951250.
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("line.trn", trackFile({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}))), 0);
    ASSERT_EQ(t.getNumWaypoints(), 40);
    EXPECT_NEAR(t.getWaypoints()[38].x, 19.725625, 1e-9);
    EXPECT_EQ(t.getWaypoints()[39], Vector3(20, 0, 0));
}

struct ShapeCase {
    const char* name;
    std::vector<Vector3> points;
    bool closed;
};

class ClosedOpenTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ClosedOpenTest, SmoothedAlikeAndEdgesTwentyApartAndLevel) {
    const ShapeCase& c = GetParam();
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("s.trn", trackFile(c.points))), 0);
    const auto& w = t.getWaypoints();
    ASSERT_EQ(w.size(), 19 * (c.points.size() - 2) + 21);
    EXPECT_EQ(w.front() == w.back(), c.closed);
    for (size_t i = 0; i < w.size(); ++i) {
        SCOPED_TRACE(i);
        const Vector3& l = t.getLeftEdge()[i];
        const Vector3& r = t.getRightEdge()[i];
        // Twenty apart on level road; the side vector is built from the 3-D segment direction, so
        // a slope narrows the ribbon by the horizontal share of that direction.
        const Vector3 seg = (i + 1 < w.size()) ? w[i + 1] - w[i] : w[i] - w[i - 1];
        const double horizontal = std::sqrt(seg.x * seg.x + seg.z * seg.z) / seg.length();
        EXPECT_NEAR((l - r).length(), 20.0 * horizontal, 1e-9);
        EXPECT_EQ(l.y, w[i].y);
        EXPECT_EQ(r.y, w[i].y);
        EXPECT_NEAR((l.x + r.x) * 0.5, w[i].x, 1e-9);
        EXPECT_NEAR((l.z + r.z) * 0.5, w[i].z, 1e-9);
        // The right edge lies to the right of the direction of travel (render frame, y up).
        const Vector3& d = seg;
        const Vector3 side = r - w[i];
        ASSERT_GT(d.length(), 0.0);
        EXPECT_GT(d.z * side.x - d.x * side.z, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ClosedOpenTest,
    ::testing::Values(ShapeCase{"closedSquare", {{50, 0, 50}, {150, 0, 50}, {150, 0, 150}, {50, 0, 150}, {50, 0, 50}}, true},
                      ShapeCase{"openBend", {{50, 0, 50}, {150, 2, 50}, {150, 4, 150}, {60, 1, 160}}, false},
                      ShapeCase{"closedTriangleWithHeight", {{0, 0, 0}, {100, 5, 0}, {50, 2, 80}, {0, 0, 0}}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrackTest, IndexValuesOtherThanTerminatorAreIgnored) {
    TempDir dir;
    Track ordered, shuffled;
    ASSERT_EQ(ordered.load(dir.write("a.trn", "300 300 1 1\n0 10 0 10\n1 20 0 10\n2 20 0 30\n3 10 0 30\n-1\n")), 0);
    ASSERT_EQ(shuffled.load(dir.write("b.trn", "300 300 1 1\n7 10 0 10\n7 20 0 10\n-5 20 0 30\n0 10 0 30\n-1\n")), 0);
    EXPECT_EQ(ordered.getWaypoints(), shuffled.getWaypoints());
}

TEST(TrackTest, NothingAfterTheTerminatorIsRead) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("a.trn", "300 300 1 1\n0 10 0 10\n1 20 0 10\n-1\n2 30 0 30\n")), 0);
    EXPECT_EQ(t.getNumWaypoints(), 2);
}

struct BadFileCase {
    const char* name;
    const char* text;
    int waypoints;  // kept before the damage
};

class DamagedFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(DamagedFileTest, StopsReadingAndKeepsWhatWasRead) {
    const BadFileCase& c = GetParam();
    TempDir dir;
    Track t;
    EXPECT_EQ(t.load(dir.write("bad.trn", c.text)), 0);
    EXPECT_EQ(t.getNumWaypoints(), c.waypoints);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(BadFileCase{"endsWithoutTerminator", "300 300 1 1\n0 1 0 1\n1 2 0 2\n", 2},
                      BadFileCase{"endsInsideAWaypoint", "300 300 1 1\n0 1 0 1\n1 2 0", 1},
                      BadFileCase{"wordForIndex", "300 300 1 1\n0 1 0 1\nend\n", 1},
                      BadFileCase{"wordForCoordinate", "300 300 1 1\n0 1 0 1\n1 2 x 2\n2 3 0 3\n-1\n", 1},
                      BadFileCase{"emptyFile", "", 0},
                      BadFileCase{"headerOnly", "300 300 1 1\n", 0},
                      BadFileCase{"garbledHeader", "wide 300 1 1\n0 1 0 1\n-1\n", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrackTest, GarbledHeaderLeavesNoTerrainFromAnEarlierFile) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("good.trn", "300 400 1 1\n0 1 0 1\n1 2 0 2\n-1\n")), 0);
    ASSERT_EQ(t.load(dir.write("bad.trn", "??\n")), 0);
    EXPECT_EQ(t.getTerrainWidth(), 0);
    EXPECT_EQ(t.getTerrainDepth(), 0);
    EXPECT_EQ(t.getNumWaypoints(), 0);
}

TEST(TrackTest, UnreadablePathFailsAndLeavesTheTrackUnchanged) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("good.trn", trackFile({{50, 0, 50}, {100, 0, 50}, {100, 0, 100}}))), 0);
    const auto before = t.getWaypoints();
    const auto left = t.getLeftEdge();
    const char* paths[] = {"missing.trn", "", "sub"};
    std::filesystem::create_directories(dir.path() / "sub");
    for (const char* name : paths) {
        SCOPED_TRACE(name);
        EXPECT_EQ(t.load(*name ? dir.file(name) : std::string()), -1);
        EXPECT_EQ(t.getWaypoints(), before);
        EXPECT_EQ(t.getLeftEdge(), left);
        EXPECT_EQ(t.getTerrainWidth(), 300);
    }
}

// A locale whose decimal separator is a comma, as many users have.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(TrackTest, ReadsDecimalPointsWhateverTheGlobalLocale) {
    TempDir dir;
    const std::string path = dir.write("a.trn", "300 300 0.5 1.25\n0 10.5 0.25 20.75\n1 30.5 0 40\n-1\n");
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    Track t;
    const int32_t result = t.load(path);
    std::locale::global(previous);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(t.getTerrainParam1(), 0.5);
    EXPECT_EQ(t.getTerrainParam2(), 1.25);
    ASSERT_EQ(t.getNumWaypoints(), 2);
    EXPECT_EQ(t.getWaypoints()[0], Vector3(10.5, 0.25, 20.75));
}

struct NearestCase {
    const char* name;
    Vector3 position;
    int32_t next;
};

class NextWaypointTest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(NextWaypointTest, ReturnsTheIndexAfterTheNearest) {
    Track t;
    t.setWaypoints({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {20, 0, 10}, {10, 0, 0}});
    EXPECT_EQ(t.nextWaypoint(GetParam().position), GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, NextWaypointTest,
    ::testing::Values(NearestCase{"onFirst", {0, 0, 0}, 1},
                      NearestCase{"tieBetweenFirstAndSecondGoesToFirst", {5, 0, 0}, 1},
                      NearestCase{"duplicatePointGoesToTheEarlierCopy", {10, 0, 0}, 2},
                      NearestCase{"onLastWrapsToZero", {20, 0, 10}, 4},
                      NearestCase{"heightCounts", {20, 9, 5}, 3},
                      NearestCase{"fartherThanTheStartDistanceGivesOne", {2e8, 0, 0}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrackTest, PositionOnTheLastWaypointGivesZero) {
    Track t;
    t.setWaypoints({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}});
    EXPECT_EQ(t.nextWaypoint({20, 0, 0}), 0);
    EXPECT_EQ(t.nextWaypoint({19, 0, 0}), 0);
    EXPECT_EQ(t.nextWaypoint({11, 0, 0}), 2);
}

TEST(TrackTest, ZeroLengthSegmentLeavesEdgesOnTheCentre) {
    Track t;
    t.setWaypoints({{5, 1, 5}, {5, 1, 5}});
    t.buildEdges();
    EXPECT_EQ(t.getLeftEdge()[0], Vector3(5, 1, 5));
    EXPECT_EQ(t.getRightEdge()[1], Vector3(5, 1, 5));
}

TEST(TrackListingTest, PrintsTerrainCountAndEveryWaypointWithItsEdges) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("two.trn", "300 250 1 1\n0 50 0.1 50\n1 150 0.1 50\n-1\n")), 0);
    EXPECT_EQ(trackListing(t),
              "terrain 300 250\n"
              "waypoints 2\n"
              "0 50 0.10000000000000001 50 50 0.10000000000000001 60 50 0.10000000000000001 40\n"
              "1 150 0.10000000000000001 50 150 0.10000000000000001 60 150 0.10000000000000001 40\n");
}

TEST(TrackListingTest, WaypointsWithoutEdgesPrintZeroEdges) {
    Track t;
    t.setWaypoints({{1.5, 0, -2.25}});
    EXPECT_EQ(trackListing(t), "terrain 0 0\nwaypoints 1\n0 1.5 0 -2.25 0 0 0 0 0 0\n");
}

TEST(TrackListingTest, SmoothedTrackListsOneLinePerWaypoint) {
    TempDir dir;
    Track t;
    ASSERT_EQ(t.load(dir.write("three.trn", trackFile({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}}))), 0);
    const std::string text = trackListing(t);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 40);
    EXPECT_EQ(text.rfind("terrain 300 400\nwaypoints 40\n0 0 0 0 ", 0), 0u);
    EXPECT_NE(text.find("\n39 10 0 10 "), std::string::npos);
}

TEST(TrackWarningsTest, FlatTrackHasNoneAndHeightsAreReportedOnceWithTheirRange) {
    Track t;
    t.setWaypoints({{50, 0, 50}, {150, 0, 50}});
    EXPECT_TRUE(trackWarnings(t).empty());
    t.setWaypoints({{50, 0, 50}, {150, 2.5, 50}, {150, -1, 80}});
    EXPECT_EQ(trackWarnings(t), std::vector<std::string>{
        "warning: 2 of 3 waypoints are off the ground (first: waypoint 1 at height 2.5; heights from -1 to 2.5): "
        "the road is drawn at those heights but the ground and the car are flat at height 0, so the car will be "
        "seen below or above the road"});
}

}  // namespace
}  // namespace torvask
