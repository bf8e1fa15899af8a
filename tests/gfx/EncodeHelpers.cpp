// PNG and JPEG encoders for the decoder and hostile-input tests (the libraries' own writers).
#include "EncodeHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace torvask {

using Bytes = std::vector<std::uint8_t>;

Bytes encodePng(int width, int height, std::uint32_t format, const Bytes& pixels) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = std::uint32_t(width);
    png.height = std::uint32_t(height);
    png.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    Bytes out(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

Bytes encodeJpeg(int width, int height, const Bytes& rgb) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < 3; ++c) {
        info.comp_info[c].h_samp_factor = 1;  // no chroma subsampling: flat colours stay flat
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + std::size_t(info.next_scanline) * std::size_t(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

Bytes pngOf(const ImageLevel& level) { return encodePng(level.width, level.height, PNG_FORMAT_RGBA, level.data); }

Bytes jpegOf(const ImageLevel& level) {
    Bytes rgb;
    for (std::size_t i = 0; i + 3 < level.data.size(); i += 4) {
        rgb.insert(rgb.end(), {level.data[i], level.data[i + 1], level.data[i + 2]});
    }
    return encodeJpeg(level.width, level.height, rgb);
}

}  // namespace torvask
