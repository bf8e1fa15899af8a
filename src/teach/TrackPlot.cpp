#include "teach/TrackPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "physics/Track.h"

namespace torvask {
namespace {

constexpr std::uint32_t kPaper = 0xFFFAF8F2;
constexpr std::uint32_t kSand = 0xFFDEC696;
constexpr std::uint32_t kWall = 0xFF785A3C;
constexpr std::uint32_t kRibbon = 0xFF78787C;
constexpr std::uint32_t kCentreLine = 0xFFC8C8CC;
constexpr std::uint32_t kStartLine = 0xFFFFFFFF;
constexpr std::uint32_t kOffTrackFill = 0xFFE61E1E;
constexpr std::uint32_t kOffTrackRing = 0xFF000000;
constexpr double kOffTrackRingWidth = 1.5;
// The terrain's walls stand this far inside its edge (render units).
constexpr double kWallInset = 10.0;

struct Point {
    double x;
    double y;
};

// Source-over blending into an opaque buffer, with anti-aliased coverage.
class Canvas {
public:
    explicit Canvas(PlotImage& image) : image_(image) {}

    void blend(int x, int y, std::uint32_t colour, double coverage) {
        if (x < 0 || y < 0 || x >= image_.width || y >= image_.height || coverage <= 0.0) return;
        const double a = std::min(1.0, coverage) * ((colour >> 24) & 0xFF) / 255.0;
        std::uint32_t& dst = image_.pixels[static_cast<std::size_t>(y) * image_.width + x];
        std::uint32_t out = 0xFF000000;
        for (int shift : {16, 8, 0}) {
            const double s = (colour >> shift) & 0xFF;
            const double d = (dst >> shift) & 0xFF;
            out |= static_cast<std::uint32_t>(std::lround(d + (s - d) * a)) << shift;
        }
        dst = out;
    }

    // Every pixel whose centre lies in [x0, x1) x [y0, y1).
    void fillRect(double x0, double y0, double x1, double y1, std::uint32_t colour) {
        for (int y = std::max(0, static_cast<int>(std::ceil(y0 - 0.5))); y + 0.5 < y1 && y < image_.height; ++y) {
            for (int x = std::max(0, static_cast<int>(std::ceil(x0 - 0.5))); x + 0.5 < x1 && x < image_.width; ++x) {
                blend(x, y, colour, 1.0);
            }
        }
    }

    // Every pixel whose centre lies in the triangle (either winding, edges included).
    void fillTriangle(Point a, Point b, Point c, std::uint32_t colour) {
        const double area = cross(a, b, c);
        if (area == 0.0) return;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
        const int x1 = std::min(image_.width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
        const int y1 = std::min(image_.height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const Point p{x + 0.5, y + 0.5};
                const double u = cross(a, b, p) * area, v = cross(b, c, p) * area, w = cross(c, a, p) * area;
                if (u >= 0.0 && v >= 0.0 && w >= 0.0) blend(x, y, colour, 1.0);
            }
        }
    }

    // A stroke of the given width with round ends.
    void line(Point a, Point b, double width, std::uint32_t colour) {
        const double r = width * 0.5;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - r - 1)));
        const int x1 = std::min(image_.width - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + r + 1)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - r - 1)));
        const int y1 = std::min(image_.height - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + r + 1)));
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double length2 = dx * dx + dy * dy;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
                const double t = length2 > 0.0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
                const double distance = std::hypot(px - t * dx, py - t * dy);
                blend(x, y, colour, r + 0.5 - distance);
            }
        }
    }

    void disc(Point c, double radius, std::uint32_t fill, std::uint32_t ring, double ringWidth) {
        const double outer = radius + ringWidth * 0.5;
        for (int y = static_cast<int>(std::floor(c.y - outer - 1)); y <= std::ceil(c.y + outer + 1); ++y) {
            for (int x = static_cast<int>(std::floor(c.x - outer - 1)); x <= std::ceil(c.x + outer + 1); ++x) {
                const double distance = std::hypot(x + 0.5 - c.x, y + 0.5 - c.y);
                blend(x, y, fill, radius + 0.5 - distance);
                blend(x, y, ring, ringWidth * 0.5 + 0.5 - std::fabs(distance - radius));
            }
        }
    }

private:
    static double cross(Point a, Point b, Point p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

    PlotImage& image_;
};

}  // namespace

std::uint32_t speedColour(double speed, double top) {
    const double t = std::clamp(top > 0.0 && std::isfinite(speed) ? speed / top : 0.0, 0.0, 1.0);
    // Hue from 240 degrees (blue) down to 0 (red), saturation 0.9, value 0.95.
    const double hue = (1.0 - t) * 240.0 / 60.0;
    const double chroma = 0.95 * 0.9;
    const double second = chroma * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
    const double low = 0.95 - chroma;
    double r = 0, g = 0, b = 0;
    switch (std::min(3, static_cast<int>(hue))) {
        case 0: r = chroma, g = second; break;
        case 1: r = second, g = chroma; break;
        case 2: g = chroma, b = second; break;
        default: g = second, b = chroma; break;
    }
    auto byte = [low](double v) { return static_cast<std::uint32_t>(std::lround((v + low) * 255.0)); };
    return 0xFF000000 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

TrackPlot::TrackPlot(const Track& track, int longSide)
    : track_(track),
      terrainWidth_(std::max(1, track.getTerrainWidth())),
      depth_(std::max(1, track.getTerrainDepth())),
      scale_(std::max(1, longSide) / std::max(terrainWidth_, depth_)),
      width_(static_cast<int>(terrainWidth_ * scale_) + 2 * kMargin),
      height_(static_cast<int>(depth_ * scale_) + 2 * kMargin + kLegendHeight) {}

double TrackPlot::topSpeed(const std::vector<TracePoint>& trace) {
    double top = 0.0;
    for (const TracePoint& t : trace) {
        if (std::isfinite(t.speed)) top = std::max(top, t.speed);
    }
    return top;
}

PlotImage TrackPlot::draw(const std::vector<TracePoint>& trace) const {
    PlotImage image{width_, height_, std::vector<std::uint32_t>(static_cast<std::size_t>(width_) * height_, kPaper)};
    Canvas canvas(image);
    auto at = [this](double x, double z) { return Point{pixelX(x), pixelY(z)}; };

    // Sand, and the walls inside the terrain's edge.
    canvas.fillRect(pixelX(0), pixelY(depth_), pixelX(terrainWidth_), pixelY(0), kSand);
    const Point corners[4] = {at(kWallInset, kWallInset), at(terrainWidth_ - kWallInset, kWallInset),
                              at(terrainWidth_ - kWallInset, depth_ - kWallInset), at(kWallInset, depth_ - kWallInset)};
    for (int k = 0; k < 4; ++k) canvas.line(corners[k], corners[(k + 1) % 4], 2.0, kWall);

    // The ribbon, quad by quad between the edges; an outline in the fill colour closes the seams
    // and the folds of tight bends.
    const auto& left = track_.getLeftEdge();
    const auto& right = track_.getRightEdge();
    const std::size_t edges = std::min(left.size(), right.size());
    for (std::size_t i = 0; i + 1 < edges; ++i) {
        const Point a = at(left[i].x, left[i].z), b = at(left[i + 1].x, left[i + 1].z);
        const Point c = at(right[i + 1].x, right[i + 1].z), d = at(right[i].x, right[i].z);
        canvas.fillTriangle(a, b, c, kRibbon);
        canvas.fillTriangle(a, c, d, kRibbon);
        canvas.line(a, b, 1.0, kRibbon);
        canvas.line(d, c, 1.0, kRibbon);
    }
    // The centre line, dashed: 6 pixels drawn, 4 left out.
    const auto& waypoints = track_.getWaypoints();
    double dashPhase = 0.0;
    for (std::size_t i = 0; i + 1 < waypoints.size(); ++i) {
        const Point a = at(waypoints[i].x, waypoints[i].z), b = at(waypoints[i + 1].x, waypoints[i + 1].z);
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        for (double s = 0.0; s < length;) {
            const double inDash = std::fmod(dashPhase, 10.0);
            const double step = std::min(length - s, inDash < 6.0 ? 6.0 - inDash : 10.0 - inDash);
            if (inDash < 6.0 && length > 0.0) {
                const Point p{a.x + (b.x - a.x) * s / length, a.y + (b.y - a.y) * s / length};
                const Point q{a.x + (b.x - a.x) * (s + step) / length, a.y + (b.y - a.y) * (s + step) / length};
                canvas.line(p, q, 1.0, kCentreLine);
            }
            s += step;
            dashPhase += step;
        }
    }
    if (edges > 0) canvas.line(at(left[0].x, left[0].z), at(right[0].x, right[0].z), 3.0, kStartLine);

    // The driven line, then the frames off the ribbon on top of it.
    const double top = topSpeed(trace);
    for (std::size_t i = 1; i < trace.size(); ++i) {
        canvas.line(at(trace[i - 1].x, trace[i - 1].z), at(trace[i].x, trace[i].z), 2.5,
                    speedColour(trace[i].speed, top));
    }
    // Rings under every disc, then the discs: ring over disc, a long run of frames off the ribbon
    // would show as a black smear with one red dot at its end.
    for (const bool ring : {true, false}) {
        for (const TracePoint& t : trace) {
            if (!t.offTrack) continue;
            const double radius = kOffTrackRadius + (ring ? 0.5 : -0.5) * kOffTrackRingWidth;
            const std::uint32_t colour = ring ? kOffTrackRing : kOffTrackFill;
            canvas.disc(at(t.x, t.z), radius, colour, colour, 0.0);
        }
    }

    // The legend's colour bar, slow to fast.
    for (int x = 0; x < kLegendBarWidth; ++x) {
        const std::uint32_t colour = speedColour(top * x / (kLegendBarWidth - 1), top);
        canvas.fillRect(legendBarX() + x, legendBarY(), legendBarX() + x + 1, legendBarY() + 14, colour);
    }
    return image;
}

std::vector<PlotText> TrackPlot::legendTexts(const std::vector<TracePoint>& trace,
                                             const std::string& trackName) const {
    int offFrames = 0;
    for (const TracePoint& t : trace) offFrames += t.offTrack ? 1 : 0;
    char top[32];
    std::snprintf(top, sizeof top, "%.0f", topSpeed(trace));
    char counts[96];
    std::snprintf(counts, sizeof counts, "%zu frames, %d off the track (red dots)", trace.size(), offFrames);
    return {{legendBarX(), legendBarY() + 32, "speed 0"},
            {legendBarX() + kLegendBarWidth - 60, legendBarY() + 32, top},
            {legendTextX(), legendTextY(), counts},
            {legendTextX(), legendTextY() + 20, "track " + trackName}};
}

}  // namespace torvask
