// Block decoding, level sizes and mip chains, checked against values worked out by hand.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "gfx/Image.h"

namespace torvask {
namespace {

struct SizeCase {
    PixelFormat format;
    int width, height;
    std::size_t bytes;
};

TEST(LevelByteSize, MatchesBlockAndTexelArithmetic) {
    const SizeCase cases[] = {
        {PixelFormat::Rgba8, 1, 1, 4},    {PixelFormat::Rgba8, 3, 5, 60},  {PixelFormat::Dxt1, 1, 1, 8},
        {PixelFormat::Dxt1, 4, 4, 8},     {PixelFormat::Dxt1, 5, 4, 16},   {PixelFormat::Dxt1, 8, 9, 48},
        {PixelFormat::Dxt3, 2, 2, 16},    {PixelFormat::Dxt5, 16, 16, 256}, {PixelFormat::Dxt5, 0, 4, 0},
        {PixelFormat::Rgba8, 4, -1, 0},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.format) << " " << c.width << "x" << c.height);
        EXPECT_EQ(levelByteSize(c.format, c.width, c.height), c.bytes);
    }
}

TEST(FullMipCount, CountsHalvingsOfTheLongerSide) {
    const std::array<std::array<int, 3>, 7> cases = {{{1, 1, 1}, {2, 1, 2}, {256, 256, 9}, {256, 1, 9},
                                                      {5, 3, 3}, {16384, 2, 15}, {0, 4, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c[0] << "x" << c[1]);
        EXPECT_EQ(fullMipCount(c[0], c[1]), c[2]);
    }
}

ImageLevel blockLevel(std::vector<std::uint8_t> bytes, int w = 4, int h = 4) {
    ImageLevel level;
    level.width = w;
    level.height = h;
    level.data = std::move(bytes);
    return level;
}

using Rgba = std::array<int, 4>;

Rgba texel(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
    const std::size_t i = (std::size_t(y) * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

// Indices 0,1,2,3 in the first row (bits LSB first), all 0 elsewhere.
const std::uint8_t kRowIndices[4] = {0xE4, 0x00, 0x00, 0x00};

TEST(DxtDecode, Dxt1FourAndThreeColourModes) {
    struct Case {
        const char* name;
        std::uint16_t c0, c1;
        Rgba expected[4];
    };
    const Case cases[] = {
        // red 0xF800 > blue 0x001F: two thirds blends, opaque
        {"four-colour", 0xF800, 0x001F, {{255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255}, {85, 0, 170, 255}}},
        // c0 <= c1: midpoint, then transparent black
        {"three-colour", 0x001F, 0xF800, {{0, 0, 255, 255}, {255, 0, 0, 255}, {127, 0, 127, 255}, {0, 0, 0, 0}}},
        // green 6-bit expansion: 0x07E0 -> 255, 0x0020 (g=1) -> 4
        {"green expansion", 0x07E0, 0x0020, {{0, 255, 0, 255}, {0, 4, 0, 255}, {0, 171, 0, 255}, {0, 87, 0, 255}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> block = {std::uint8_t(c.c0), std::uint8_t(c.c0 >> 8), std::uint8_t(c.c1),
                                           std::uint8_t(c.c1 >> 8)};
        block.insert(block.end(), kRowIndices, kRowIndices + 4);
        std::vector<std::uint8_t> rgba;
        ASSERT_TRUE(decompressDxtLevel(PixelFormat::Dxt1, blockLevel(block), rgba));
        for (int x = 0; x < 4; ++x) EXPECT_EQ(texel(rgba, 4, x, 0), c.expected[x]) << "x=" << x;
        EXPECT_EQ(texel(rgba, 4, 3, 3), c.expected[0]);
    }
}

TEST(DxtDecode, Dxt3ExplicitAlphaAndFourColourAlways) {
    // Alpha nibbles 0..15 in texel order; colour half in "three-colour" order must still
    // use the four-colour palette.
    std::vector<std::uint8_t> block = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                       0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(decompressDxtLevel(PixelFormat::Dxt3, blockLevel(block), rgba));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rgba[std::size_t(i) * 4 + 3], i * 17) << "texel " << i;
    EXPECT_EQ(texel(rgba, 4, 2, 0), (Rgba{85, 0, 170, 0x22}));
    EXPECT_EQ(texel(rgba, 4, 3, 0), (Rgba{170, 0, 85, 0x33}));
}

TEST(DxtDecode, Dxt5EightAndSixAlphaModes) {
    struct Case {
        const char* name;
        std::uint8_t a0, a1;
        int expected[8];
    };
    const Case cases[] = {
        {"eight", 255, 0, {255, 0, 218, 182, 145, 109, 72, 36}},
        {"six", 0, 255, {0, 255, 51, 102, 153, 204, 0, 255}},
        {"six equal", 100, 100, {100, 100, 100, 100, 100, 100, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Texels 0..7 use indices 0..7, 3 bits each, LSB first: 0b111'110'101'100'011'010'001'000.
        const std::uint32_t bits = 0xFAC688;
        // Texels 8..15 take index 0; the colour half is white (0xFFFF) with every index 0.
        const std::vector<std::uint8_t> block = {c.a0, c.a1, std::uint8_t(bits), std::uint8_t(bits >> 8),
                                                 std::uint8_t(bits >> 16), 0, 0, 0,
                                                 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
        std::vector<std::uint8_t> rgba;
        ASSERT_TRUE(decompressDxtLevel(PixelFormat::Dxt5, blockLevel(block), rgba));
        for (int i = 0; i < 8; ++i) EXPECT_EQ(rgba[std::size_t(i) * 4 + 3], c.expected[i]) << "texel " << i;
        EXPECT_EQ(rgba[8 * 4 + 3], c.expected[0]);
        EXPECT_EQ(texel(rgba, 4, 0, 0)[0], 255);  // colour 0xFFFF is white
    }
}

TEST(DxtDecode, PartialBlocksAndShortDataAndWrongFormat) {
    // A 5x3 DXT1 level needs two blocks; the second block's texels beyond x=4 are dropped.
    std::vector<std::uint8_t> twoBlocks = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0,
                                           0x1F, 0x00, 0x00, 0x00, 0, 0, 0, 0};
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(decompressDxtLevel(PixelFormat::Dxt1, blockLevel(twoBlocks, 5, 3), rgba));
    ASSERT_EQ(rgba.size(), 5u * 3u * 4u);
    EXPECT_EQ(texel(rgba, 5, 3, 2), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(texel(rgba, 5, 4, 0), (Rgba{0, 0, 255, 255}));

    twoBlocks.pop_back();
    EXPECT_FALSE(decompressDxtLevel(PixelFormat::Dxt1, blockLevel(twoBlocks, 5, 3), rgba));
    EXPECT_FALSE(decompressDxtLevel(PixelFormat::Rgba8, blockLevel(std::vector<std::uint8_t>(64), 4, 4), rgba));
    EXPECT_FALSE(decompressDxtLevel(PixelFormat::Dxt5, blockLevel({}, 0, 4), rgba));
}

TEST(Downsample, BoxFilterRoundsAndClampsOddSides) {
    ImageLevel level;
    level.width = 3;
    level.height = 2;
    // Channel 0 only varies: row 0: 0 10 20, row 1: 1 11 21.
    level.data = {0, 0, 0, 255, 10, 0, 0, 255, 20, 0, 0, 255, 1, 0, 0, 255, 11, 0, 0, 255, 21, 0, 0, 255};
    const ImageLevel half = downsampleRgba(level);
    ASSERT_EQ(half.width, 1);
    ASSERT_EQ(half.height, 1);
    EXPECT_EQ(half.data[0], 6);  // (0 + 10 + 1 + 11 + 2) / 4
    EXPECT_EQ(half.data[3], 255);
}

}  // namespace
}  // namespace torvask
