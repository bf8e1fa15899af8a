#pragma once
// Decoders for the texture files the program reads: DDS (uncompressed 24/32-bit and DXT1/3/5,
// with all stored mip levels), PNG (libpng) and JPEG (libjpeg). Every decoder treats its input
// as hostile: a truncated or inconsistent file yields false and a reason, never an overrun.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx/Image.h"

namespace torvask {

// Each returns true on success and fills image; on failure image is left empty and *error
// (when given) says why.
bool decodeDds(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error = nullptr);
bool decodePng(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error = nullptr);
bool decodeJpeg(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error = nullptr);

// Picks the decoder from the data's signature (not the file name).
bool decodeImage(const std::uint8_t* data, std::size_t size, Image& image, ImageError* error = nullptr);

// Reads the whole file and decodes it. Only a regular file of at most kMaxImageFileBytes is
// read (a device or a pipe gives FileUnreadable).
bool loadImageFile(const std::string& path, Image& image, ImageError* error = nullptr);

}  // namespace torvask
