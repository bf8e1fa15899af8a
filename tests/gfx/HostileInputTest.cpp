// Hostile files: a corpus of damaged files kept beside this test, and deterministic byte
// mutations of valid files. Every decoder must refuse or decode consistently; never read or
// write out of bounds (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/DdsWriter.h"
#include "gfx/DxtEncoder.h"
#include "EncodeHelpers.h"
#include "gfx/ImageDecoder.h"
#include "gfx/XMesh.h"

namespace torvask {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(HostileCorpus, EveryFileIsRefused) {
    const std::filesystem::path folder = std::filesystem::path(TORVASK_GFX_CORPUS);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 20u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        if (path.extension() == ".x") {
            XMeshData mesh;
            std::string error;
            EXPECT_FALSE(loadXMesh(path.string(), mesh, &error));
            EXPECT_TRUE(mesh.subsets.empty());
        } else {
            Image image;
            ImageError error = ImageError::None;
            EXPECT_FALSE(loadImageFile(path.string(), image, &error));
            EXPECT_NE(error, ImageError::None);
            EXPECT_TRUE(image.levels.empty());
            // The same bytes through the signature dispatch, from an exact-size buffer.
            const Bytes bytes = readFile(path);
            EXPECT_FALSE(decodeImage(bytes.data(), bytes.size(), image));
        }
    }
}

// A small deterministic generator, so every run mutates the same bytes.
struct Mutator {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    Bytes mutate(const Bytes& original) {
        Bytes out = original;
        const int edits = 1 + int(next() % 4);
        for (int i = 0; i < edits; ++i) {
            const std::size_t at = next() % out.size();
            switch (next() % 4) {
                case 0: out[at] ^= std::uint8_t(1u << (next() % 8)); break;
                case 1: out[at] = std::uint8_t(next()); break;
                case 2: out[at] = (next() % 2) ? 0xFF : 0x00; break;
                case 3: out.resize(std::max<std::size_t>(1, at)); break;
            }
            if (out.empty()) out.push_back(0);
        }
        return out;
    }
};

void expectConsistent(const Image& image) {
    ASSERT_FALSE(image.levels.empty());
    int w = image.width();
    int h = image.height();
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
    EXPECT_LE(w, kMaxImageSide);
    EXPECT_LE(h, kMaxImageSide);
    for (const ImageLevel& level : image.levels) {
        EXPECT_EQ(level.width, w);
        EXPECT_EQ(level.height, h);
        EXPECT_EQ(level.data.size(), levelByteSize(image.format, w, h));
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
}

ImageLevel gradient(int w, int h) {
    ImageLevel level;
    level.width = w;
    level.height = h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            level.data.insert(level.data.end(),
                              {std::uint8_t(x * 9), std::uint8_t(y * 13), std::uint8_t(x * y), std::uint8_t(200 + x)});
        }
    }
    return level;
}

TEST(HostileMutations, ImageDecodersRefuseOrStayConsistent) {
    const ImageLevel top = gradient(24, 20);
    Image dxt5 = compressDxt1WithMips(top);
    dxt5.format = PixelFormat::Dxt5;  // reinterpret: the block sizes double
    for (ImageLevel& level : dxt5.levels) level.data.resize(levelByteSize(PixelFormat::Dxt5, level.width, level.height), 0x5A);
    struct Source {
        const char* name;
        Bytes bytes;
    };
    const Source sources[] = {
        {"dds rgb24", encodeDds(rgbaWithMips(top), DdsLayout::Bgr24)},
        {"dds dxt1", encodeDds(compressDxt1WithMips(top))},
        {"dds dxt5", encodeDds(dxt5)},
        {"png", pngOf(top)},
        {"jpeg", jpegOf(top)},
    };
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        ASSERT_FALSE(source.bytes.empty());
        Image image;
        ASSERT_TRUE(decodeImage(source.bytes.data(), source.bytes.size(), image));
        Mutator mutator{0x5EED1234u};
        int refused = 0;
        for (int round = 0; round < 400; ++round) {
            const Bytes mutated = mutator.mutate(source.bytes);
            ImageError error = ImageError::None;
            if (decodeImage(mutated.data(), mutated.size(), image, &error)) {
                expectConsistent(image);
            } else {
                EXPECT_NE(error, ImageError::None);
                EXPECT_TRUE(image.levels.empty());
                ++refused;
            }
        }
        EXPECT_GT(refused, 0);  // truncations alone guarantee some
    }
}

TEST(HostileMutations, MeshLoaderRefusesOrKeepsIndicesInRange) {
    const std::string text =
        "xof 0303txt 0032\n"
        "Material A { 1.0;0.0;0.0;1.0;; 5.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
        "Material B { 0.0;1.0;0.0;1.0;; 5.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
        "Mesh m {\n 4;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;,\n 1.0;1.0;0.0;;\n"
        " 2;\n 3;0,2,1;,\n 3;1,2,3;;\n"
        " MeshMaterialList { 2; 2; 0, 1;; {A} {B} }\n"
        " MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n"
        " MeshTextureCoords { 4; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;, 1.0;1.0;; }\n}\n";
    const Bytes bytes(text.begin(), text.end());
    XMeshData mesh;
    ASSERT_TRUE(loadXMeshFromMemory(bytes.data(), bytes.size(), mesh));
    ASSERT_EQ(mesh.subsets.size(), 2u);
    Mutator mutator{0xC0FFEEu};
    for (int round = 0; round < 300; ++round) {
        const Bytes mutated = mutator.mutate(bytes);
        if (!loadXMeshFromMemory(mutated.data(), mutated.size(), mesh)) {
            EXPECT_TRUE(mesh.subsets.empty());
            continue;
        }
        ASSERT_FALSE(mesh.subsets.empty());
        if (!mesh.materials.empty()) {
            EXPECT_EQ(mesh.subsets.size(), mesh.materials.size());
        }
        for (const XMeshSubset& subset : mesh.subsets) {
            EXPECT_EQ(subset.indices.size() % 3, 0u);
            for (std::uint32_t index : subset.indices) ASSERT_LT(index, subset.vertices.size()) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace torvask
