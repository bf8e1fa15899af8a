#include "physics/Track.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <locale>

namespace torvask {

int32_t Track::load(const std::string& path) {
    // A folder opens as a stream on Linux but reads as an empty file; it is not a track.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return -1;
    std::ifstream in(path);
    if (!in.is_open() || !in.good()) return -1;
    // Track files use a decimal point whatever the user's locale says.
    in.imbue(std::locale::classic());

    trackWidth = kDefaultTrackWidth;
    waypoints.clear();
    leftEdge.clear();
    rightEdge.clear();

    int32_t width = 0;
    int32_t depth = 0;
    double param1 = 1.0;
    double param2 = 1.0;
    in >> width >> depth >> param1 >> param2;
    if (in) {
        terrainWidth = width;
        terrainDepth = depth;
        terrainParam1 = param1;
        terrainParam2 = param2;
        // A truncated or garbled file stops the loop (a failed read leaves the stream failed)
        // rather than repeating the last waypoint forever.
        int32_t index = 0;
        while (in >> index && index != -1) {
            double x = 0.0;
            double y = 0.0;
            double z = 0.0;
            if (!(in >> x >> y >> z)) break;
            waypoints.emplace_back(x, y, z);
        }
    } else {
        // No usable header: the terrain is unknown rather than left over from the previous file.
        terrainWidth = 0;
        terrainDepth = 0;
        terrainParam1 = 1.0;
        terrainParam2 = 1.0;
    }

    smooth();
    buildEdges();
    return 0;
}

void Track::setWaypoints(std::vector<Vector3> points) {
    waypoints = std::move(points);
    leftEdge.clear();
    rightEdge.clear();
}

void Track::smooth() {
    const size_t n = waypoints.size();
    if (n < 3) return;
    const std::vector<Vector3>& p = waypoints;
    std::vector<Vector3> out;
    out.reserve(static_cast<size_t>(smoothedWaypointCount(static_cast<int32_t>(n))));

    Vector3 prev = p[0];
    for (size_t i = 0; i + 1 < n; ++i) {
        const bool last = (i == n - 2);
        const Vector3 cur = p[i];
        const Vector3 next = p[i + 1];
        const Vector3 after = last ? next : p[i + 2];
        const Vector3 m0 = (cur - prev) * 0.5 + (next - cur) * 0.5;
        const Vector3 m1 = (next - cur) * 0.5 + (after - next) * 0.5;
        const double tEnd = last ? 1.0 : 0.95;
        // t is accumulated by repeated addition on purpose: the rounding decides the sample
        // count (0.05 summed 19 times lands just above 0.95).
        for (double t = 0.0; t <= tEnd; t += 0.05) {
            const double t2 = t * t;
            const double t3 = t2 * t;
            const double h00 = 2.0 * t3 - 3.0 * t2 + 1.0;
            const double h10 = t3 - 2.0 * t2 + t;
            const double h11 = t3 - t2;
            const double h01 = 3.0 * t2 - 2.0 * t3;
            out.push_back(cur * h00 + m0 * h10 + m1 * h11 + next * h01);
        }
        if (last) out.push_back(next);
        prev = cur;
    }
    waypoints = std::move(out);
}

void Track::buildEdges() {
    const size_t n = waypoints.size();
    if (n < 2) return;
    leftEdge.assign(n, Vector3());
    rightEdge.assign(n, Vector3());
    const Vector3 up(0.0, 1.0, 0.0);
    for (size_t i = 0; i + 1 < n; ++i) {
        const Vector3& a = waypoints[i];
        const Vector3& b = waypoints[i + 1];
        Vector3 d = b - a;
        d.normalize();
        const Vector3 o = up.cross(d) * (trackWidth * 0.5);
        rightEdge[i] = a + o;
        leftEdge[i] = a - o;
        rightEdge[i + 1] = b + o;
        leftEdge[i + 1] = b - o;
    }
}

int32_t Track::nextWaypoint(const Vector3& position) const {
    const int32_t n = getNumWaypoints();
    if (n == 0) return 0;
    double best = 1e8;
    int32_t nearest = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double d = (position - waypoints[static_cast<size_t>(i)]).length();
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    return (nearest + 1) % n;
}

}  // namespace torvask
