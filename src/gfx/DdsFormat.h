#pragma once
// The DDS file layout shared by the reader and the writer: the 4-byte signature, then a
// 124-byte little-endian header whose pixel-format block sits at offset 72.
#include <cstdint>

namespace torvask::dds {

inline constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
inline constexpr std::uint32_t kHeaderSize = 124;
inline constexpr std::uint32_t kPixelFormatSize = 32;
inline constexpr std::uint32_t kDataOffset = 4 + kHeaderSize;

// Header field offsets, counted from the start of the file (after the signature is byte 4).
inline constexpr int kOffSize = 4;
inline constexpr int kOffFlags = 8;
inline constexpr int kOffHeight = 12;
inline constexpr int kOffWidth = 16;
inline constexpr int kOffPitch = 20;
inline constexpr int kOffDepth = 24;
inline constexpr int kOffMipCount = 28;
inline constexpr int kOffPfSize = 76;
inline constexpr int kOffPfFlags = 80;
inline constexpr int kOffFourCC = 84;
inline constexpr int kOffBitCount = 88;
inline constexpr int kOffRMask = 92;
inline constexpr int kOffGMask = 96;
inline constexpr int kOffBMask = 100;
inline constexpr int kOffAMask = 104;
inline constexpr int kOffCaps = 108;
inline constexpr int kOffCaps2 = 112;

// Header flags.
inline constexpr std::uint32_t kFlagCaps = 0x1;
inline constexpr std::uint32_t kFlagHeight = 0x2;
inline constexpr std::uint32_t kFlagWidth = 0x4;
inline constexpr std::uint32_t kFlagPitch = 0x8;
inline constexpr std::uint32_t kFlagPixelFormat = 0x1000;
inline constexpr std::uint32_t kFlagMipCount = 0x20000;
inline constexpr std::uint32_t kFlagLinearSize = 0x80000;
inline constexpr std::uint32_t kFlagDepth = 0x800000;

// Pixel-format flags.
inline constexpr std::uint32_t kPfAlphaPixels = 0x1;
inline constexpr std::uint32_t kPfFourCC = 0x4;
inline constexpr std::uint32_t kPfRgb = 0x40;

// Caps.
inline constexpr std::uint32_t kCapsComplex = 0x8;
inline constexpr std::uint32_t kCapsTexture = 0x1000;
inline constexpr std::uint32_t kCapsMipmap = 0x400000;
inline constexpr std::uint32_t kCaps2CubeMap = 0x200;
inline constexpr std::uint32_t kCaps2Volume = 0x200000;

constexpr std::uint32_t fourCC(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) | (std::uint32_t(std::uint8_t(b)) << 8) |
           (std::uint32_t(std::uint8_t(c)) << 16) | (std::uint32_t(std::uint8_t(d)) << 24);
}

inline constexpr std::uint32_t kFourCCDxt1 = fourCC('D', 'X', 'T', '1');
inline constexpr std::uint32_t kFourCCDxt3 = fourCC('D', 'X', 'T', '3');
inline constexpr std::uint32_t kFourCCDxt5 = fourCC('D', 'X', 'T', '5');

}  // namespace torvask::dds
