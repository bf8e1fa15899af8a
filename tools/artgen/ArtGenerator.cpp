#include "tools/artgen/ArtGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "gfx/DdsWriter.h"
#include "gfx/DxtEncoder.h"

namespace torvask::artgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Integer hashing keeps the output identical wherever it is built (no library random engine).
std::uint32_t hash3(int x, int y, std::uint32_t seed) {
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double random01(int x, int y, std::uint32_t seed) { return double(hash3(x, y, seed) & 0xFFFFFF) / double(0x1000000); }

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise on a lattice that repeats every `period` cells, so textures tile.
double valueNoise(double x, double y, int period, std::uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int x0 = int(fx);
    const int y0 = int(fy);
    auto at = [&](int i, int j) {
        const int wi = ((i % period) + period) % period;
        const int wj = ((j % period) + period) % period;
        return random01(wi, wj, seed);
    };
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * tx;
    const double b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * tx;
    return a + (b - a) * ty;
}

// Sum of octaves in [0, 1]; u, v in texture units [0, 1).
double fbm(double u, double v, int baseCells, int octaves, std::uint32_t seed) {
    double sum = 0.0;
    double weight = 0.5;
    double total = 0.0;
    int cells = baseCells;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(u * cells, v * cells, cells, seed + std::uint32_t(o) * 101u);
        total += weight;
        weight *= 0.5;
        cells *= 2;
    }
    return sum / total;
}

std::uint8_t clampByte(double value) { return std::uint8_t(std::clamp(std::lround(value), 0L, 255L)); }

ImageLevel blankLevel(int size) {
    ImageLevel level;
    level.width = size;
    level.height = size;
    level.data.assign(std::size_t(size) * std::size_t(size) * 4, 255);
    return level;
}

void put(ImageLevel& level, int x, int y, double r, double g, double b) {
    std::uint8_t* p = level.data.data() + (std::size_t(y) * level.width + x) * 4;
    p[0] = clampByte(r);
    p[1] = clampByte(g);
    p[2] = clampByte(b);
    p[3] = 255;
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

double smoothstep(double e0, double e1, double x) { return smooth(std::clamp((x - e0) / (e1 - e0), 0.0, 1.0)); }

}  // namespace

Image trackTexture(int size) {
    ImageLevel level = blankLevel(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size;
            const double v = (y + 0.5) / size;
            const double patches = fbm(u, v, 4, 4, 11);
            const double grain = random01(x, y, 12) - 0.5;
            double grey = 168.0 + (patches - 0.5) * 36.0 + grain * 26.0;
            if (random01(x, y, 13) > 0.985) grey += 45.0;  // light aggregate stones
            // Darker wheel tracks worn into the lanes.
            const double wear = std::exp(-std::pow((u - 0.3) / 0.06, 2.0)) + std::exp(-std::pow((u - 0.7) / 0.06, 2.0));
            grey -= wear * 14.0;
            // Slightly blue, so that under the scene's warm light (blue at 0.8) it reads neutral grey.
            double r = grey;
            double g = grey;
            double b = grey * 1.18;
            // White edge lines with slightly ragged paint.
            const double line = std::max(smoothstep(0.035, 0.045, u) * (1.0 - smoothstep(0.085, 0.095, u)),
                                         smoothstep(0.905, 0.915, u) * (1.0 - smoothstep(0.955, 0.965, u)));
            if (line > 0.0) {
                const double paint = 250.0 + grain * 10.0 - (patches - 0.5) * 10.0;
                r = mix(r, paint, line);
                g = mix(g, paint, line);
                b = mix(b, 255.0, line);
            }
            // A dashed centre line: one dash per segment, half its length.
            const double centre = smoothstep(0.49, 0.495, u) * (1.0 - smoothstep(0.505, 0.51, u));
            if (centre > 0.0 && v > 0.25 && v < 0.75) {
                r = mix(r, 235.0, centre);
                g = mix(g, 225.0, centre);
                b = mix(b, 160.0, centre);
            }
            put(level, x, y, r, g, b);
        }
    }
    return compressDxt1WithMips(level);
}

Image groundTexture(int size) {
    ImageLevel level = blankLevel(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size;
            const double v = (y + 0.5) / size;
            const double dunes = fbm(u, v, 3, 3, 21);
            const double warp = fbm(u, v, 8, 3, 22);
            // Wind ripples across the sand, bent by the warp field.
            const double angle = 0.6;
            const double along = (u * std::cos(angle) + v * std::sin(angle)) * size / 5.5 + warp * 14.0;
            const double ripple = 0.5 + 0.5 * std::sin(along * 2.0 * kPi / 1.0);
            const double rippleStrength = 0.35 + 0.65 * fbm(u, v, 6, 2, 23);
            const double grain = random01(x, y, 24) - 0.5;
            double light = 1.0 + (dunes - 0.5) * 0.22 + (ripple - 0.5) * 0.10 * rippleStrength + grain * 0.07;
            double r = 226.0 * light;
            double g = 196.0 * light;
            double b = 146.0 * light;
            // Redder, darker hollows and the odd pebble.
            const double hollow = smoothstep(0.55, 0.8, 1.0 - dunes);
            r = mix(r, r * 0.93, hollow);
            g = mix(g, g * 0.88, hollow);
            b = mix(b, b * 0.84, hollow);
            if (random01(x, y, 25) > 0.997) {
                r *= 0.62;
                g *= 0.58;
                b *= 0.55;
            }
            put(level, x, y, r, g, b);
        }
    }
    return compressDxt1WithMips(level);
}

void skyColour(double x, double y, double z, int rgb[3]) {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0) {
        rgb[0] = rgb[1] = rgb[2] = 0;
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const double elevation = std::asin(std::clamp(y, -1.0, 1.0));
    const double azimuth = std::atan2(x, z);

    // Sky: pale haze at the horizon to deep blue overhead.
    const double t = std::pow(std::clamp(elevation / (kPi / 2.0), 0.0, 1.0), 0.45);
    double r = mix(232.0, 62.0, t);
    double g = mix(220.0, 120.0, t);
    double b = mix(196.0, 205.0, t);

    // The sun, low in the south-east of the +x/-z quarter, with a warm glow.
    const double sunAzimuth = 2.2;
    const double sunElevation = 0.42;
    const double sx = std::cos(sunElevation) * std::sin(sunAzimuth);
    const double sy = std::sin(sunElevation);
    const double sz = std::cos(sunElevation) * std::cos(sunAzimuth);
    const double angle = std::acos(std::clamp(x * sx + y * sy + z * sz, -1.0, 1.0));
    const double glow = std::exp(-angle / 0.10) * 0.75 + std::exp(-angle / 0.5) * 0.25;
    r = mix(r, 255.0, glow);
    g = mix(g, 238.0, glow);
    b = mix(b, 190.0, glow);
    if (angle < 0.035) {
        const double edge = smoothstep(0.035, 0.028, angle);
        r = mix(r, 255.0, edge);
        g = mix(g, 252.0, edge);
        b = mix(b, 236.0, edge);
    }

    // Distant dunes: two ranges of rounded crests whose heights repeat around the horizon.
    auto ridge = [&](double a, double base, double scale, double phase) {
        double h = base;
        h += scale * (0.55 * std::pow(0.5 + 0.5 * std::sin(3.0 * a + phase), 2.0));
        h += scale * (0.30 * std::pow(0.5 + 0.5 * std::sin(7.0 * a + 2.1 * phase + 1.0), 3.0));
        h += scale * (0.15 * (0.5 + 0.5 * std::sin(13.0 * a + 0.7 * phase)));
        return h;
    };
    auto slopeShade = [&](double a, double base, double scale, double phase) {
        const double d = 0.002;
        const double slope = (ridge(a + d, base, scale, phase) - ridge(a - d, base, scale, phase)) / (2.0 * d);
        // The side facing the sun's azimuth is lit.
        return std::clamp(0.5 + 4.0 * slope * std::sin(a - sunAzimuth + kPi / 2.0) * -1.0, 0.0, 1.0);
    };
    // Silhouettes are blended over about one texel (0.003 rad) so they do not show steps.
    auto cover = [](double height, double e) { return std::clamp((height - e) / 0.004 + 0.5, 0.0, 1.0); };
    const double far = ridge(azimuth, 0.012, 0.085, 0.4);
    const double nearRange = ridge(azimuth, -0.008, 0.055, 2.3);
    const double farCover = elevation >= -0.004 ? cover(far, elevation) : 0.0;
    if (farCover > 0.0) {
        const double shade = slopeShade(azimuth, 0.012, 0.085, 0.4);
        const double haze = 0.4;
        r = mix(r, mix(mix(200.0, 236.0, shade), 232.0, haze), farCover);
        g = mix(g, mix(154.0, 200.0, shade) * (1.0 - haze) + 220.0 * haze, farCover);
        b = mix(b, mix(mix(104.0, 140.0, shade), 196.0, haze), farCover);
    }
    const double nearCover = elevation >= -0.004 ? cover(nearRange, elevation) : 0.0;
    if (nearCover > 0.0) {
        const double shade = slopeShade(azimuth, -0.008, 0.055, 2.3);
        const double haze = 0.15;
        r = mix(r, mix(mix(192.0, 230.0, shade), 232.0, haze), nearCover);
        g = mix(g, mix(mix(146.0, 192.0, shade), 220.0, haze), nearCover);
        b = mix(b, mix(mix(92.0, 126.0, shade), 196.0, haze), nearCover);
    }
    if (elevation < 0.0) {
        // The desert floor below the horizon, coloured as the lit ground looks, with a little
        // haze right at the horizon.
        const double t = smoothstep(0.0, 0.02, -elevation);
        const double floorR = mix(214.0, 208.0, t), floorG = mix(186.0, 176.0, t), floorB = mix(128.0, 106.0, t);
        const double edge = std::clamp(-elevation / 0.003, 0.0, 1.0);  // blend into the dunes' feet
        r = mix(r, floorR, edge);
        g = mix(g, floorG, edge);
        b = mix(b, floorB, edge);
    }
    rgb[0] = int(clampByte(r));
    rgb[1] = int(clampByte(g));
    rgb[2] = int(clampByte(b));
}

Image skyboxFace(int face, int size) {
    // Corners of each face at texture coordinates (0,0), (1,0) and (0,1), as the scene's skybox
    // lays them out (a cube of half-size 10 around the eye).
    static const double kCorners[6][3][3] = {
        {{10, 10, -10}, {10, 10, 10}, {-10, 10, -10}},     // 0: top
        {{-10, -10, 10}, {10, -10, 10}, {-10, -10, -10}},  // 1: bottom
        {{-10, 10, -10}, {-10, 10, 10}, {-10, -10, -10}},  // 2: -x
        {{10, 10, 10}, {10, 10, -10}, {10, -10, 10}},      // 3: +x
        {{-10, 10, 10}, {10, 10, 10}, {-10, -10, 10}},     // 4: +z
        {{10, 10, -10}, {-10, 10, -10}, {10, -10, -10}},   // 5: -z
    };
    ImageLevel level = blankLevel(size);
    if (face < 0 || face > 5) return Image{};
    const auto& c = kCorners[face];
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size;
            const double v = (y + 0.5) / size;
            double p[3];
            for (int k = 0; k < 3; ++k) p[k] = c[0][k] + u * (c[1][k] - c[0][k]) + v * (c[2][k] - c[0][k]);
            int rgb[3];
            skyColour(p[0], p[1], p[2], rgb);
            // A trace of texel noise breaks up banding in the gradient.
            const double dither = (random01(x, y, 31 + std::uint32_t(face)) - 0.5) * 2.0;
            put(level, x, y, rgb[0] + dither, rgb[1] + dither, rgb[2] + dither);
        }
    }
    return rgbaWithMips(level);
}

Image startLineTexture(int size) {
    ImageLevel level = blankLevel(size);
    const int half = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool white = (x < half) == (y < half);
            // Painted on asphalt: slightly worn, never pure black or white.
            const double grain = (random01(x, y, 41) - 0.5) * 14.0;
            const double shade = (white ? 238.0 : 30.0) + grain;
            put(level, x, y, shade, shade, white ? shade * 1.05 : shade * 1.18);
        }
    }
    return compressDxt1WithMips(level);
}

Image shadowTexture(int size) {
    ImageLevel level = blankLevel(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Distance outside a rounded rectangle of half-size 0.62 x 0.66 (texture units from
            // the centre, corner radius 0.15): about the car's footprint on the scene's quad, so
            // the dark core lies under the car and the soft edge shows round it, fading out over
            // 0.3 and gone before the border.
            const double u = std::abs((x + 0.5) / size * 2.0 - 1.0);
            const double v = std::abs((y + 0.5) / size * 2.0 - 1.0);
            const double radius = 0.15;
            const double qx = std::max(u - (0.62 - radius), 0.0);
            const double qy = std::max(v - (0.66 - radius), 0.0);
            const double outside = std::sqrt(qx * qx + qy * qy) - radius;
            const double alpha = 0.6 * (1.0 - smoothstep(-0.05, 0.3, outside));
            std::uint8_t* p = level.data.data() + (std::size_t(y) * level.width + x) * 4;
            p[0] = p[1] = p[2] = 0;
            p[3] = clampByte(alpha * 255.0);
        }
    }
    return rgbaWithMips(level);
}

Image liveryTexture(int size) {
    ImageLevel level = blankLevel(size);
    const double paint[3] = {26.0, 92.0, 219.0};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size;
            const double v = (y + 0.5) / size;
            // A faint metallic fleck all over.
            const double fleck = (random01(x, y, 51) - 0.5) * 10.0 + (fbm(u, v, 4, 3, 52) - 0.5) * 14.0;
            double r = paint[0] + fleck, g = paint[1] + fleck, b = paint[2] + fleck;
            if (v < 0.5) {
                const double side = v * 2.0;  // 0 at the roof line, 1 at the sill
                // White waist stripe with a thin dark pinstripe under it.
                const double stripe = smoothstep(0.555, 0.565, side) * (1.0 - smoothstep(0.625, 0.635, side));
                const double pin = smoothstep(0.645, 0.65, side) * (1.0 - smoothstep(0.66, 0.665, side));
                // Door seams on the side, between the wheel arches.
                const double seam = std::max(std::exp(-std::pow((u - 0.36) / 0.003, 2.0)),
                                             std::exp(-std::pow((u - 0.62) / 0.003, 2.0))) *
                                    smoothstep(0.30, 0.34, side) * (1.0 - smoothstep(0.86, 0.9, side));
                r = mix(r, 245.0, stripe);
                g = mix(g, 245.0, stripe);
                b = mix(b, 245.0, stripe);
                r = mix(r, 20.0, std::max(pin, seam * 0.8));
                g = mix(g, 24.0, std::max(pin, seam * 0.8));
                b = mix(b, 40.0, std::max(pin, seam * 0.8));
                // The number roundel on the door: a white disc with a dark seven.
                const double du = (u - 0.49) * 4.0;  // the side is 4 units long, 1.2 high
                const double dv = (side - 0.62) * 1.2 * 2.0;
                const double disc = 1.0 - smoothstep(0.27, 0.29, std::sqrt(du * du + dv * dv));
                if (disc > 0.0) {
                    r = mix(r, 248.0, disc);
                    g = mix(g, 248.0, disc);
                    b = mix(b, 248.0, disc);
                    // The seven: a bar along the top and a slanted stroke down from its right end.
                    const double bar = (std::abs(dv + 0.13) < 0.035 && std::abs(du) < 0.12) ? 1.0 : 0.0;
                    const double t = (dv + 0.13) / 0.30;  // 0 at the bar, 1 at the foot
                    const double strokeU = 0.11 - t * 0.14;
                    const double stroke = (t >= 0.0 && t <= 1.0 && std::abs(du - strokeU) < 0.04) ? 1.0 : 0.0;
                    const double digit = std::max(bar, stroke);
                    r = mix(r, 25.0, digit);
                    g = mix(g, 25.0, digit);
                    b = mix(b, 30.0, digit);
                }
            }
            put(level, x, y, r, g, b);
        }
    }
    return compressDxt1WithMips(level);
}

bool writeAll(const std::string& root, std::string* error) {
    namespace fs = std::filesystem;
    auto failWith = [&](const std::string& what) {
        if (error) *error = what;
        return false;
    };
    std::error_code ec;
    const fs::path base(root);
    for (const char* folder : {"tracks", "enviro/desert", "cars/default"}) {
        fs::create_directories(base / folder, ec);
        if (ec) return failWith("cannot create " + (base / folder).string());
    }
    if (!writeDdsFile((base / "tracks/track.dds").string(), trackTexture())) {
        return failWith("cannot write track.dds");
    }
    if (!writeDdsFile((base / "tracks/startline.dds").string(), startLineTexture())) {
        return failWith("cannot write startline.dds");
    }
    if (!writeDdsFile((base / "cars/default/livery.dds").string(), liveryTexture())) {
        return failWith("cannot write livery.dds");
    }
    if (!writeDdsFile((base / "cars/default/shadow.dds").string(), shadowTexture(), DdsLayout::Bgra32)) {
        return failWith("cannot write shadow.dds");
    }
    if (!writeDdsFile((base / "enviro/desert/ground.dds").string(), groundTexture())) {
        return failWith("cannot write ground.dds");
    }
    for (int face = 0; face < 6; ++face) {
        const std::string name = "enviro/desert/skybox" + std::to_string(face) + ".dds";
        if (!writeDdsFile((base / name).string(), skyboxFace(face), DdsLayout::Bgr24)) {
            return failWith("cannot write " + name);
        }
    }
    std::ofstream car(base / "cars/default/car.x", std::ios::binary | std::ios::trunc);
    const std::string text = carMeshText();
    car.write(text.data(), std::streamsize(text.size()));
    if (!car) return failWith("cannot write car.x");
    return true;
}

}  // namespace torvask::artgen
