// The application icon: a steering wheel on a red disc, the same picture the window draws for
// itself, here as the desktop's icon theme wants it (PNGs of several sizes and an SVG).
#include <png.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "tools/artgen/ArtGenerator.h"

namespace torvask::artgen {
namespace {

constexpr double kCanvas = 64.0;  // the picture is drawn on a 64-unit square, y down
constexpr int kSamples = 4;       // per side of a pixel, for smooth edges at every size

struct Rgba {
    double r, g, b, a;
};
constexpr Rgba kRed{200, 40, 30, 1};
constexpr Rgba kDark{30, 30, 30, 1};

double distanceToSegment(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

// The colour at one point of the canvas, front-most shape first: hub, spokes, rim, disc.
Rgba colourAt(double x, double y) {
    const double r = std::hypot(x - 32.0, y - 32.0);
    if (r <= 6.0) return kDark;
    if (distanceToSegment(x, y, 12, 30, 52, 30) <= 3.0 || distanceToSegment(x, y, 32, 32, 32, 52) <= 3.0)
        return kDark;
    if (std::abs(r - 21.0) <= 3.5) return kDark;
    if (r <= 30.0) return kRed;
    return Rgba{0, 0, 0, 0};
}

}  // namespace

Image appIcon(int size) {
    Image image;
    ImageLevel level;
    level.width = level.height = size;
    level.data.resize(std::size_t(size) * std::size_t(size) * 4);
    const double scale = kCanvas / size;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            // Colours are averaged weighted by coverage, so edges do not darken towards black.
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgba c =
                        colourAt((px + (sx + 0.5) / kSamples) * scale, (py + (sy + 0.5) / kSamples) * scale);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            std::uint8_t* texel = &level.data[(std::size_t(py) * std::size_t(size) + std::size_t(px)) * 4];
            const double n = kSamples * kSamples;
            texel[0] = static_cast<std::uint8_t>(a > 0 ? std::lround(r / a) : 0);
            texel[1] = static_cast<std::uint8_t>(a > 0 ? std::lround(g / a) : 0);
            texel[2] = static_cast<std::uint8_t>(a > 0 ? std::lround(b / a) : 0);
            texel[3] = static_cast<std::uint8_t>(std::lround(255.0 * a / n));
        }
    }
    image.levels.push_back(std::move(level));
    return image;
}

std::string appIconSvg() {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
           "  <circle cx=\"32\" cy=\"32\" r=\"30\" fill=\"#c8281e\"/>\n"
           "  <circle cx=\"32\" cy=\"32\" r=\"21\" fill=\"none\" stroke=\"#1e1e1e\" stroke-width=\"7\"/>\n"
           "  <g stroke=\"#1e1e1e\" stroke-width=\"6\" stroke-linecap=\"round\">\n"
           "    <line x1=\"12\" y1=\"30\" x2=\"52\" y2=\"30\"/>\n"
           "    <line x1=\"32\" y1=\"32\" x2=\"32\" y2=\"52\"/>\n"
           "  </g>\n"
           "  <circle cx=\"32\" cy=\"32\" r=\"6\" fill=\"#1e1e1e\"/>\n"
           "</svg>\n";
}

bool writeIcons(const std::string& root, const std::string& name, std::string* error) {
    namespace fs = std::filesystem;
    auto failWith = [&](const std::string& what) {
        if (error) *error = what;
        return false;
    };
    std::error_code ec;
    for (int size : kAppIconSizes) {
        const std::string side = std::to_string(size);
        const fs::path folder = fs::path(root) / (side + "x" + side) / "apps";
        fs::create_directories(folder, ec);
        if (ec) return failWith("cannot create " + folder.string());
        const Image icon = appIcon(size);
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = static_cast<png_uint_32>(size);
        png.height = static_cast<png_uint_32>(size);
        png.format = PNG_FORMAT_RGBA;
        const fs::path file = folder / (name + ".png");
        if (!png_image_write_to_file(&png, file.c_str(), 0, icon.levels[0].data.data(), 0, nullptr)) {
            return failWith("cannot write " + file.string());
        }
    }
    const fs::path scalable = fs::path(root) / "scalable/apps";
    fs::create_directories(scalable, ec);
    if (ec) return failWith("cannot create " + scalable.string());
    std::ofstream svg(scalable / (name + ".svg"), std::ios::binary | std::ios::trunc);
    const std::string text = appIconSvg();
    svg.write(text.data(), std::streamsize(text.size()));
    if (!svg) return failWith("cannot write " + name + ".svg");
    return true;
}

}  // namespace torvask::artgen
