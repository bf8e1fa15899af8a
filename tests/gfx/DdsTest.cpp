// The DDS reader and writer against files laid out byte by byte, and against hostile input.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/DdsWriter.h"
#include "gfx/DxtEncoder.h"
#include "gfx/ImageDecoder.h"
#include "tests/gfx/DdsBytes.h"

namespace torvask {
namespace {

using testing::appendLe32;
using testing::DdsHeaderFields;
using testing::ddsHeaderBytes;
using testing::dxtHeader;
using Bytes = std::vector<std::uint8_t>;

// A 2x2 picture with four distinct texels, alpha varying too.
ImageLevel pattern2x2() {
    ImageLevel level;
    level.width = 2;
    level.height = 2;
    level.data = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160};
    return level;
}

DdsHeaderFields rgbHeader(std::uint32_t bits, std::uint32_t w, std::uint32_t h, bool alpha) {
    DdsHeaderFields header;
    header.width = w;
    header.height = h;
    header.flags |= 0x8;
    header.pitch = w * bits / 8;
    header.pfFlags = 0x40 | (alpha ? 0x1 : 0x0);
    header.bitCount = bits;
    header.masks[0] = 0x00FF0000;
    header.masks[1] = 0x0000FF00;
    header.masks[2] = 0x000000FF;
    header.masks[3] = alpha ? 0xFF000000 : 0;
    return header;
}

TEST(DdsReader, ReadsUncompressedLayoutsByTheirMasks) {
    struct Case {
        const char* name;
        DdsHeaderFields header;
        Bytes texels;               // as stored, 2x1
        Bytes expected;             // RGBA8
    };
    DdsHeaderFields abgr = rgbHeader(32, 2, 1, true);
    abgr.masks[0] = 0x000000FF;
    abgr.masks[2] = 0x00FF0000;
    const Case cases[] = {
        {"A8R8G8B8", rgbHeader(32, 2, 1, true), {3, 2, 1, 4, 7, 6, 5, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"X8R8G8B8", rgbHeader(32, 2, 1, false), {3, 2, 1, 0, 7, 6, 5, 0}, {1, 2, 3, 255, 5, 6, 7, 255}},
        {"R8G8B8", rgbHeader(24, 2, 1, false), {3, 2, 1, 7, 6, 5}, {1, 2, 3, 255, 5, 6, 7, 255}},
        {"A8B8G8R8", abgr, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = ddsHeaderBytes(c.header);
        file.insert(file.end(), c.texels.begin(), c.texels.end());
        Image image;
        ImageError error = ImageError::Truncated;
        ASSERT_TRUE(decodeDds(file.data(), file.size(), image, &error));
        EXPECT_EQ(error, ImageError::None);
        EXPECT_EQ(image.format, PixelFormat::Rgba8);
        ASSERT_EQ(image.levels.size(), 1u);
        EXPECT_EQ(image.width(), 2);
        EXPECT_EQ(image.height(), 1);
        EXPECT_EQ(image.levels[0].data, c.expected);
    }
}

TEST(DdsReader, KeepsDxtBlocksAndEveryMipLevel) {
    struct Case {
        const char* code;
        PixelFormat format;
        std::size_t blockBytes;
    };
    const Case cases[] = {{"DXT1", PixelFormat::Dxt1, 8}, {"DXT3", PixelFormat::Dxt3, 16}, {"DXT5", PixelFormat::Dxt5, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        // 8x4 with 4 levels: 8x4 (2 blocks), 4x2, 2x1, 1x1 (1 block each).
        Bytes file = ddsHeaderBytes(dxtHeader(c.code, 8, 4, 4));
        const std::size_t blocks = 2 + 1 + 1 + 1;
        for (std::size_t i = 0; i < blocks * c.blockBytes; ++i) file.push_back(std::uint8_t(i * 7 + 1));
        Image image;
        ASSERT_TRUE(decodeDds(file.data(), file.size(), image));
        EXPECT_EQ(image.format, c.format);
        ASSERT_EQ(image.levels.size(), 4u);
        const int sides[4][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
        std::size_t offset = 128;
        for (int l = 0; l < 4; ++l) {
            SCOPED_TRACE(l);
            EXPECT_EQ(image.levels[l].width, sides[l][0]);
            EXPECT_EQ(image.levels[l].height, sides[l][1]);
            const std::size_t size = (l == 0 ? 2 : 1) * c.blockBytes;
            EXPECT_EQ(image.levels[l].data, Bytes(file.begin() + long(offset), file.begin() + long(offset + size)));
            offset += size;
        }
    }
}

TEST(DdsReader, MipCountZeroOrFlagMissingMeansOneLevel) {
    for (bool flag : {false, true}) {
        SCOPED_TRACE(flag);
        DdsHeaderFields header = dxtHeader("DXT1", 4, 4, 1);
        if (flag) header.flags |= 0x20000;  // with a count of 0
        header.mipCount = flag ? 0 : 3;     // a count without the flag is ignored
        Bytes file = ddsHeaderBytes(header);
        file.resize(file.size() + 8, 0xAB);
        Image image;
        ASSERT_TRUE(decodeDds(file.data(), file.size(), image));
        EXPECT_EQ(image.levels.size(), 1u);
    }
}

TEST(DdsWriter, WritesTheExactFileLayout) {
    Image image;
    image.levels.push_back(pattern2x2());
    struct Case {
        DdsLayout layout;
        DdsHeaderFields header;
        Bytes texels;
    };
    DdsHeaderFields bgra = rgbHeader(32, 2, 2, true);
    DdsHeaderFields bgr = rgbHeader(24, 2, 2, false);
    const Case cases[] = {
        {DdsLayout::Bgra32, bgra, {30, 20, 10, 40, 70, 60, 50, 80, 110, 100, 90, 120, 150, 140, 130, 160}},
        {DdsLayout::Bgr24, bgr, {30, 20, 10, 70, 60, 50, 110, 100, 90, 150, 140, 130}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.layout));
        Bytes expected = ddsHeaderBytes(c.header);
        expected.insert(expected.end(), c.texels.begin(), c.texels.end());
        EXPECT_EQ(encodeDds(image, c.layout), expected);
    }

    Image dxt = compressDxt1WithMips(pattern2x2());
    ASSERT_EQ(dxt.levels.size(), 2u);
    DdsHeaderFields header = dxtHeader("DXT1", 2, 2, 2);
    header.flags |= 0x80000;
    header.pitch = 8;
    header.caps |= 0x8 | 0x400000;
    Bytes expected = ddsHeaderBytes(header);
    for (const ImageLevel& level : dxt.levels) expected.insert(expected.end(), level.data.begin(), level.data.end());
    EXPECT_EQ(encodeDds(dxt), expected);
}

TEST(DdsWriter, RefusesInconsistentImages) {
    Image empty;
    EXPECT_TRUE(encodeDds(empty).empty());
    Image wrongSize;
    wrongSize.levels.push_back(pattern2x2());
    wrongSize.levels[0].data.pop_back();
    EXPECT_TRUE(encodeDds(wrongSize).empty());
    Image wrongChain;
    wrongChain.levels.push_back(pattern2x2());
    wrongChain.levels.push_back(pattern2x2());  // second level should be 1x1
    EXPECT_TRUE(encodeDds(wrongChain).empty());
}

TEST(DdsRoundTrip, EveryFormatReproducesItsPattern) {
    // A 16x8 gradient with all its mip levels, written in each layout and read back.
    ImageLevel top;
    top.width = 16;
    top.height = 8;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            top.data.insert(top.data.end(), {std::uint8_t(x * 16), std::uint8_t(y * 32), std::uint8_t(255 - x * 8),
                                             std::uint8_t(128 + y)});
        }
    }
    const Image rgba = rgbaWithMips(top);
    ASSERT_EQ(rgba.levels.size(), 5u);
    {
        SCOPED_TRACE("Bgra32");
        Image back;
        const Bytes file = encodeDds(rgba, DdsLayout::Bgra32);
        ASSERT_TRUE(decodeDds(file.data(), file.size(), back));
        ASSERT_EQ(back.levels.size(), rgba.levels.size());
        for (std::size_t l = 0; l < rgba.levels.size(); ++l) EXPECT_EQ(back.levels[l].data, rgba.levels[l].data);
    }
    {
        SCOPED_TRACE("Bgr24 drops alpha");
        Image back;
        const Bytes file = encodeDds(rgba, DdsLayout::Bgr24);
        ASSERT_TRUE(decodeDds(file.data(), file.size(), back));
        for (std::size_t l = 0; l < rgba.levels.size(); ++l) {
            Bytes opaque = rgba.levels[l].data;
            for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
            EXPECT_EQ(back.levels[l].data, opaque);
        }
    }
    for (PixelFormat format : {PixelFormat::Dxt1, PixelFormat::Dxt3, PixelFormat::Dxt5}) {
        SCOPED_TRACE(int(format));
        Image dxt;
        dxt.format = format;
        for (const ImageLevel& level : rgba.levels) {
            ImageLevel blocks;
            blocks.width = level.width;
            blocks.height = level.height;
            const std::size_t size = levelByteSize(format, level.width, level.height);
            for (std::size_t i = 0; i < size; ++i) blocks.data.push_back(std::uint8_t(i * 31 + level.width));
            dxt.levels.push_back(blocks);
        }
        Image back;
        const Bytes file = encodeDds(dxt);
        ASSERT_TRUE(decodeDds(file.data(), file.size(), back));
        EXPECT_EQ(back.format, format);
        ASSERT_EQ(back.levels.size(), dxt.levels.size());
        for (std::size_t l = 0; l < dxt.levels.size(); ++l) EXPECT_EQ(back.levels[l].data, dxt.levels[l].data);
    }
}

TEST(DxtEncoder, FlatAndTwoColourBlocksComeBackExactly) {
    // Colours exactly representable in 5:6:5 survive compression unchanged.
    ImageLevel level;
    level.width = 8;
    level.height = 4;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool left = x < 4;
            const bool odd = (x + y) % 2 == 1;
            if (left) {
                level.data.insert(level.data.end(), {132, 130, 132, 255});  // one flat 5:6:5 grey
            } else if (odd) {
                level.data.insert(level.data.end(), {255, 255, 255, 255});
            } else {
                level.data.insert(level.data.end(), {0, 0, 0, 255});
            }
        }
    }
    const ImageLevel blocks = compressDxt1Level(level);
    ASSERT_EQ(blocks.data.size(), 16u);
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(decompressDxtLevel(PixelFormat::Dxt1, blocks, back));
    EXPECT_EQ(back, level.data);
}

struct HostileCase {
    const char* name;
    Bytes file;
    ImageError expected;
};

Bytes withData(DdsHeaderFields header, std::size_t dataBytes) {
    Bytes file = ddsHeaderBytes(header);
    file.resize(file.size() + dataBytes, 0x5A);
    return file;
}

std::vector<HostileCase> hostileCases() {
    std::vector<HostileCase> cases;
    cases.push_back({"empty", {}, ImageError::Truncated});
    cases.push_back({"magic only", {'D', 'D', 'S', ' '}, ImageError::Truncated});
    cases.push_back({"not DDS", {'D', 'D', 'X', ' ', 0, 0, 0, 0}, ImageError::NotRecognised});
    Bytes shortHeader = ddsHeaderBytes(dxtHeader("DXT1", 4, 4, 1));
    shortHeader.resize(127);
    cases.push_back({"header cut", shortHeader, ImageError::Truncated});
    DdsHeaderFields badSize = dxtHeader("DXT1", 4, 4, 1);
    badSize.size = 100;
    cases.push_back({"header size", withData(badSize, 8), ImageError::BadHeader});
    DdsHeaderFields badPf = dxtHeader("DXT1", 4, 4, 1);
    badPf.pfSize = 0;
    cases.push_back({"pixel format size", withData(badPf, 8), ImageError::BadHeader});
    cases.push_back({"width 0", withData(dxtHeader("DXT1", 0, 4, 1), 8), ImageError::BadDimensions});
    cases.push_back({"height 0", withData(dxtHeader("DXT1", 4, 0, 1), 8), ImageError::BadDimensions});
    cases.push_back({"width 16385", withData(dxtHeader("DXT1", 16385, 4, 1), 8), ImageError::BadDimensions});
    cases.push_back({"huge both", withData(dxtHeader("DXT1", 0xFFFFFFFF, 0xFFFFFFFF, 1), 8), ImageError::BadDimensions});
    cases.push_back({"texel budget", withData(dxtHeader("DXT1", 16384, 16384, 1), 8), ImageError::BadDimensions});
    cases.push_back({"mip chain longer than the picture", withData(dxtHeader("DXT1", 4, 4, 4), 64), ImageError::BadHeader});
    cases.push_back({"mip count overflow", withData(dxtHeader("DXT1", 4, 4, 0xFFFFFFFF), 64), ImageError::BadHeader});
    cases.push_back({"mip data missing", withData(dxtHeader("DXT5", 8, 8, 4), 64 + 16 + 15), ImageError::Truncated});
    cases.push_back({"top level short", withData(dxtHeader("DXT3", 8, 8, 1), 63), ImageError::Truncated});
    DdsHeaderFields cube = dxtHeader("DXT1", 4, 4, 1);
    cube.caps2 = 0x200 | 0xFC00;
    cases.push_back({"cube map", withData(cube, 48), ImageError::CubeMap});
    DdsHeaderFields volume = dxtHeader("DXT1", 4, 4, 1);
    volume.caps2 = 0x200000;
    volume.flags |= 0x800000;
    volume.depth = 4;
    cases.push_back({"volume", withData(volume, 32), ImageError::VolumeTexture});
    DdsHeaderFields depthOnly = dxtHeader("DXT1", 4, 4, 1);
    depthOnly.flags |= 0x800000;
    depthOnly.depth = 2;
    cases.push_back({"depth without caps", withData(depthOnly, 16), ImageError::VolumeTexture});
    cases.push_back({"DX10 header", withData(dxtHeader("DX10", 4, 4, 1), 64), ImageError::UnsupportedFormat});
    cases.push_back({"DXT2", withData(dxtHeader("DXT2", 4, 4, 1), 16), ImageError::UnsupportedFormat});
    DdsHeaderFields rgb16 = rgbHeader(16, 2, 2, false);
    rgb16.masks[0] = 0xF800;
    rgb16.masks[1] = 0x07E0;
    rgb16.masks[2] = 0x001F;
    cases.push_back({"16-bit", withData(rgb16, 8), ImageError::UnsupportedFormat});
    DdsHeaderFields oddMask = rgbHeader(32, 2, 2, true);
    oddMask.masks[0] = 0x0FF00000;
    cases.push_back({"unaligned mask", withData(oddMask, 16), ImageError::UnsupportedFormat});
    DdsHeaderFields maskBeyond = rgbHeader(24, 2, 2, true);  // alpha in a fourth byte of 3
    cases.push_back({"mask beyond texel", withData(maskBeyond, 12), ImageError::UnsupportedFormat});
    DdsHeaderFields noFormat = rgbHeader(32, 2, 2, false);
    noFormat.pfFlags = 0x20000;  // luminance
    cases.push_back({"luminance", withData(noFormat, 16), ImageError::UnsupportedFormat});
    cases.push_back({"rgb short", withData(rgbHeader(24, 3, 3, false), 26), ImageError::Truncated});
    return cases;
}

TEST(DdsReader, RefusesHostileFilesWithTheirReason) {
    for (const HostileCase& c : hostileCases()) {
        SCOPED_TRACE(c.name);
        Image image;
        image.levels.push_back(pattern2x2());  // must be emptied on failure
        ImageError error = ImageError::None;
        EXPECT_FALSE(decodeDds(c.file.data(), c.file.size(), image, &error));
        EXPECT_EQ(error, c.expected) << imageErrorName(error);
        EXPECT_TRUE(image.levels.empty());
    }
}

TEST(DdsReader, EveryTruncationOfAValidFileFails) {
    Image dxt = compressDxt1WithMips(pattern2x2());
    for (PixelFormat format : {PixelFormat::Dxt1, PixelFormat::Rgba8}) {
        SCOPED_TRACE(int(format));
        const Bytes file = format == PixelFormat::Dxt1 ? encodeDds(dxt) : encodeDds(rgbaWithMips(pattern2x2()));
        Image image;
        ASSERT_TRUE(decodeDds(file.data(), file.size(), image));
        for (std::size_t length = 0; length < file.size(); ++length) {
            // A copy of exactly that length, so a read past it is an overrun the sanitizer sees.
            const Bytes prefix(file.begin(), file.begin() + long(length));
            ImageError error = ImageError::None;
            EXPECT_FALSE(decodeDds(prefix.data(), prefix.size(), image, &error)) << "length " << length;
            EXPECT_NE(error, ImageError::None);
        }
    }
}

}  // namespace
}  // namespace torvask
