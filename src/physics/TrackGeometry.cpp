#include "physics/TrackGeometry.h"

#include <cmath>
#include <limits>

namespace torvask {

double groundDistance(const Vector3& a, const Vector3& b) { return std::hypot(a.x - b.x, a.z - b.z); }

SegmentPoint closestOnSegment(const Vector3& a, const Vector3& b, const Vector3& p) {
    SegmentPoint s;
    const double abx = b.x - a.x, abz = b.z - a.z;
    const double apx = p.x - a.x, apz = p.z - a.z;
    const double len2 = abx * abx + abz * abz;
    double t = len2 > 0.0 ? (apx * abx + apz * abz) / len2 : 0.0;
    // Clamped to [0, 1]; a NaN becomes 1, as fmin(1, NaN) makes it.
    t = t < 1.0 ? t : 1.0;
    t = t > 0.0 ? t : 0.0;
    s.t = t;
    s.dx = apx - t * abx;
    s.dz = apz - t * abz;
    s.distanceSquared = s.dx * s.dx + s.dz * s.dz;
    return s;
}

double signedTurn(const Vector3& a, const Vector3& b, const Vector3& c) {
    const double ux = b.x - a.x, uz = b.z - a.z, vx = c.x - b.x, vz = c.z - b.z;
    return std::atan2(ux * vz - uz * vx, ux * vx + uz * vz);
}

double turnDegrees(const Vector3& a, const Vector3& b, const Vector3& c) {
    return std::fabs(signedTurn(a, b, c)) * 180.0 / M_PI;
}

double circumradius(const Vector3& a, const Vector3& b, const Vector3& c) {
    const double cross = std::fabs((b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x));
    if (cross < 1e-12) return std::numeric_limits<double>::infinity();
    return groundDistance(a, b) * groundDistance(b, c) * groundDistance(a, c) / (2.0 * cross);
}

double distanceFromCentreLine(const Track& track, const Vector3& p) {
    const auto& w = track.getWaypoints();
    if (w.empty()) return 0.0;
    // The smallest squared distance, rooted once: the square root is monotonic and correctly rounded,
    // so this is the smallest of the rooted distances to the bit.
    double best = std::numeric_limits<double>::infinity();
    const std::size_t n = w.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double d2 = closestOnSegment(w[i], w[(i + 1) % n], p).distanceSquared;
        if (d2 < best) best = d2;
    }
    return std::sqrt(best);
}

namespace {

// The pose against the segments starting at waypoints first, first + 1, ... (count of them, modulo n).
CentreLinePose poseOver(const std::vector<Vector3>& w, std::size_t first, std::size_t count, const Vector3& p,
                        double yaw) {
    CentreLinePose pose;
    const std::size_t n = w.size();
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = (first + k) % n;
        const Vector3& a = w[i];
        const Vector3& b = w[(i + 1) % n];
        const double abx = b.x - a.x, abz = b.z - a.z;
        const double len2 = abx * abx + abz * abz;
        if (len2 <= 0.0) continue;  // a repeated waypoint has no direction
        const SegmentPoint s = closestOnSegment(a, b, p);
        if (s.distanceSquared < best) {
            best = s.distanceSquared;
            const double len = std::sqrt(len2);
            const double tx = abx / len, tz = abz / len;
            // The right-hand normal of direction (tx, tz) is (tz, -tx) when angles grow
            // clockwise seen from above, as yaw does.
            pose.offset = s.dx * tz - s.dz * tx;
            pose.headingError = std::remainder(yaw - std::atan2(tx, tz), 2.0 * M_PI);
        }
    }
    return pose;
}

}  // namespace

CentreLinePose centreLinePose(const Track& track, const Vector3& p, double yaw) {
    const auto& w = track.getWaypoints();
    if (w.size() < 2) return {};
    return poseOver(w, 0, w.size(), p, yaw);
}

RoadStretch roadStretch(const Track& track, int from, double ahead) {
    const auto& w = track.getWaypoints();
    const auto n = static_cast<int>(w.size());
    if (n < 2) return {0, n};
    constexpr int kBehind = 3;
    RoadStretch stretch{(((from - kBehind) % n) + n) % n, kBehind};
    for (double road = 0.0; road <= ahead && stretch.count < n; ++stretch.count) {
        const int i = (stretch.first + stretch.count) % n;
        road += groundDistance(w[static_cast<std::size_t>(i)], w[static_cast<std::size_t>((i + 1) % n)]);
    }
    return stretch;
}

CentreLinePose centreLinePoseNear(const Track& track, const Vector3& p, double yaw, int from, double ahead) {
    const auto& w = track.getWaypoints();
    if (w.size() < 2) return {};
    const RoadStretch stretch = roadStretch(track, from, ahead);
    return poseOver(w, static_cast<std::size_t>(stretch.first), static_cast<std::size_t>(stretch.count), p, yaw);
}

}  // namespace torvask
