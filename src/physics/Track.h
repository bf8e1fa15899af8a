#pragma once
// A race track read from a ".trn" file: the terrain size and the centre line as waypoints,
// smoothed by Hermite subdivision, with the two edges of a ribbon trackWidth wide.
// All coordinates are in the render frame (y up).
#include <cstdint>
#include <string>
#include <vector>

#include "common/Vector3.h"

namespace torvask {

class Track {
public:
    static constexpr double kDefaultTrackWidth = 20.0;

    Track() = default;

    // Reads the file in the C locale, then smooths and builds the edges. 0 on success, -1 if
    // the file cannot be opened (the track is then unchanged). A file that ends or holds a
    // non-number before the -1 terminator keeps the waypoints read so far and returns 0.
    int32_t load(const std::string& path);

    // Index after the waypoint nearest to position (ties go to the earlier waypoint), modulo the
    // waypoint count. Needs at least one waypoint; with none it returns 0.
    int32_t nextWaypoint(const Vector3& position) const;

    // Hermite subdivision of the current waypoints (only with 3 or more): 19 samples per inner
    // segment, 20 plus the end point for the last, so n points become 19(n-2)+21.
    void smooth();
    // How many waypoints smooth() makes of coarse ones (coarse >= 3), and the coarse count back
    // from a smoothed one (0 when no coarse count gives it).
    static int32_t smoothedWaypointCount(int32_t coarse) { return 19 * (coarse - 2) + 21; }
    static int32_t coarseWaypointCount(int32_t smoothed) {
        return smoothed >= 21 && (smoothed - 21) % 19 == 0 ? (smoothed - 21) / 19 + 2 : 0;
    }
    // Fills leftEdge/rightEdge trackWidth/2 to each side of every waypoint (needs 2 or more).
    void buildEdges();

    // Replaces the waypoints as given (no smoothing) and clears the edges.
    void setWaypoints(std::vector<Vector3> points);

    int32_t getTerrainWidth() const { return terrainWidth; }
    int32_t getTerrainDepth() const { return terrainDepth; }
    double getTerrainParam1() const { return terrainParam1; }
    double getTerrainParam2() const { return terrainParam2; }
    double getTrackWidth() const { return trackWidth; }
    int32_t getNumWaypoints() const { return static_cast<int32_t>(waypoints.size()); }
    const std::vector<Vector3>& getWaypoints() const { return waypoints; }
    const std::vector<Vector3>& getLeftEdge() const { return leftEdge; }
    const std::vector<Vector3>& getRightEdge() const { return rightEdge; }

private:
    int32_t terrainWidth = 0;   // along render x
    int32_t terrainDepth = 0;   // along render z
    double terrainParam1 = 1.0; // kept from the file, used by nothing
    double terrainParam2 = 1.0;
    double trackWidth = kDefaultTrackWidth;
    std::vector<Vector3> waypoints;
    std::vector<Vector3> leftEdge;
    std::vector<Vector3> rightEdge;
};

}  // namespace torvask
