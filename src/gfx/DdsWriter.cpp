#include "gfx/DdsWriter.h"

#include <cstdio>
#include <fstream>

#include "gfx/DdsFormat.h"

namespace torvask {

namespace {

void put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

bool levelsConsistent(const Image& image) {
    if (image.levels.empty()) return false;
    int w = image.width();
    int h = image.height();
    for (const ImageLevel& level : image.levels) {
        if (level.width != w || level.height != h) return false;
        if (level.data.size() != levelByteSize(image.format, w, h)) return false;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    return int(image.levels.size()) <= fullMipCount(image.width(), image.height());
}

}  // namespace

std::vector<std::uint8_t> encodeDds(const Image& image, DdsLayout layout) {
    if (!levelsConsistent(image)) return {};
    if (image.compressed()) {
        layout = DdsLayout::AsImage;
    } else if (layout == DdsLayout::AsImage) {
        layout = DdsLayout::Bgra32;
    }
    std::vector<std::uint8_t> bytes(dds::kDataOffset, 0);
    put32(bytes, 0, dds::kMagic);
    put32(bytes, dds::kOffSize, dds::kHeaderSize);
    const bool mipmapped = image.levels.size() > 1;
    std::uint32_t flags = dds::kFlagCaps | dds::kFlagHeight | dds::kFlagWidth | dds::kFlagPixelFormat;
    if (mipmapped) flags |= dds::kFlagMipCount;
    put32(bytes, dds::kOffHeight, std::uint32_t(image.height()));
    put32(bytes, dds::kOffWidth, std::uint32_t(image.width()));
    put32(bytes, dds::kOffMipCount, mipmapped ? std::uint32_t(image.levels.size()) : 0u);
    put32(bytes, dds::kOffPfSize, dds::kPixelFormatSize);
    if (layout == DdsLayout::AsImage) {
        flags |= dds::kFlagLinearSize;
        put32(bytes, dds::kOffPitch, std::uint32_t(image.levels[0].data.size()));
        put32(bytes, dds::kOffPfFlags, dds::kPfFourCC);
        const std::uint32_t code = image.format == PixelFormat::Dxt1   ? dds::kFourCCDxt1
                                   : image.format == PixelFormat::Dxt3 ? dds::kFourCCDxt3
                                                                       : dds::kFourCCDxt5;
        put32(bytes, dds::kOffFourCC, code);
    } else {
        const int bytesPerTexel = layout == DdsLayout::Bgra32 ? 4 : 3;
        flags |= dds::kFlagPitch;
        put32(bytes, dds::kOffPitch, std::uint32_t(image.width() * bytesPerTexel));
        put32(bytes, dds::kOffPfFlags, dds::kPfRgb | (bytesPerTexel == 4 ? dds::kPfAlphaPixels : 0u));
        put32(bytes, dds::kOffBitCount, std::uint32_t(bytesPerTexel * 8));
        put32(bytes, dds::kOffRMask, 0x00FF0000u);
        put32(bytes, dds::kOffGMask, 0x0000FF00u);
        put32(bytes, dds::kOffBMask, 0x000000FFu);
        put32(bytes, dds::kOffAMask, bytesPerTexel == 4 ? 0xFF000000u : 0u);
    }
    put32(bytes, dds::kOffFlags, flags);
    std::uint32_t caps = dds::kCapsTexture;
    if (mipmapped) caps |= dds::kCapsComplex | dds::kCapsMipmap;
    put32(bytes, dds::kOffCaps, caps);

    for (const ImageLevel& level : image.levels) {
        if (layout == DdsLayout::AsImage) {
            bytes.insert(bytes.end(), level.data.begin(), level.data.end());
            continue;
        }
        const std::size_t texels = std::size_t(level.width) * std::size_t(level.height);
        for (std::size_t i = 0; i < texels; ++i) {
            const std::uint8_t* rgba = level.data.data() + i * 4;
            bytes.push_back(rgba[2]);
            bytes.push_back(rgba[1]);
            bytes.push_back(rgba[0]);
            if (layout == DdsLayout::Bgra32) bytes.push_back(rgba[3]);
        }
    }
    return bytes;
}

bool writeDdsFile(const std::string& path, const Image& image, DdsLayout layout) {
    const std::vector<std::uint8_t> bytes = encodeDds(image, layout);
    if (bytes.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace torvask
