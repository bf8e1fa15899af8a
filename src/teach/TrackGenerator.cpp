#include "teach/TrackGenerator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Paths.h"
#include "driver/FileReplace.h"
#include "physics/TrackGeometry.h"
#include "sim/CTorvaskDoc.h"
#include "teach/SeededRandom.h"

namespace torvask {
namespace {

constexpr int kMaxAttempts = 20000;

// The generator keeps a margin over the rules it promises, so rounding and the car's own width
// never bring a track to the edge of one.
constexpr double kGenMinRadius = 22.0;
constexpr double kGenMinGap = 40.0;
constexpr double kGenWallClearance = 8.0;

double roundTenth(double v) { return std::round(v * 10.0) / 10.0; }

}  // namespace

int maxSceneCoarseWaypoints() {
    int n = 3;
    while (Track::smoothedWaypointCount(n + 1) <= kMaxSceneWaypoints) ++n;
    return n;
}

std::vector<Vector3> randomCornerRing(SeededRandom& random, int width, int depth, int corners, double jitter,
                                      double minReach) {
    const double cx = width / 2.0, cz = depth / 2.0;
    const double rx = width / 2.0 - 45.0, rz = depth / 2.0 - 45.0;
    const double phase = random.uniform(0.0, 2.0 * M_PI);
    const double step = 2.0 * M_PI / corners;
    std::vector<Vector3> ring;
    for (int k = 0; k < corners; ++k) {
        const double angle = phase + step * (k + random.uniform(-jitter, jitter));
        const double reach = random.uniform(minReach, 1.0);
        ring.emplace_back(cx + rx * reach * std::cos(angle), 0.0, cz + rz * reach * std::sin(angle));
    }
    if (random.uniform() < 0.5) std::reverse(ring.begin(), ring.end());
    return ring;
}

bool generateTrack(std::uint32_t seed, TrackStyle style, GeneratedTrack& out) {
    if (style == TrackStyle::Hard) return generateHardTrack(seed, out);
    const bool bendStart = style == TrackStyle::BendStart;
    SeededRandom random(seed);
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const int width = 50 * random.uniformInt(10, 18);
        const int depth = 50 * random.uniformInt(10, 18);
        // A ring of corners around the middle, each at its own distance: dents in the ring make
        // the S-bends and the tighter corners, the ellipse fills the terrain.
        const int corners = bendStart ? random.uniformInt(8, 12) : random.uniformInt(6, 10);
        const std::vector<Vector3> ring = randomCornerRing(random, width, depth, corners, 0.35, 0.25);

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

std::string generatedTrackFileName(std::uint32_t seed) { return "Generated " + std::to_string(seed) + ".trn"; }

bool saveGeneratedTrack(std::uint32_t seed, TrackStyle style, const std::string& folder, std::string& path,
                        std::string& error) {
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        error = "The tracks folder " + folder + " does not exist.";
        return false;
    }
    GeneratedTrack track;
    if (!generateTrack(seed, style, track)) {
        error = "No drivable track was found for seed " + std::to_string(seed) + ".";
        return false;
    }
    const std::string text = trackFileText(track);
    path = joinPath(folder, generatedTrackFileName(seed));
    if (std::filesystem::exists(path, ec)) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream existing;
        existing << in.rdbuf();
        if (in && existing.str() == text) return true;
        error = "A different track named \"" + generatedTrackFileName(seed) + "\" is already in " + folder +
                ".\nChoose another seed, or rename that file.";
        return false;
    }
    errno = 0;
    if (!replaceFileContents(path, text)) {
        const int reason = errno;
        error = "Cannot write " + path + (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string()) + ".";
        return false;
    }
    return true;
}

}  // namespace torvask
