#include "physics/TrackListing.h"

#include <algorithm>
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

std::vector<std::string> trackWarnings(const Track& track) {
    std::vector<std::string> warnings;
    const auto& w = track.getWaypoints();
    int32_t offGround = 0;
    double lowest = 0.0, highest = 0.0;
    int32_t first = -1;
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i].y == 0.0) continue;
        if (first < 0) first = static_cast<int32_t>(i);
        ++offGround;
        lowest = std::min(lowest, w[i].y);
        highest = std::max(highest, w[i].y);
    }
    if (offGround > 0) {
        char line[512];
        std::snprintf(line, sizeof line,
                      "warning: %d of %d waypoints are off the ground (first: waypoint %d at height %.17g; "
                      "heights from %.17g to %.17g): the road is drawn at those heights but the ground and "
                      "the car are flat at height 0, so the car will be seen below or above the road",
                      offGround, track.getNumWaypoints(), first, w[static_cast<size_t>(first)].y, lowest,
                      highest);
        warnings.emplace_back(line);
    }
    return warnings;
}

}  // namespace torvask
