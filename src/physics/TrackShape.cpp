#include "physics/TrackShape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "physics/PhysicsServer.h"
#include "physics/TrackGeometry.h"

namespace torvask {
namespace {

std::string format(const char* pattern, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

}  // namespace

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
        const double radius = circumradius(w[i - 1], w[i], w[(i + 1) % n]);  // in line: infinite
        if (radius < shape.minRadius) {
            shape.minRadius = radius;
            shape.minRadiusWaypoint = static_cast<int>(i);
        }
    }

    std::vector<double> along(n, 0.0);
    for (std::size_t i = 1; i < n; ++i) along[i] = along[i - 1] + groundDistance(w[i - 1], w[i]);
    shape.length = along[n - 1] + groundDistance(w[n - 1], w[0]);

    // Point-to-segment distances, so the answer does not depend on how densely the road is sampled.
    double minGap2 = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n && measureGap; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t k = (j + 1) % n;
            const double apart = std::fabs(along[i] - along[j]);
            const double around = std::min(apart, shape.length - apart);
            const double apartNext = std::fabs(along[i] - (k == 0 ? shape.length : along[k]));
            const double aroundNext = std::min(apartNext, shape.length - apartNext);
            if (around <= kNeighbourRoad || aroundNext <= kNeighbourRoad) continue;
            minGap2 = std::min(minGap2, closestOnSegment(w[j], w[k], w[i]).distanceSquared);
        }
    }
    shape.minGap = measureGap ? std::sqrt(minGap2) : 0.0;

    const double inset = PhysicsServer::kWallMargin;
    shape.wallOverrun = -std::numeric_limits<double>::infinity();
    auto overrun = [&](const std::vector<Vector3>& edge) {
        for (std::size_t i = 0; i < edge.size(); ++i) {
            const Vector3& p = edge[i];
            const double beyond =
                std::max({inset - p.x, p.x - (terrainWidth - inset), inset - p.z, p.z - (terrainDepth - inset)});
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

TurnRoom tightestTurn(const Track& track) {
    TurnRoom worst;
    const auto& all = track.getWaypoints();
    // The loop's distinct samples, each with its index in the track.
    std::vector<Vector3> w;
    std::vector<int> index;
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        if (w.empty() || groundDistance(w.back(), all[i]) > 1e-6) {
            w.push_back(all[i]);
            index.push_back(static_cast<int>(i));
        }
    }
    const std::size_t n = w.size();
    if (n < 3) return worst;
    const double h = track.getTrackWidth() * 0.5 - kCarHalfWidth;  // room for the car's centre each side
    std::vector<double> turn(n);
    for (std::size_t i = 0; i < n; ++i) turn[i] = signedTurn(w[(i + n - 1) % n], w[i], w[(i + 1) % n]);
    // A run of samples turning the same way is one bend; the runs start where the sign changes, so
    // that no bend is split where the loop wraps.
    std::size_t start = 0;
    while (start < n && (turn[start] > 0.0) == (turn[(start + n - 1) % n] > 0.0)) ++start;
    if (start == n) start = 0;
    double run = 0.0;
    double radius = std::numeric_limits<double>::infinity();
    int at = -1;
    auto close = [&]() {
        if (at < 0) return;
        const double theta = std::min(std::fabs(run), M_PI);
        // The widest circle through the bend: from the outside edge before it, past the inside
        // edge at its apex, to the outside edge after it. A hairpin leaves only the road's width.
        const double c = std::cos(theta / 2.0);
        const double room = radius + h + (c > 1e-9 ? 2.0 * h * c / (1.0 - c) : 0.0);
        // Turning from +x towards +z is a left turn for the car.
        const double needed = run > 0.0 ? kCarTurnRadiusLeft : kCarTurnRadiusRight;
        if (room - needed < worst.room - worst.needed) {
            worst.room = room;
            worst.needed = needed;
            worst.waypoint = at;
            worst.left = run > 0.0;
        }
    };
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (start + k) % n;
        if (k > 0 && turn[i] != 0.0 && (turn[i] > 0.0) != (run > 0.0)) {
            close();
            run = 0.0;
            radius = std::numeric_limits<double>::infinity();
            at = -1;
        }
        run += turn[i];
        const double r = circumradius(w[(i + n - 1) % n], w[i], w[(i + 1) % n]);
        if (r < radius) {
            radius = r;
            at = index[i];
        }
    }
    close();
    return worst;
}

std::vector<std::string> trackShapeWarnings(const Track& track, int sceneWaypoints) {
    std::vector<std::string> out;
    const int n = track.getNumWaypoints();
    if (n > sceneWaypoints) {
        int coarseLimit = 3;
        while (Track::smoothedWaypointCount(coarseLimit + 1) <= sceneWaypoints) ++coarseLimit;
        out.push_back(format("warning: %d smoothed waypoints (from %d coarse ones) are more than the scene holds "
                             "(%d); use at most %d coarse waypoints",
                             n, Track::coarseWaypointCount(n), sceneWaypoints, coarseLimit));
    }
    if (n < 4) return out;
    const TrackShape shape = measureTrack(track, track.getTerrainWidth(), track.getTerrainDepth());
    if (shape.closingGap > 1e-6) {
        out.push_back(format("warning: the loop is not closed: the last waypoint is %.1f units from the first; "
                             "repeat the first waypoint at the end",
                             shape.closingGap));
    }
    if (shape.joinKinkDegrees > kKinkWarningDegrees) {
        out.push_back(format("warning: the centre line turns %.0f degrees at once where the loop joins (waypoint "
                             "0): the start is a sharp corner; start the file on a straight, in line with the "
                             "waypoints before and after it",
                             shape.joinKinkDegrees));
    }
    if (shape.minRadius < kMinRadius) {
        out.push_back(format("warning: a bend of radius %.1f units (near waypoint %d), tighter than %.0f: the car "
                             "may not get round it on the ribbon",
                             shape.minRadius, shape.minRadiusWaypoint, kMinRadius));
    }
    const TurnRoom turn = tightestTurn(track);
    if (turn.room < turn.needed) {
        out.push_back(format("warning: the %s bend near waypoint %d is tighter than the car can turn even at walking "
                             "pace (a line through it on the ribbon has a radius of at most %.1f units, the car "
                             "needs %.1f): the track cannot be lapped",
                             turn.left ? "left" : "right", turn.waypoint, turn.room, turn.needed));
    }
    if (shape.minGap < kMinGap) {
        out.push_back(format("warning: two parts of the road come within %.1f units of each other (keep them %.0f "
                             "apart): the car's sensors may read the other part",
                             shape.minGap, kMinGap));
    }
    if (shape.wallOverrun > 0.0) {
        out.push_back(format("warning: the ribbon reaches %.1f units beyond the walls (near waypoint %d); the walls "
                             "stand %.0f units inside the terrain edge",
                             shape.wallOverrun, shape.wallOverrunWaypoint, PhysicsServer::kWallMargin));
    }
    return out;
}

}  // namespace torvask
