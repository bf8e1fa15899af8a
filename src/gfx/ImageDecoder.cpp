#include "gfx/ImageDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "gfx/DdsFormat.h"

namespace torvask {

namespace {

bool fail(Image& image, ImageError* error, ImageError why) {
    image = Image{};
    if (error) *error = why;
    return false;
}

bool succeed(ImageError* error) {
    if (error) *error = ImageError::None;
    return true;
}

std::uint32_t read32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

bool sideAcceptable(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= std::uint64_t(kMaxImageSide) &&
           height <= std::uint64_t(kMaxImageSide) && width * height <= kMaxImageTexels;
}

// PNG and JPEG compress well, but not without limit: a few hundred bytes declaring 8192x8192
// would otherwise cost a quarter of a gigabyte before the decoder finds the data missing.
bool texelsPlausible(std::uint64_t width, std::uint64_t height, std::size_t fileBytes) {
    const std::uint64_t allowance = std::max<std::uint64_t>(kMinTexelAllowance,
                                                            std::uint64_t(fileBytes) * kMaxTexelsPerFileByte);
    return width * height <= allowance;
}

// The shift of a channel mask that selects exactly one whole byte, or -1.
int byteMaskShift(std::uint32_t mask) {
    for (int shift = 0; shift <= 24; shift += 8) {
        if (mask == (0xFFu << shift)) return shift;
    }
    return -1;
}

bool isDds(const std::uint8_t* data, std::size_t size) { return size >= 4 && read32(data) == dds::kMagic; }

bool isPng(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

// libpng sizes a chunk's buffer from the length the chunk declares before it reads the chunk:
// two hundred bytes declaring a 2 GB text chunk cost 2 GB. Every chunk must lie inside the data.
bool pngChunksInside(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 8;
    while (at < size) {
        if (size - at < 12) return false;
        const std::uint32_t length = (std::uint32_t(data[at]) << 24) | (std::uint32_t(data[at + 1]) << 16) |
                                     (std::uint32_t(data[at + 2]) << 8) | std::uint32_t(data[at + 3]);
        if (length > size - at - 12) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
        at += 12 + std::size_t(length);
    }
    return true;
}

bool isJpeg(const std::uint8_t* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

}  // namespace

bool decodeDds(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error) {
    image = Image{};
    if (data == nullptr || size < 4) return fail(image, error, ImageError::Truncated);
    if (!isDds(data, size)) return fail(image, error, ImageError::NotRecognised);
    if (size < dds::kDataOffset) return fail(image, error, ImageError::Truncated);
    if (read32(data + dds::kOffSize) != dds::kHeaderSize ||
        read32(data + dds::kOffPfSize) != dds::kPixelFormatSize) {
        return fail(image, error, ImageError::BadHeader);
    }
    const std::uint32_t flags = read32(data + dds::kOffFlags);
    const std::uint32_t caps2 = read32(data + dds::kOffCaps2);
    if (caps2 & dds::kCaps2CubeMap) return fail(image, error, ImageError::CubeMap);
    if ((caps2 & dds::kCaps2Volume) || ((flags & dds::kFlagDepth) && read32(data + dds::kOffDepth) > 1)) {
        return fail(image, error, ImageError::VolumeTexture);
    }
    const std::uint32_t width = read32(data + dds::kOffWidth);
    const std::uint32_t height = read32(data + dds::kOffHeight);
    if (!sideAcceptable(width, height)) return fail(image, error, ImageError::BadDimensions);

    int levelCount = 1;
    if (flags & dds::kFlagMipCount) {
        const std::uint32_t stored = read32(data + dds::kOffMipCount);
        // Writers commonly put 0 here for "just the top level".
        if (stored > std::uint32_t(fullMipCount(int(width), int(height)))) {
            return fail(image, error, ImageError::BadHeader);
        }
        if (stored > 0) levelCount = int(stored);
    }

    const std::uint32_t pfFlags = read32(data + dds::kOffPfFlags);
    bool swizzle = false;
    int bytesPerTexel = 0;
    int shifts[4] = {-1, -1, -1, -1};  // R, G, B, A
    if (pfFlags & dds::kPfFourCC) {
        const std::uint32_t code = read32(data + dds::kOffFourCC);
        if (code == dds::kFourCCDxt1) {
            image.format = PixelFormat::Dxt1;
        } else if (code == dds::kFourCCDxt3) {
            image.format = PixelFormat::Dxt3;
        } else if (code == dds::kFourCCDxt5) {
            image.format = PixelFormat::Dxt5;
        } else {
            return fail(image, error, ImageError::UnsupportedFormat);
        }
    } else if (pfFlags & dds::kPfRgb) {
        const std::uint32_t bits = read32(data + dds::kOffBitCount);
        if (bits != 24 && bits != 32) return fail(image, error, ImageError::UnsupportedFormat);
        bytesPerTexel = int(bits / 8);
        const std::uint32_t masks[4] = {read32(data + dds::kOffRMask), read32(data + dds::kOffGMask),
                                        read32(data + dds::kOffBMask),
                                        (pfFlags & dds::kPfAlphaPixels) ? read32(data + dds::kOffAMask) : 0u};
        for (int c = 0; c < 4; ++c) {
            if (c == 3 && masks[c] == 0) continue;  // no alpha: opaque
            shifts[c] = byteMaskShift(masks[c]);
            if (shifts[c] < 0 || shifts[c] / 8 >= bytesPerTexel) {
                return fail(image, error, ImageError::UnsupportedFormat);
            }
        }
        swizzle = true;
        image.format = PixelFormat::Rgba8;
    } else {
        return fail(image, error, ImageError::UnsupportedFormat);
    }

    std::size_t offset = dds::kDataOffset;
    int w = int(width);
    int h = int(height);
    image.levels.reserve(std::size_t(levelCount));
    for (int level = 0; level < levelCount; ++level) {
        const std::size_t stored = swizzle ? std::size_t(w) * std::size_t(h) * std::size_t(bytesPerTexel)
                                           : levelByteSize(image.format, w, h);
        if (stored > size - offset) return fail(image, error, ImageError::Truncated);
        ImageLevel out;
        out.width = w;
        out.height = h;
        const std::uint8_t* src = data + offset;
        if (swizzle) {
            out.data.resize(std::size_t(w) * std::size_t(h) * 4);
            const std::size_t texels = std::size_t(w) * std::size_t(h);
            for (std::size_t i = 0; i < texels; ++i) {
                const std::uint8_t* texel = src + i * std::size_t(bytesPerTexel);
                std::uint32_t value = 0;
                for (int b = 0; b < bytesPerTexel; ++b) value |= std::uint32_t(texel[b]) << (8 * b);
                for (int c = 0; c < 4; ++c) {
                    out.data[i * 4 + std::size_t(c)] =
                        shifts[c] < 0 ? std::uint8_t(255) : std::uint8_t((value >> shifts[c]) & 0xFF);
                }
            }
        } else {
            out.data.assign(src, src + stored);
        }
        image.levels.push_back(std::move(out));
        offset += stored;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    return succeed(error);
}

bool decodePng(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error) {
    image = Image{};
    if (data == nullptr || size < 8) return fail(image, error, ImageError::Truncated);
    if (!isPng(data, size)) return fail(image, error, ImageError::NotRecognised);
    if (!pngChunksInside(data, size)) return fail(image, error, ImageError::Truncated);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        png_image_free(&png);
        return fail(image, error, ImageError::DecoderFailed);
    }
    if (!sideAcceptable(png.width, png.height) || !texelsPlausible(png.width, png.height, size)) {
        png_image_free(&png);
        return fail(image, error, ImageError::BadDimensions);
    }
    png.format = PNG_FORMAT_RGBA;
    ImageLevel level;
    level.width = int(png.width);
    level.height = int(png.height);
    level.data.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, level.data.data(), 0, nullptr)) {
        png_image_free(&png);
        return fail(image, error, ImageError::DecoderFailed);
    }
    png_image_free(&png);
    image.format = PixelFormat::Rgba8;
    image.levels.push_back(std::move(level));
    return succeed(error);
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: we jump back to
// the decoder with the reason recorded.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// libjpeg only warns about corrupt or missing data and pads the picture with grey; a texture
// with a made-up lower half is a damaged file to us, so a warning fails the decode.
void jpegEmitMessage(j_common_ptr info, int level) {
    if (level < 0) jpegErrorExit(info);
}

void jpegSilenceOutput(j_common_ptr) {}

// Only plain C objects live in this frame, so the long jump skips no destructor. rows is
// owned by the caller for the same reason.
ImageError decodeJpegInto(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& rgb,
                          int& width, int& height) {
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jpegErrorExit;
    errors.base.emit_message = jpegEmitMessage;
    errors.base.output_message = jpegSilenceOutput;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return ImageError::DecoderFailed;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return ImageError::DecoderFailed;
    }
    if (!sideAcceptable(info.image_width, info.image_height) ||
        !texelsPlausible(info.image_width, info.image_height, size)) {
        jpeg_destroy_decompress(&info);
        return ImageError::BadDimensions;
    }
    if (info.jpeg_color_space != JCS_GRAYSCALE && info.jpeg_color_space != JCS_YCbCr &&
        info.jpeg_color_space != JCS_RGB) {
        jpeg_destroy_decompress(&info);
        return ImageError::UnsupportedFormat;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return ImageError::UnsupportedFormat;
    }
    width = int(info.output_width);
    height = int(info.output_height);
    rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + std::size_t(info.output_scanline) * std::size_t(width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return ImageError::None;
}

}  // namespace

bool decodeJpeg(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error) {
    image = Image{};
    if (data == nullptr || size < 3) return fail(image, error, ImageError::Truncated);
    if (!isJpeg(data, size)) return fail(image, error, ImageError::NotRecognised);
    std::vector<std::uint8_t> rgb;
    int width = 0;
    int height = 0;
    const ImageError why = decodeJpegInto(data, size, rgb, width, height);
    if (why != ImageError::None) return fail(image, error, why);
    ImageLevel level;
    level.width = width;
    level.height = height;
    level.data.resize(std::size_t(width) * std::size_t(height) * 4);
    const std::size_t texels = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < texels; ++i) {
        level.data[i * 4 + 0] = rgb[i * 3 + 0];
        level.data[i * 4 + 1] = rgb[i * 3 + 1];
        level.data[i * 4 + 2] = rgb[i * 3 + 2];
        level.data[i * 4 + 3] = 255;
    }
    image.format = PixelFormat::Rgba8;
    image.levels.push_back(std::move(level));
    return succeed(error);
}

bool decodeImage(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error) {
    if (data != nullptr) {
        if (isDds(data, size)) return decodeDds(data, size, image, error);
        if (isPng(data, size)) return decodePng(data, size, image, error);
        if (isJpeg(data, size)) return decodeJpeg(data, size, image, error);
    }
    return fail(image, error, ImageError::NotRecognised);
}

bool loadImageFile(const std::string& path, Image& image, ImageError* error) {
    // Only a regular file of a size a texture can have: a device or a pipe could be read forever.
    std::error_code ec;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, ec)) return fail(image, error, ImageError::FileUnreadable);
    const std::uintmax_t length = std::filesystem::file_size(file, ec);
    if (ec || length > kMaxImageFileBytes) return fail(image, error, ImageError::FileUnreadable);
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(image, error, ImageError::FileUnreadable);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(length))) {
        return fail(image, error, ImageError::FileUnreadable);
    }
    return decodeImage(bytes.data(), bytes.size(), image, error);
}

}  // namespace torvask
