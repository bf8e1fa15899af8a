// Files that once got past the structural check to the parser, nesting that overflowed the
// stack, and normal-less meshes.
#include <gtest/gtest.h>

#include <string>

#include "gfx/XFileCheck.h"
#include "gfx/XMesh.h"

namespace torvask {
namespace {

const char* const kHeader = "xof 0303txt 0032\n";
const char* const kTriangle = "Mesh m {\n3;\n0;0;0;,1;0;0;,0;1;0;;\n1;\n3;0,2,1;;\n";

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// Frames nested depth deep, each moving its contents one unit along x.
std::string nestedFrames(int depth, const std::string& inside) {
    const std::string frame =
        "Frame {\nFrameTransformMatrix {\n1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,1.0,0.0,0.0,1.0;;\n}\n";
    return kHeader + repeated(frame, depth) + inside + repeated("}\n", depth);
}

TEST(XFileCheck, RefusesWhatTheParserWouldReadDifferently) {
    struct Case {
        const char* name;
        std::string text;
        const char* why;
    };
    const std::string t = kTriangle;
    const Case cases[] = {
        {"brace after the header, on the first line", "xof 0303txt 0032{\nMesh{0;2;0,2,4;0,}}",
         "a face has fewer than three corners"},
        {"unclosed GUID", std::string(kHeader) + "template T { <abc }\n" + t + "3;0,1,7;;\n}\n> }\n",
         "a template's GUID is not closed"},
        {"brace inside a template", std::string(kHeader) + "template T { <AB-12> { }\n" + t + "}\n}\n",
         "a template holds a brace"},
        {"face index equal to the vertex count",
         std::string(kHeader) + "Mesh m {\n3;\n0;0;0;,1;0;0;,0;1;0;;\n1;\n3;0,1,3;;\n}\n",
         "a face refers to a vertex that does not exist"},
        {"damaged reference", std::string(kHeader) + "Frame {\n{ a b c }\n}\n", "a reference is damaged"},
        {"deep nesting", nestedFrames(257, t + "}\n"), "objects are nested too deeply"},
        {"a million nested frames, 7 MB", kHeader + repeated("Frame {", 1000000), "objects are nested too deeply"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_FALSE(checkTextXFile(c.text.data(), c.text.size(), &why));
        EXPECT_EQ(why, c.why);
        XMeshData mesh;
        std::string error;
        EXPECT_FALSE(loadXMeshFromMemory(c.text.data(), c.text.size(), mesh, &error));
        EXPECT_EQ(error, c.why);
    }
}

TEST(XMeshLoader, DeepFramesComposeTheirTransformsWithoutRecursion) {
    // Templates as exporters write them.
    const std::string text = nestedFrames(200, std::string(kTriangle) + "}\n")
                                 .insert(17, "template Frame {\n <3d82ab46-62da-11cf-ab39-0020af71e433>\n [...]\n}\n");
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(loadXMeshFromMemory(text.data(), text.size(), mesh, &error)) << error;
    ASSERT_EQ(mesh.subsets.size(), 1u);
    ASSERT_EQ(mesh.subsets[0].vertices.size(), 3u);
    // The winding is turned for the left-handed frame: corners 0, 1, 2 of the file's face 0, 2, 1.
    EXPECT_EQ(mesh.subsets[0].vertices[0].x, 200.0f);
    EXPECT_EQ(mesh.subsets[0].vertices[1].y, 1.0f);
    EXPECT_EQ(mesh.subsets[0].vertices[2].x, 201.0f);
}

TEST(XMeshLoader, TellsWhetherASubsetHasNormals) {
    const std::string plain = std::string(kHeader) + kTriangle + "}\n";
    const std::string lit = std::string(kHeader) + kTriangle + "MeshNormals {\n1;\n0;0;-2;;\n1;\n3;0,0,0;;\n}\n}\n";
    XMeshData mesh;
    ASSERT_TRUE(loadXMeshFromMemory(plain.data(), plain.size(), mesh));
    EXPECT_FALSE(mesh.subsets[0].hasNormals);
    EXPECT_EQ(mesh.subsets[0].vertices[0].nz, 0.0f);
    ASSERT_TRUE(loadXMeshFromMemory(lit.data(), lit.size(), mesh));
    EXPECT_TRUE(mesh.subsets[0].hasNormals);
    EXPECT_EQ(mesh.subsets[0].vertices[0].nz, -1.0f);
}

}  // namespace
}  // namespace torvask
