#pragma once
// PNG and JPEG encoders for the tests: pictures made with the same libraries the decoders use.
#include <cstdint>
#include <vector>

#include "gfx/Image.h"

namespace torvask {

// pixels laid out in the libpng simplified-API format (PNG_FORMAT_RGBA, _RGB, _GRAY, ...).
std::vector<std::uint8_t> encodePng(int width, int height, std::uint32_t format,
                                    const std::vector<std::uint8_t>& pixels);
// rgb: 3 bytes a pixel. Quality 100 without chroma subsampling, so flat colours stay flat.
std::vector<std::uint8_t> encodeJpeg(int width, int height, const std::vector<std::uint8_t>& rgb);

// An RGBA level as PNG, and as JPEG (alpha dropped).
std::vector<std::uint8_t> pngOf(const ImageLevel& level);
std::vector<std::uint8_t> jpegOf(const ImageLevel& level);

}  // namespace torvask
