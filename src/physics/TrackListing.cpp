#include "physics/TrackListing.h"

#include <cstdio>

namespace torvask {

std::string trackListing(const Track& track) {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof line, "terrain %d %d\n", track.getTerrainWidth(), track.getTerrainDepth());
    out += line;
    const int32_t n = track.getNumWaypoints();
    std::snprintf(line, sizeof line, "waypoints %d\n", n);
    out += line;
    const auto& w = track.getWaypoints();
    const auto& left = track.getLeftEdge();
    const auto& right = track.getRightEdge();
    for (int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        const Vector3 l = k < left.size() ? left[k] : Vector3();
        const Vector3 r = k < right.size() ? right[k] : Vector3();
        std::snprintf(line, sizeof line, "%d %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g\n", i, w[k].x,
                      w[k].y, w[k].z, l.x, l.y, l.z, r.x, r.y, r.z);
        out += line;
    }
    return out;
}

}  // namespace torvask
