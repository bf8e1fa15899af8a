#pragma once
// A small DXT1 block compressor for the generated art: endpoints from the block's extremes
// along its luminance axis, always in four-colour mode (every texel opaque).
#include "gfx/Image.h"

namespace torvask {

// Compresses one RGBA8 level to DXT1 blocks (alpha is ignored). Returns an empty level if the
// input's size does not match its data.
ImageLevel compressDxt1Level(const ImageLevel& rgba);

// Builds a full mip chain from an RGBA8 picture and compresses every level to DXT1.
Image compressDxt1WithMips(const ImageLevel& top);

// Builds a full RGBA8 mip chain (box filter) from a picture.
Image rgbaWithMips(const ImageLevel& top);

}  // namespace torvask
