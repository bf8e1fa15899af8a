#pragma once
// A top view of a drive, drawn into a pixel buffer: the terrain's sand and walls, the track ribbon
// with its centre line and start line, the driven line coloured by speed (slow blue, fast red,
// through green and yellow) and a red disc on every frame off the ribbon, above a legend bar
// for the speed colours. Text is the caller's: it knows the fonts (see legendTextOrigin).
// Looking down on the ground: render x to the right, render z up the page.
#include <cstdint>
#include <string>
#include <vector>

namespace torvask {

class Track;

// One frame of a drive on the ground plane (render units) and its speed (display units).
struct TracePoint {
    double x = 0.0;
    double z = 0.0;
    double speed = 0.0;
    bool offTrack = false;
};

// Pixels row by row from the top, each 0xAARRGGBB (opaque throughout).
struct PlotImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A line of the legend: its text and where its baseline starts, in pixels.
struct PlotText {
    int x = 0;
    int y = 0;
    std::string text;
};

class TrackPlot {
public:
    static constexpr int kMargin = 40;
    static constexpr int kLegendHeight = 70;
    static constexpr int kLegendBarWidth = 300;
    static constexpr double kOffTrackRadius = 3.5;

    // longSide: pixels across the terrain's longer side (margins and legend come on top).
    explicit TrackPlot(const Track& track, int longSide = 900);

    int width() const { return width_; }
    int height() const { return height_; }
    // Where a ground point (render x, z) lands, in pixels from the top-left corner.
    double pixelX(double x) const { return kMargin + x * scale_; }
    double pixelY(double z) const { return kMargin + (depth_ - z) * scale_; }
    // The legend's colour bar runs from (legendBarX, legendBarY) kLegendBarWidth wide, 14 high;
    // texts start at legendTextX, their first baseline at legendTextY and the second 20 below.
    int legendBarX() const { return kMargin; }
    int legendBarY() const { return height_ - kLegendHeight + 10; }
    int legendTextX() const { return kMargin + kLegendBarWidth + 30; }
    int legendTextY() const { return legendBarY() + 12; }

    // The highest speed of a trace: the red end of the colours.
    static double topSpeed(const std::vector<TracePoint>& trace);
    PlotImage draw(const std::vector<TracePoint>& trace) const;
    // The legend's words for draw's picture: the ends of the speed scale, the frame counts and
    // the track's name. Drawn at 14 pixels in a sans-serif face they fit the legend.
    std::vector<PlotText> legendTexts(const std::vector<TracePoint>& trace, const std::string& trackName) const;

private:
    const Track& track_;
    double terrainWidth_;
    double depth_;
    double scale_;
    int width_;
    int height_;
};

// The colour of a speed on a scale up to top: blue at 0, red at top and above (0xFFRRGGBB).
std::uint32_t speedColour(double speed, double top);

}  // namespace torvask
