// PNG and JPEG encoders for the hostile-input tests (the libraries' own writers).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "gfx/Image.h"

namespace torvask {
namespace {

using Bytes = std::vector<std::uint8_t>;

}  // namespace

Bytes pngOf(const ImageLevel& level) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = std::uint32_t(level.width);
    png.height = std::uint32_t(level.height);
    png.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, level.data.data(), 0, nullptr)) return {};
    Bytes out(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, level.data.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

Bytes jpegOf(const ImageLevel& level) {
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i < level.data.size(); i += 4) rgb.insert(rgb.end(), {level.data[i], level.data[i + 1], level.data[i + 2]});
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(level.width);
    info.image_height = JDIMENSION(level.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = rgb.data() + std::size_t(info.next_scanline) * std::size_t(level.width) * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

}  // namespace torvask
