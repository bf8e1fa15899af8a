#pragma once
// Writes an Image as a DDS file: RGBA8 images as 32-bit A8R8G8B8 (or 24-bit R8G8B8 when asked
// and every alpha is 255), DXT images as their blocks. Used by the art generator and tests.
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/Image.h"

namespace torvask {

enum class DdsLayout {
    Bgra32,  // 32-bit, masks R 0x00FF0000, G 0x0000FF00, B 0x000000FF, A 0xFF000000
    Bgr24,   // 24-bit, same colour masks, no alpha
    AsImage, // DXT images keep their format; RGBA8 images are written as Bgra32
};

// Returns the file bytes; empty if the image is empty or its levels do not match its format.
std::vector<std::uint8_t> encodeDds(const Image& image, DdsLayout layout = DdsLayout::AsImage);

// Writes encodeDds's bytes to path; false if encoding or writing fails.
bool writeDdsFile(const std::string& path, const Image& image, DdsLayout layout = DdsLayout::AsImage);

}  // namespace torvask
