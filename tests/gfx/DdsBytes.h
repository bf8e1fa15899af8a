#pragma once
// Builds DDS files byte by byte, independently of the program's own writer, so that reader
// and writer are each checked against the file layout rather than against each other.
#include <cstdint>
#include <string>
#include <vector>

namespace torvask::testing {

struct DdsHeaderFields {
    std::uint32_t size = 124;
    std::uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000;
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    std::uint32_t pitch = 0;
    std::uint32_t depth = 0;
    std::uint32_t mipCount = 0;
    std::uint32_t pfSize = 32;
    std::uint32_t pfFlags = 0;
    std::uint32_t fourCC = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // R, G, B, A
    std::uint32_t caps = 0x1000;
    std::uint32_t caps2 = 0;
};

inline void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

inline std::vector<std::uint8_t> ddsHeaderBytes(const DdsHeaderFields& h) {
    std::vector<std::uint8_t> out = {'D', 'D', 'S', ' '};
    appendLe32(out, h.size);
    appendLe32(out, h.flags);
    appendLe32(out, h.height);
    appendLe32(out, h.width);
    appendLe32(out, h.pitch);
    appendLe32(out, h.depth);
    appendLe32(out, h.mipCount);
    for (int i = 0; i < 11; ++i) appendLe32(out, 0);
    appendLe32(out, h.pfSize);
    appendLe32(out, h.pfFlags);
    appendLe32(out, h.fourCC);
    appendLe32(out, h.bitCount);
    for (std::uint32_t m : h.masks) appendLe32(out, m);
    appendLe32(out, h.caps);
    appendLe32(out, h.caps2);
    appendLe32(out, 0);
    appendLe32(out, 0);
    appendLe32(out, 0);
    return out;
}

inline std::uint32_t fourCCOf(const char* text) {
    return std::uint32_t(std::uint8_t(text[0])) | (std::uint32_t(std::uint8_t(text[1])) << 8) |
           (std::uint32_t(std::uint8_t(text[2])) << 16) | (std::uint32_t(std::uint8_t(text[3])) << 24);
}

// A header for a DXT file of the given size and level count.
inline DdsHeaderFields dxtHeader(const char* code, std::uint32_t width, std::uint32_t height, std::uint32_t levels) {
    DdsHeaderFields h;
    h.width = width;
    h.height = height;
    h.pfFlags = 0x4;
    h.fourCC = fourCCOf(code);
    if (levels > 1) {
        h.flags |= 0x20000;
        h.mipCount = levels;
    }
    return h;
}

}  // namespace torvask::testing
