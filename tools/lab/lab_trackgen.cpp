#include <algorithm>
#include <cmath>
#include <limits>

#include "LabSession.h"
#include "TrackGenerator.h"
#include "sim/CTorvaskDoc.h"

namespace torvask::lab {
namespace {

constexpr int kGroundVertices = 4;
constexpr int kSkyVertices = 24;
constexpr int kMaxAttempts = 20000;

// The generator keeps a margin over the rules it promises, so rounding and the car's own width
// never bring a track to the edge of one.
constexpr double kGenMinRadius = 22.0;
constexpr double kGenMinGap = 40.0;
constexpr double kGenWallClearance = 8.0;

double turnDegrees(const Vector3& a, const Vector3& b, const Vector3& c) {
    const double ux = b.x - a.x, uz = b.z - a.z, vx = c.x - b.x, vz = c.z - b.z;
    return std::fabs(std::atan2(ux * vz - uz * vx, ux * vx + uz * vz)) * 180.0 / M_PI;
}

double roundTenth(double v) { return std::round(v * 10.0) / 10.0; }

}  // namespace

int maxSceneWaypoints() { return (kVertexPoolCapacity - kGroundVertices - kSkyVertices) / 2; }

int maxSceneCoarseWaypoints() {
    // n coarse points smooth into 19(n-2)+21.
    int n = 3;
    while (19 * (n + 1 - 2) + 21 <= maxSceneWaypoints()) ++n;
    return n;
}

TrackShape measureTrack(const Track& track, double terrainWidth, double terrainDepth, bool measureGap) {
    TrackShape shape;
    const auto& all = track.getWaypoints();
    if (all.size() < 4) return shape;
    shape.closingGap = groundDistance(all.front(), all.back());

    // The loop without its closing repeat, and without samples that land on their predecessor.
    std::vector<Vector3> w;
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        if (w.empty() || groundDistance(w.back(), all[i]) > 1e-6) w.push_back(all[i]);
    }
    if (shape.closingGap > 1e-6) w.push_back(all.back());
    const std::size_t n = w.size();
    if (n < 3) return shape;

    shape.joinTurnDegrees = turnDegrees(w[n - 1], w[0], w[1]);
    // A smooth bend turns about as much at each sample; a corner turns at one.
    const double around = 0.5 * (turnDegrees(w[n - 2], w[n - 1], w[0]) + turnDegrees(w[0], w[1], w[2]));
    shape.joinKinkDegrees = std::max(0.0, shape.joinTurnDegrees - around);

    shape.minRadius = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < n; ++i) {
        const Vector3& a = w[i - 1];
        const Vector3& b = w[i];
        const Vector3& c = w[(i + 1) % n];
        const double cross = std::fabs((b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x));
        if (cross < 1e-12) continue;  // in line: no bend at all
        const double radius = groundDistance(a, b) * groundDistance(b, c) * groundDistance(a, c) / (2.0 * cross);
        if (radius < shape.minRadius) {
            shape.minRadius = radius;
            shape.minRadiusWaypoint = static_cast<int>(i);
        }
    }

    std::vector<double> along(n, 0.0);
    for (std::size_t i = 1; i < n; ++i) along[i] = along[i - 1] + groundDistance(w[i - 1], w[i]);
    shape.length = along[n - 1] + groundDistance(w[n - 1], w[0]);

    // Point-to-segment distances, so the answer does not depend on how densely the road is sampled.
    shape.minGap = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n && measureGap; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t k = (j + 1) % n;
            const double apart = std::fabs(along[i] - along[j]);
            const double around = std::min(apart, shape.length - apart);
            const double apartNext = std::fabs(along[i] - (k == 0 ? shape.length : along[k]));
            const double aroundNext = std::min(apartNext, shape.length - apartNext);
            if (around <= kNeighbourRoad || aroundNext <= kNeighbourRoad) continue;
            const Vector3& a = w[j];
            const Vector3& b = w[k];
            const double abx = b.x - a.x, abz = b.z - a.z;
            const double len2 = abx * abx + abz * abz;
            double t = len2 > 0.0 ? ((w[i].x - a.x) * abx + (w[i].z - a.z) * abz) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            shape.minGap = std::min(shape.minGap, std::hypot(w[i].x - a.x - t * abx, w[i].z - a.z - t * abz));
        }
    }

    shape.wallOverrun = -std::numeric_limits<double>::infinity();
    auto overrun = [&](const std::vector<Vector3>& edge) {
        for (std::size_t i = 0; i < edge.size(); ++i) {
            const Vector3& p = edge[i];
            const double beyond = std::max({kWallInset - p.x, p.x - (terrainWidth - kWallInset), kWallInset - p.z,
                                            p.z - (terrainDepth - kWallInset)});
            if (beyond > shape.wallOverrun) {
                shape.wallOverrun = beyond;
                shape.wallOverrunWaypoint = static_cast<int>(i);
            }
        }
    };
    overrun(track.getLeftEdge());
    overrun(track.getRightEdge());
    return shape;
}

double SeededRandom::uniform() {
    // 53 random bits from two draws, as a fraction of 2^53.
    const std::uint64_t high = engine_() >> 5;
    const std::uint64_t low = engine_() >> 6;
    return static_cast<double>((high << 26) | low) / 9007199254740992.0;
}

double SeededRandom::uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

int SeededRandom::uniformInt(int lo, int hi) {
    const int span = hi - lo + 1;
    return lo + std::min(span - 1, static_cast<int>(uniform() * span));
}

bool generateTrack(std::uint32_t seed, bool bendStart, GeneratedTrack& out) {
    SeededRandom random(seed);
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const int width = 50 * random.uniformInt(10, 18);
        const int depth = 50 * random.uniformInt(10, 18);
        // A ring of corners around the middle, each at its own distance: dents in the ring make
        // the S-bends and the tighter corners, the ellipse fills the terrain.
        const int corners = bendStart ? random.uniformInt(8, 12) : random.uniformInt(6, 10);
        const double cx = width / 2.0, cz = depth / 2.0;
        const double rx = width / 2.0 - 45.0, rz = depth / 2.0 - 45.0;
        const double phase = random.uniform(0.0, 2.0 * M_PI);
        const double step = 2.0 * M_PI / corners;
        std::vector<Vector3> ring;
        for (int k = 0; k < corners; ++k) {
            const double angle = phase + step * (k + random.uniform(-0.35, 0.35));
            const double reach = random.uniform(0.25, 1.0);
            ring.emplace_back(cx + rx * reach * std::cos(angle), 0.0, cz + rz * reach * std::sin(angle));
        }
        if (random.uniform() < 0.5) std::reverse(ring.begin(), ring.end());

        std::vector<Vector3> points;
        const int m = corners;
        if (bendStart) {
            // Start at a corner that turns enough to be a bend and not so much it is a hairpin.
            const int first = random.uniformInt(0, m - 1);
            int start = -1;
            for (int k = 0; k < m && start < 0; ++k) {
                const int c = (first + k) % m;
                const double turn = turnDegrees(ring[(c + m - 1) % m], ring[c], ring[(c + 1) % m]);
                if (turn >= kBendStartMinKink + 2.0 && turn <= kBendStartMaxKink - 2.0) start = c;
            }
            if (start < 0) continue;
            for (int k = 0; k < m; ++k) points.push_back(ring[(start + k) % m]);
        } else {
            // The start line a third of the way along a long side, with a second point two thirds
            // along: the road is straight from the side's first corner to its last.
            const int first = random.uniformInt(0, m - 1);
            int side = -1;
            for (int k = 0; k < m && side < 0; ++k) {
                const int c = (first + k) % m;
                if (groundDistance(ring[c], ring[(c + 1) % m]) >= 150.0) side = c;
            }
            if (side < 0) continue;
            const Vector3& a = ring[side];
            const Vector3& b = ring[(side + 1) % m];
            points.push_back(a + (b - a) * (1.0 / 3.0));
            points.push_back(a + (b - a) * (2.0 / 3.0));
            for (int k = 1; k <= m; ++k) points.push_back(ring[(side + k) % m]);
        }
        for (Vector3& p : points) p = Vector3(roundTenth(p.x), 0.0, roundTenth(p.z));
        points.push_back(points.front());
        if (static_cast<int>(points.size()) > maxSceneCoarseWaypoints()) continue;

        Track track;
        track.setWaypoints(points);
        track.smooth();
        track.buildEdges();
        // The crowding check costs the most, so it comes last.
        const TrackShape shape = measureTrack(track, width, depth, false);
        const bool joinOk = bendStart ? shape.joinTurnDegrees >= kBendStartMinKink &&
                                            shape.joinTurnDegrees <= kBendStartMaxKink
                                      : shape.joinTurnDegrees < 0.5;
        if (!joinOk || shape.minRadius < kGenMinRadius || shape.wallOverrun > -kGenWallClearance) continue;
        if (measureTrack(track, width, depth, true).minGap < kGenMinGap) continue;
        out.width = width;
        out.depth = depth;
        out.waypoints = std::move(points);
        out.attempts = attempt;
        return true;
    }
    return false;
}

std::string trackFileText(const GeneratedTrack& track) {
    // Tenths as whole numbers, so no locale can turn the decimal point into a comma.
    auto tenths = [](double v) {
        const long long t = std::llround(v * 10.0);
        const long long whole = (t < 0 ? -t : t) / 10;
        const long long frac = (t < 0 ? -t : t) % 10;
        return std::string(t < 0 ? "-" : "") + std::to_string(whole) + "." + std::to_string(frac);
    };
    std::string text = std::to_string(track.width) + " " + std::to_string(track.depth) + " 1 1\n";
    for (std::size_t i = 0; i < track.waypoints.size(); ++i) {
        const Vector3& p = track.waypoints[i];
        text += std::to_string(i) + " " + tenths(p.x) + " " + tenths(p.y) + " " + tenths(p.z) + "\n";
    }
    text += "-1\n";
    return text;
}

}  // namespace torvask::lab
