// Tracks as people write them: the file starts at a corner, the waypoints are spaced unevenly,
// and somewhere a hairpin turns the road back on itself between two bends the other way.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "physics/TrackGeometry.h"
#include "physics/TrackShape.h"
#include "teach/SeededRandom.h"
#include "teach/TrackGenerator.h"

namespace torvask {
namespace {

constexpr int kMaxAttempts = 20000;
constexpr double kPi = M_PI;
// Margins over the promised rules, so that rounding to tenths never brings a track to the edge.
constexpr double kGenHairpinMin = kHardHairpinMinRadius + 0.5;
constexpr double kGenHairpinMax = kHardHairpinMaxRadius - 0.5;
constexpr double kGenMinGap = kHardMinGap + 4.0;
constexpr double kGenWallClearance = 8.0;

double roundTenth(double v) { return std::round(v * 10.0) / 10.0; }

Vector3 along(const Vector3& from, double ux, double uz, double distance) {
    return Vector3(from.x + ux * distance, 0.0, from.z + uz * distance);
}

// What makes a track hard, measured on its coarse waypoints and its smoothed centre line.
struct HardTrackFeatures {
    double spacingRatio = 0.0;  // longest stretch between coarse waypoints over the shortest
    double hairpinRadius = std::numeric_limits<double>::infinity();  // tightest sample of a hairpin
    bool sBend = false;         // a bend followed at once by one the other way
};

HardTrackFeatures measureHardFeatures(const std::vector<Vector3>& coarse, const Track& smoothed) {
    HardTrackFeatures f;
    // The loop's distinct coarse points, without the closing repeat.
    std::vector<Vector3> c(coarse.begin(), coarse.end());
    if (c.size() >= 2 && groundDistance(c.front(), c.back()) < 1e-6) c.pop_back();
    const std::size_t n = c.size();
    if (n < 3) return f;
    double shortest = 1e300, longest = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = groundDistance(c[i], c[(i + 1) % n]);
        shortest = std::min(shortest, d);
        longest = std::max(longest, d);
    }
    f.spacingRatio = shortest > 0.0 ? longest / shortest : 0.0;

    // Bends of the smoothed centre line: runs of samples turning the same way. A hairpin is a run
    // that turns at least kHardHairpinMinTurn degrees; an S is a bend of at least
    // kHardSBendMinTurn followed at once by one as large the other way.
    const auto& all = smoothed.getWaypoints();
    std::vector<Vector3> w;
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        if (w.empty() || groundDistance(w.back(), all[i]) > 1e-6) w.push_back(all[i]);
    }
    const std::size_t m = w.size();
    if (m < 3) return f;
    std::vector<double> turn(m);
    for (std::size_t i = 0; i < m; ++i) turn[i] = signedTurn(w[(i + m - 1) % m], w[i], w[(i + 1) % m]);
    // Start the runs where the sign changes, so that no bend is split by the wrap.
    std::size_t start = 0;
    while (start < m && (turn[start] >= 0.0) == (turn[(start + m - 1) % m] >= 0.0)) ++start;
    if (start == m) start = 0;
    std::vector<double> bends;  // signed degrees, in order round the loop
    double run = 0.0;
    double runMinRadius = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < m; ++k) {
        const std::size_t i = (start + k) % m;
        if (k > 0 && (turn[i] >= 0.0) != (run >= 0.0)) {
            bends.push_back(run * 180.0 / kPi);
            run = 0.0;
            runMinRadius = std::numeric_limits<double>::infinity();
        }
        run += turn[i];
        // The join is a corner, not a bend of the road: its sharpness is measured on its own.
        if (i != 0) runMinRadius = std::min(runMinRadius, circumradius(w[(i + m - 1) % m], w[i], w[(i + 1) % m]));
        if (std::fabs(run) * 180.0 / kPi >= kHardHairpinMinTurn) {
            f.hairpinRadius = std::min(f.hairpinRadius, runMinRadius);
        }
    }
    bends.push_back(run * 180.0 / kPi);
    const std::size_t b = bends.size();
    // (Runs start where the sign changes, so the last bend and the first turn opposite ways.)
    for (std::size_t i = 0; i < b && b > 1; ++i) {
        const double x = bends[i], y = bends[(i + 1) % b];
        if (std::fabs(x) >= kHardSBendMinTurn && std::fabs(y) >= kHardSBendMinTurn && x * y < 0.0) f.sBend = true;
    }
    return f;
}

}  // namespace

bool generateHardTrack(std::uint32_t seed, GeneratedTrack& out) {
    SeededRandom random(seed);
    const int maxCoarse = std::min(kHardMaxCoarseWaypoints, maxSceneCoarseWaypoints());
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const int width = 50 * random.uniformInt(10, 16);
        const int depth = 50 * random.uniformInt(10, 16);
        // A ring of corners at uneven distances from the middle, as in the other tracks.
        const int corners = random.uniformInt(5, 7);
        const std::vector<Vector3> ring = randomCornerRing(random, width, depth, corners, 0.3, 0.45);

        // A finger on one side of the ring, into the loop or out of it: the road leaves the side,
        // runs out to a hairpin of radius r, and comes back to the side on a leg splayed away
        // from the first, so the legs part before they are far apart along the road.
        const int side = random.uniformInt(0, corners - 1);
        const Vector3& a = ring[side];
        const Vector3& b = ring[(side + 1) % corners];
        const double sideLength = groundDistance(a, b);
        const double ux = (b.x - a.x) / sideLength, uz = (b.z - a.z) / sideLength;
        const double inward = random.uniform() < 0.5 ? 1.0 : -1.0;
        const double nx = -uz * inward, nz = ux * inward;
        // The spline through the three points round the tip bends tighter than their circle.
        const double r = random.uniform(kGenHairpinMin, 1.3 * kGenHairpinMax);
        const double reachOut = random.uniform(35.0, 80.0);
        const double halfBase = r + random.uniform(12.0, 30.0);
        const double at = random.uniform(0.3, 0.7) * sideLength;
        if (at - halfBase < 25.0 || at + halfBase > sideLength - 25.0) continue;
        const Vector3 mid = along(a, ux, uz, at);
        const Vector3 tipCentre(mid.x + nx * reachOut, 0.0, mid.z + nz * reachOut);
        std::vector<Vector3> finger = {
            along(mid, ux, uz, -halfBase),
            along(tipCentre, ux, uz, -r),
            Vector3(tipCentre.x + nx * r, 0.0, tipCentre.z + nz * r),
            along(tipCentre, ux, uz, r),
            along(mid, ux, uz, halfBase),
        };
        std::vector<Vector3> loop;
        for (int k = 0; k < corners; ++k) {
            loop.push_back(ring[k]);
            if (k == side) loop.insert(loop.end(), finger.begin(), finger.end());
        }

        // The file starts at a corner: any point the road turns 30 to 110 degrees at.
        const int m = static_cast<int>(loop.size());
        std::vector<int> starts;
        for (int k = 0; k < m; ++k) {
            const double turn = turnDegrees(loop[(k + m - 1) % m], loop[k], loop[(k + 1) % m]);
            if (turn >= kHardJoinMinDegrees + 4.0 && turn <= kHardJoinMaxDegrees - 4.0) starts.push_back(k);
        }
        if (starts.empty()) continue;
        const int first = starts[static_cast<std::size_t>(random.uniformInt(0, static_cast<int>(starts.size()) - 1))];
        std::vector<Vector3> points;
        for (int k = 0; k < m; ++k) {
            const Vector3& p = loop[(first + k) % m];
            points.emplace_back(roundTenth(p.x), 0.0, roundTenth(p.z));
        }
        points.push_back(points.front());
        if (static_cast<int>(points.size()) > maxCoarse) continue;

        Track track;
        track.setWaypoints(points);
        track.smooth();
        track.buildEdges();
        const TrackShape shape = measureTrack(track, width, depth, false);
        if (shape.joinTurnDegrees < kHardJoinMinDegrees || shape.joinTurnDegrees > kHardJoinMaxDegrees) continue;
        if (shape.wallOverrun > -kGenWallClearance || shape.minRadius < kGenHairpinMin) continue;
        const HardTrackFeatures features = measureHardFeatures(points, track);
        if (features.hairpinRadius > kGenHairpinMax || features.hairpinRadius < kGenHairpinMin || !features.sBend ||
            features.spacingRatio < kHardMinSpacingRatio) {
            continue;
        }
        const TurnRoom turn = tightestTurn(track);
        if (turn.room < turn.needed) continue;
        if (measureTrack(track, width, depth, true).minGap < kGenMinGap) continue;
        out.width = width;
        out.depth = depth;
        out.waypoints = std::move(points);
        out.attempts = attempt;
        return true;
    }
    return false;
}

}  // namespace torvask
