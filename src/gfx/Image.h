#pragma once
// A decoded texture image: every mip level of one 2-D picture, either as 8-bit RGBA texels
// (byte order R, G, B, A, rows top to bottom) or as the DXT blocks the file stored, kept
// compressed so the device can upload them as they are.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvask {

enum class PixelFormat {
    Rgba8,  // 4 bytes per texel
    Dxt1,   // 8 bytes per 4x4 block
    Dxt3,   // 16 bytes per 4x4 block
    Dxt5,   // 16 bytes per 4x4 block
};

// Why a decode failed; None after success.
enum class ImageError {
    None,
    FileUnreadable,     // the file could not be opened or read
    NotRecognised,      // no known signature at the start of the data
    Truncated,          // the data ends before the picture (or a mip level) does
    BadHeader,          // inconsistent header fields
    BadDimensions,      // a side of 0, above kMaxImageSide, or too many texels
    UnsupportedFormat,  // a pixel layout this reader does not decode
    CubeMap,            // cube maps are not 2-D textures
    VolumeTexture,      // nor are volume textures
    DecoderFailed,      // the PNG or JPEG decoder rejected the data
};

// Largest accepted side in texels, and the largest texel count of the top level: a small
// hostile file must not make us allocate gigabytes.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::uint64_t kMaxImageTexels = std::uint64_t(8192) * 8192;
// PNG and JPEG pictures may declare at most this many texels per byte of file, and any picture
// up to kMinTexelAllowance texels: far beyond what real pictures reach, far below what a few
// hostile bytes could otherwise make us allocate.
inline constexpr std::uint64_t kMaxTexelsPerFileByte = 8192;
inline constexpr std::uint64_t kMinTexelAllowance = std::uint64_t(1024) * 1024;
// The largest image file read: a full mip chain of the largest picture, uncompressed, and room
// for headers. Anything larger cannot be a texture we would take.
inline constexpr std::uint64_t kMaxImageFileBytes = kMaxImageTexels * 4 / 3 * 4 + 4096;

struct ImageLevel {
    int width = 0;   // texels
    int height = 0;  // texels
    std::vector<std::uint8_t> data;
};

struct Image {
    PixelFormat format = PixelFormat::Rgba8;
    std::vector<ImageLevel> levels;  // level 0 is the full-size picture

    int width() const { return levels.empty() ? 0 : levels[0].width; }
    int height() const { return levels.empty() ? 0 : levels[0].height; }
    bool compressed() const { return format != PixelFormat::Rgba8; }
};

// Bytes one level of the given size takes in the given format (compressed formats round
// each side up to whole 4x4 blocks).
std::size_t levelByteSize(PixelFormat format, int width, int height);

// Number of levels of a full mip chain down to 1x1 for a picture of that size.
int fullMipCount(int width, int height);

// A short English name for a failure, for messages and test output.
const char* imageErrorName(ImageError error);

// Expands one DXT level to RGBA8 (used where compressed upload is unavailable, and by tests).
// Returns false if the data is shorter than the level needs.
bool decompressDxtLevel(PixelFormat format, const ImageLevel& level, std::vector<std::uint8_t>& rgba);

// Halves an RGBA8 level with a 2x2 box filter (odd sides keep their last row/column weighted
// in); used to complete a mip chain the file did not carry.
ImageLevel downsampleRgba(const ImageLevel& level);

}  // namespace torvask
