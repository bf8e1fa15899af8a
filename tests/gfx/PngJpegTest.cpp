// PNG and JPEG decoding of pictures encoded here with the same libraries, and their refusal of
// damaged data.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "EncodeHelpers.h"
#include "gfx/ImageDecoder.h"

namespace torvask {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PngDecoder, DecodesEachColourTypeToRgba) {
    struct Case {
        const char* name;
        std::uint32_t format;
        Bytes pixels;    // 2x1 in the format
        Bytes expected;  // RGBA8
    };
    const Case cases[] = {
        {"RGBA", PNG_FORMAT_RGBA, {1, 2, 3, 4, 250, 251, 252, 0}, {1, 2, 3, 4, 250, 251, 252, 0}},
        {"RGB", PNG_FORMAT_RGB, {9, 8, 7, 200, 100, 50}, {9, 8, 7, 255, 200, 100, 50, 255}},
        {"grey", PNG_FORMAT_GRAY, {0, 77}, {0, 0, 0, 255, 77, 77, 77, 255}},
        {"BGR", PNG_FORMAT_BGR, {3, 2, 1, 6, 5, 4}, {1, 2, 3, 255, 4, 5, 6, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = encodePng(2, 1, c.format, c.pixels);
        ASSERT_FALSE(file.empty());
        Image image;
        ImageError error = ImageError::Truncated;
        ASSERT_TRUE(decodePng(file.data(), file.size(), image, &error));
        EXPECT_EQ(error, ImageError::None);
        ASSERT_EQ(image.levels.size(), 1u);
        EXPECT_EQ(image.width(), 2);
        EXPECT_EQ(image.height(), 1);
        EXPECT_EQ(image.levels[0].data, c.expected);
        Image viaSignature;
        ASSERT_TRUE(decodeImage(file.data(), file.size(), viaSignature));
        EXPECT_EQ(viaSignature.levels[0].data, c.expected);
    }
}

TEST(JpegDecoder, DecodesFlatBlocksToTheirColours) {
    // Four 8x8 blocks, each one flat colour, so the lossless-in-practice path applies: a flat
    // block has only a DC coefficient. Greys come back exactly; colours within rounding.
    const std::uint8_t colours[4][3] = {{128, 128, 128}, {255, 255, 255}, {200, 40, 30}, {20, 90, 220}};
    Bytes rgb(16 * 16 * 3);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int block = (y / 8) * 2 + x / 8;
            std::memcpy(&rgb[(std::size_t(y) * 16 + x) * 3], colours[block], 3);
        }
    }
    const Bytes file = encodeJpeg(16, 16, rgb);
    Image image;
    ASSERT_TRUE(decodeJpeg(file.data(), file.size(), image));
    ASSERT_EQ(image.width(), 16);
    ASSERT_EQ(image.height(), 16);
    const int tolerance[4] = {0, 0, 2, 2};
    for (int block = 0; block < 4; ++block) {
        SCOPED_TRACE(block);
        const int x = (block % 2) * 8 + 3;
        const int y = (block / 2) * 8 + 5;
        const std::uint8_t* texel = &image.levels[0].data[(std::size_t(y) * 16 + x) * 4];
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(texel[c], colours[block][c], tolerance[block]) << "channel " << c;
        EXPECT_EQ(texel[3], 255);
    }
}

TEST(PngJpegDecoders, RefuseTruncatedAndDamagedData) {
    Bytes rgba(64 * 64 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = std::uint8_t((i * 37) ^ (i >> 7));
    const Bytes png = encodePng(64, 64, PNG_FORMAT_RGBA, rgba);
    Bytes rgb(64 * 64 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t((i * 13) ^ (i >> 5));
    const Bytes jpeg = encodeJpeg(64, 64, rgb);
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(jpeg.empty());

    struct Case {
        const char* name;
        const Bytes* file;
        bool (*decode)(const std::uint8_t*, std::size_t, Image&, ImageError*);
    };
    const Case cases[] = {{"png", &png, decodePng}, {"jpeg", &jpeg, decodeJpeg}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Cut anywhere before the end of the compressed data.
        for (std::size_t length : {std::size_t(0), std::size_t(2), std::size_t(8), std::size_t(33),
                                   c.file->size() / 3, c.file->size() / 2, c.file->size() - 20}) {
            const Bytes prefix(c.file->begin(), c.file->begin() + long(length));
            Image image;
            ImageError error = ImageError::None;
            EXPECT_FALSE(c.decode(prefix.data(), prefix.size(), image, &error)) << "length " << length;
            EXPECT_NE(error, ImageError::None);
            EXPECT_TRUE(image.levels.empty());
        }
    }

    // Dimensions patched in the headers: PNG IHDR width at byte 16 (big-endian, the CRC then
    // fails too, so either refusal is right); JPEG SOF0 height/width.
    struct Patch {
        const char* name;
        Bytes file;
        bool (*decode)(const std::uint8_t*, std::size_t, Image&, ImageError*);
    };
    std::vector<Patch> patches;
    Bytes wide = png;
    wide[16] = 0x7F;
    patches.push_back({"png width", wide, decodePng});
    Bytes zeroHeight = jpeg;
    for (std::size_t i = 2; i + 8 < zeroHeight.size(); ++i) {
        if (zeroHeight[i] == 0xFF && zeroHeight[i + 1] == 0xC0) {
            zeroHeight[i + 5] = 0;
            zeroHeight[i + 6] = 0;
            break;
        }
    }
    patches.push_back({"jpeg height 0", zeroHeight, decodeJpeg});
    Bytes hugeJpeg = jpeg;
    for (std::size_t i = 2; i + 8 < hugeJpeg.size(); ++i) {
        if (hugeJpeg[i] == 0xFF && hugeJpeg[i + 1] == 0xC0) {
            hugeJpeg[i + 5] = 0xFF;  // height 65535
            hugeJpeg[i + 6] = 0xFF;
            break;
        }
    }
    patches.push_back({"jpeg height 65535", hugeJpeg, decodeJpeg});
    for (const Patch& p : patches) {
        SCOPED_TRACE(p.name);
        Image image;
        EXPECT_FALSE(p.decode(p.file.data(), p.file.size(), image, nullptr));
        EXPECT_TRUE(image.levels.empty());
    }

    Image image;
    ImageError error = ImageError::None;
    EXPECT_FALSE(decodePng(jpeg.data(), jpeg.size(), image, &error));
    EXPECT_EQ(error, ImageError::NotRecognised);
    EXPECT_FALSE(decodeJpeg(png.data(), png.size(), image, &error));
    EXPECT_EQ(error, ImageError::NotRecognised);
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(decodeImage(text.data(), text.size(), image, &error));
    EXPECT_EQ(error, ImageError::NotRecognised);
    EXPECT_FALSE(loadImageFile("/nonexistent/folder/x.dds", image, &error));
    EXPECT_EQ(error, ImageError::FileUnreadable);
}

// A few hundred bytes must not declare a picture that costs a quarter of a gigabyte; a large
// picture that really compresses that well still decodes.
TEST(PngJpegDecoders, TexelsAreCappedAgainstTheFileSize) {
    Bytes png = encodePng(8, 8, PNG_FORMAT_GRAY, Bytes(64, 7));
    const std::uint8_t side[4] = {0, 0, 0x20, 0};  // 8192, big-endian
    std::memcpy(&png[16], side, 4);
    std::memcpy(&png[20], side, 4);
    const uLong crc = crc32(0, &png[12], 17);  // chunk type and IHDR data
    for (int i = 0; i < 4; ++i) png[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
    Bytes jpeg = encodeJpeg(8, 8, Bytes(8 * 8 * 3, 100));
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            const std::uint8_t sof[4] = {0x20, 0, 0x20, 0};  // height, width 8192
            std::memcpy(&jpeg[i + 5], sof, 4);
            break;
        }
    }
    Image image;
    ImageError error = ImageError::None;
    EXPECT_FALSE(decodePng(png.data(), png.size(), image, &error));
    EXPECT_EQ(error, ImageError::BadDimensions);
    EXPECT_FALSE(decodeJpeg(jpeg.data(), jpeg.size(), image, &error));
    EXPECT_EQ(error, ImageError::BadDimensions);

    const Bytes flat = encodePng(2048, 2048, PNG_FORMAT_GRAY, Bytes(std::size_t(2048) * 2048, 200));
    ASSERT_TRUE(decodePng(flat.data(), flat.size(), image, &error)) << flat.size() << " bytes";
    EXPECT_EQ(image.width(), 2048);
}

// Found by fuzzing: a chunk declaring far more bytes than the file holds made libpng allocate
// them all before finding the data missing.
TEST(PngDecoder, AChunkLongerThanTheFileIsTruncation) {
    Bytes png = encodePng(8, 8, PNG_FORMAT_GRAY, Bytes(64, 7));
    const std::uint8_t text[12] = {0x6F, 0x00, 0x00, 0x00, 't', 'E', 'X', 't', 'a', 0, 'b', 'c'};  // 1.8 GB
    png.insert(png.end() - 12, text, text + sizeof text);
    Image image;
    ImageError error = ImageError::None;
    EXPECT_FALSE(decodePng(png.data(), png.size(), image, &error));
    EXPECT_EQ(error, ImageError::Truncated);
}

TEST(ImageFiles, OnlyRegularFilesAreRead) {
    for (const char* path : {"/dev/zero", "/tmp"}) {
        SCOPED_TRACE(path);
        Image image;
        ImageError error = ImageError::None;
        EXPECT_FALSE(loadImageFile(path, image, &error));
        EXPECT_EQ(error, ImageError::FileUnreadable);
    }
}

}  // namespace
}  // namespace torvask
