#include "gfx/Image.h"

#include <algorithm>

namespace torvask {

namespace {

std::size_t blockBytes(PixelFormat format) { return format == PixelFormat::Dxt1 ? 8 : 16; }

struct Rgb {
    int r, g, b;
};

Rgb expand565(std::uint16_t c) {
    const int r = (c >> 11) & 31;
    const int g = (c >> 5) & 63;
    const int b = c & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

std::uint16_t read16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

// Decodes the 8-byte colour half of a block into 16 RGBA texels. DXT1 blocks with c0 <= c1
// use the three-colour mode with transparent black; DXT3/5 colour halves never do.
void decodeColourBlock(const std::uint8_t* block, bool allowThreeColour, std::uint8_t out[16][4]) {
    const std::uint16_t c0 = read16(block);
    const std::uint16_t c1 = read16(block + 2);
    const Rgb a = expand565(c0);
    const Rgb b = expand565(c1);
    std::uint8_t palette[4][4] = {
        {std::uint8_t(a.r), std::uint8_t(a.g), std::uint8_t(a.b), 255},
        {std::uint8_t(b.r), std::uint8_t(b.g), std::uint8_t(b.b), 255},
        {0, 0, 0, 255},
        {0, 0, 0, 255},
    };
    if (c0 > c1 || !allowThreeColour) {
        palette[2][0] = std::uint8_t((2 * a.r + b.r) / 3);
        palette[2][1] = std::uint8_t((2 * a.g + b.g) / 3);
        palette[2][2] = std::uint8_t((2 * a.b + b.b) / 3);
        palette[3][0] = std::uint8_t((a.r + 2 * b.r) / 3);
        palette[3][1] = std::uint8_t((a.g + 2 * b.g) / 3);
        palette[3][2] = std::uint8_t((a.b + 2 * b.b) / 3);
    } else {
        palette[2][0] = std::uint8_t((a.r + b.r) / 2);
        palette[2][1] = std::uint8_t((a.g + b.g) / 2);
        palette[2][2] = std::uint8_t((a.b + b.b) / 2);
        palette[3][3] = 0;
    }
    const std::uint32_t bits = std::uint32_t(block[4]) | (std::uint32_t(block[5]) << 8) |
                               (std::uint32_t(block[6]) << 16) | (std::uint32_t(block[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        const int index = (bits >> (2 * i)) & 3;
        std::copy(palette[index], palette[index] + 4, out[i]);
    }
}

void decodeExplicitAlpha(const std::uint8_t* block, std::uint8_t out[16][4]) {
    for (int i = 0; i < 16; ++i) {
        const int nibble = (block[i / 2] >> ((i % 2) * 4)) & 15;
        out[i][3] = std::uint8_t(nibble * 17);
    }
}

void decodeInterpolatedAlpha(const std::uint8_t* block, std::uint8_t out[16][4]) {
    const int a0 = block[0];
    const int a1 = block[1];
    int palette[8] = {a0, a1, 0, 0, 0, 0, 0, 0};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) palette[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (int i = 1; i < 5; ++i) palette[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        palette[6] = 0;
        palette[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= std::uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i][3] = std::uint8_t(palette[(bits >> (3 * i)) & 7]);
}

}  // namespace

std::size_t levelByteSize(PixelFormat format, int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    if (format == PixelFormat::Rgba8) return std::size_t(width) * std::size_t(height) * 4;
    const std::size_t bw = std::size_t((width + 3) / 4);
    const std::size_t bh = std::size_t((height + 3) / 4);
    return bw * bh * blockBytes(format);
}

int fullMipCount(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    int side = std::max(width, height);
    int count = 1;
    while (side > 1) {
        side /= 2;
        ++count;
    }
    return count;
}

const char* imageErrorName(ImageError error) {
    switch (error) {
        case ImageError::None: return "no error";
        case ImageError::FileUnreadable: return "file unreadable";
        case ImageError::NotRecognised: return "not a recognised image";
        case ImageError::Truncated: return "truncated";
        case ImageError::BadHeader: return "bad header";
        case ImageError::BadDimensions: return "bad dimensions";
        case ImageError::UnsupportedFormat: return "unsupported pixel format";
        case ImageError::CubeMap: return "cube map";
        case ImageError::VolumeTexture: return "volume texture";
        case ImageError::DecoderFailed: return "decoder failed";
    }
    return "unknown";
}

bool decompressDxtLevel(PixelFormat format, const ImageLevel& level, std::vector<std::uint8_t>& rgba) {
    if (format == PixelFormat::Rgba8 || level.width <= 0 || level.height <= 0) return false;
    if (level.data.size() < levelByteSize(format, level.width, level.height)) return false;
    rgba.assign(std::size_t(level.width) * std::size_t(level.height) * 4, 0);
    const int blocksWide = (level.width + 3) / 4;
    const int blocksHigh = (level.height + 3) / 4;
    const std::size_t stride = blockBytes(format);
    std::uint8_t texels[16][4];
    for (int by = 0; by < blocksHigh; ++by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            const std::uint8_t* block = level.data.data() + (std::size_t(by) * blocksWide + bx) * stride;
            switch (format) {
                case PixelFormat::Dxt1: decodeColourBlock(block, true, texels); break;
                case PixelFormat::Dxt3:
                    decodeColourBlock(block + 8, false, texels);
                    decodeExplicitAlpha(block, texels);
                    break;
                case PixelFormat::Dxt5:
                    decodeColourBlock(block + 8, false, texels);
                    decodeInterpolatedAlpha(block, texels);
                    break;
                case PixelFormat::Rgba8: return false;
            }
            for (int i = 0; i < 16; ++i) {
                const int x = bx * 4 + i % 4;
                const int y = by * 4 + i / 4;
                if (x >= level.width || y >= level.height) continue;
                std::copy(texels[i], texels[i] + 4, rgba.data() + (std::size_t(y) * level.width + x) * 4);
            }
        }
    }
    return true;
}

ImageLevel downsampleRgba(const ImageLevel& level) {
    ImageLevel out;
    out.width = std::max(1, level.width / 2);
    out.height = std::max(1, level.height / 2);
    out.data.assign(std::size_t(out.width) * std::size_t(out.height) * 4, 0);
    for (int y = 0; y < out.height; ++y) {
        const int y0 = std::min(level.height - 1, y * 2);
        const int y1 = std::min(level.height - 1, y * 2 + 1);
        for (int x = 0; x < out.width; ++x) {
            const int x0 = std::min(level.width - 1, x * 2);
            const int x1 = std::min(level.width - 1, x * 2 + 1);
            for (int c = 0; c < 4; ++c) {
                auto at = [&](int px, int py) {
                    return int(level.data[(std::size_t(py) * level.width + px) * 4 + c]);
                };
                const int sum = at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1);
                out.data[(std::size_t(y) * out.width + x) * 4 + c] = std::uint8_t((sum + 2) / 4);
            }
        }
    }
    return out;
}

}  // namespace torvask
