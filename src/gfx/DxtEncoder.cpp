#include "gfx/DxtEncoder.h"

#include <algorithm>
#include <utility>

namespace torvask {

namespace {

std::uint16_t pack565(int r, int g, int b) {
    const int r5 = (r * 31 + 127) / 255;
    const int g6 = (g * 63 + 127) / 255;
    const int b5 = (b * 31 + 127) / 255;
    return std::uint16_t((r5 << 11) | (g6 << 5) | b5);
}

void unpack565(std::uint16_t c, int out[3]) {
    const int r = (c >> 11) & 31;
    const int g = (c >> 5) & 63;
    const int b = c & 31;
    out[0] = (r << 3) | (r >> 2);
    out[1] = (g << 2) | (g >> 4);
    out[2] = (b << 3) | (b >> 2);
}

}  // namespace

ImageLevel compressDxt1Level(const ImageLevel& rgba) {
    ImageLevel out;
    if (rgba.width <= 0 || rgba.height <= 0 ||
        rgba.data.size() != std::size_t(rgba.width) * std::size_t(rgba.height) * 4) {
        return out;
    }
    out.width = rgba.width;
    out.height = rgba.height;
    const int blocksWide = (rgba.width + 3) / 4;
    const int blocksHigh = (rgba.height + 3) / 4;
    out.data.resize(std::size_t(blocksWide) * std::size_t(blocksHigh) * 8);
    for (int by = 0; by < blocksHigh; ++by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            int texels[16][3];
            for (int i = 0; i < 16; ++i) {
                // Blocks hanging over the edge repeat the last row/column.
                const int x = std::min(rgba.width - 1, bx * 4 + i % 4);
                const int y = std::min(rgba.height - 1, by * 4 + i / 4);
                const std::uint8_t* p = rgba.data.data() + (std::size_t(y) * rgba.width + x) * 4;
                texels[i][0] = p[0];
                texels[i][1] = p[1];
                texels[i][2] = p[2];
            }
            int lo = 0;
            int hi = 0;
            auto luma = [&](int i) { return texels[i][0] * 2 + texels[i][1] * 4 + texels[i][2]; };
            for (int i = 1; i < 16; ++i) {
                if (luma(i) < luma(lo)) lo = i;
                if (luma(i) > luma(hi)) hi = i;
            }
            std::uint16_t c0 = pack565(texels[hi][0], texels[hi][1], texels[hi][2]);
            std::uint16_t c1 = pack565(texels[lo][0], texels[lo][1], texels[lo][2]);
            if (c0 < c1) std::swap(c0, c1);
            std::uint32_t indices = 0;
            if (c0 != c1) {
                int a[3];
                int b[3];
                unpack565(c0, a);
                unpack565(c1, b);
                int palette[4][3];
                for (int c = 0; c < 3; ++c) {
                    palette[0][c] = a[c];
                    palette[1][c] = b[c];
                    palette[2][c] = (2 * a[c] + b[c]) / 3;
                    palette[3][c] = (a[c] + 2 * b[c]) / 3;
                }
                for (int i = 0; i < 16; ++i) {
                    int best = 0;
                    int bestDistance = 1 << 30;
                    for (int p = 0; p < 4; ++p) {
                        int distance = 0;
                        for (int c = 0; c < 3; ++c) {
                            const int d = texels[i][c] - palette[p][c];
                            distance += d * d;
                        }
                        if (distance < bestDistance) {
                            bestDistance = distance;
                            best = p;
                        }
                    }
                    indices |= std::uint32_t(best) << (2 * i);
                }
            }
            // c0 == c1 would select three-colour mode; all indices 0 keep every texel opaque.
            std::uint8_t* block = out.data.data() + (std::size_t(by) * blocksWide + bx) * 8;
            block[0] = std::uint8_t(c0);
            block[1] = std::uint8_t(c0 >> 8);
            block[2] = std::uint8_t(c1);
            block[3] = std::uint8_t(c1 >> 8);
            for (int i = 0; i < 4; ++i) block[4 + i] = std::uint8_t(indices >> (8 * i));
        }
    }
    return out;
}

Image rgbaWithMips(const ImageLevel& top) {
    Image image;
    image.format = PixelFormat::Rgba8;
    image.levels.push_back(top);
    while (image.levels.back().width > 1 || image.levels.back().height > 1) {
        image.levels.push_back(downsampleRgba(image.levels.back()));
    }
    return image;
}

Image compressDxt1WithMips(const ImageLevel& top) {
    Image rgba = rgbaWithMips(top);
    Image image;
    image.format = PixelFormat::Dxt1;
    for (const ImageLevel& level : rgba.levels) image.levels.push_back(compressDxt1Level(level));
    return image;
}

}  // namespace torvask
