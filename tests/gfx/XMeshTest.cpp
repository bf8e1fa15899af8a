// The .x loader: subsets in the file's material order, an unused material kept as an empty
// subset, colours and texture names as written, positions in the file's own frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/XMesh.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

struct MaterialRow {
    float r, g, b, a, power;
    float sr, sg, sb;
    float er, eg, eb;
    const char* texture;  // nullptr for none
};

// Eleven materials; material 3 is named in the list but no face uses it.
const MaterialRow kMaterials[] = {
    {0.8f, 0.1f, 0.1f, 1.0f, 20.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, "body.dds"},
    {0.1f, 0.1f, 0.1f, 1.0f, 5.0f, 0.2f, 0.2f, 0.2f, 0.0f, 0.0f, 0.0f, nullptr},
    {0.2f, 0.3f, 0.4f, 0.5f, 40.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, nullptr},
    {0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, "unused.png"},
    {0.9f, 0.9f, 0.9f, 1.0f, 2.0f, 0.0f, 0.0f, 0.0f, 0.25f, 0.25f, 0.25f, nullptr},
    {0.5f, 0.5f, 0.0f, 1.0f, 3.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, nullptr},
    {0.0f, 0.5f, 0.5f, 1.0f, 4.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, nullptr},
    {0.3f, 0.3f, 0.3f, 1.0f, 6.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, nullptr},
    {1.0f, 0.0f, 0.0f, 1.0f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, nullptr},
    {1.0f, 0.05f, 0.0f, 1.0f, 8.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, nullptr},
    {0.0f, 0.0f, 1.0f, 1.0f, 9.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, "sub/glass.dds"},
};
constexpr int kMaterialCount = 11;
constexpr int kUnused = 3;

// Each used material gets one triangle; face f belongs to material faceMaterial[f]. The faces
// are listed out of material order to show that subsets follow materials, not faces.
const int kFaceMaterial[] = {10, 0, 9, 8, 1, 2, 4, 5, 6, 7};

std::string meshFile(bool withMaterials = true) {
    std::ostringstream x;
    x << "xof 0303txt 0032\n\n";
    if (withMaterials) {
        for (int m = 0; m < kMaterialCount; ++m) {
            const MaterialRow& s = kMaterials[m];
            x << "Material M" << m << " {\n " << s.r << ";" << s.g << ";" << s.b << ";" << s.a << ";;\n " << s.power
              << ";\n " << s.sr << ";" << s.sg << ";" << s.sb << ";;\n " << s.er << ";" << s.eg << ";" << s.eb << ";;\n";
            if (s.texture) x << " TextureFilename { \"" << s.texture << "\"; }\n";
            x << "}\n";
        }
    }
    const int faces = int(std::size(kFaceMaterial));
    x << "Mesh car {\n " << faces * 3 << ";\n";
    for (int f = 0; f < faces; ++f) {
        // Triangle f: (f, 0, -f), (f + 1, 0, -f), (f, 1, -f + 0.5)
        for (int k = 0; k < 3; ++k) {
            const float px = float(f) + (k == 1 ? 1.0f : 0.0f);
            const float py = k == 2 ? 1.0f : 0.0f;
            const float pz = -float(f) + (k == 2 ? 0.5f : 0.0f);
            x << " " << px << ";" << py << ";" << pz << ";" << (f == faces - 1 && k == 2 ? ";" : ",") << "\n";
        }
    }
    x << " " << faces << ";\n";
    for (int f = 0; f < faces; ++f) {
        x << " 3;" << f * 3 << "," << f * 3 + 2 << "," << f * 3 + 1 << ";" << (f == faces - 1 ? ";" : ",") << "\n";
    }
    if (withMaterials) {
        x << " MeshMaterialList {\n  " << kMaterialCount << ";\n  " << faces << ";\n";
        for (int f = 0; f < faces; ++f) x << "  " << kFaceMaterial[f] << (f == faces - 1 ? ";;" : ",") << "\n";
        for (int m = 0; m < kMaterialCount; ++m) x << "  {M" << m << "}\n";
        x << " }\n";
    }
    x << " MeshNormals {\n  1;\n  0.0;0.0;-1.0;;\n  " << faces << ";\n";
    for (int f = 0; f < faces; ++f) x << "  3;0,0,0;" << (f == faces - 1 ? ";" : ",") << "\n";
    x << " }\n";
    x << " MeshTextureCoords {\n  " << faces * 3 << ";\n";
    for (int v = 0; v < faces * 3; ++v) {
        x << "  " << (v % 3 == 1 ? 1.0f : 0.0f) << ";" << (v % 3 == 2 ? 0.25f : 0.0f) << ";"
          << (v == faces * 3 - 1 ? ";" : ",") << "\n";
    }
    x << " }\n}\n";
    return x.str();
}

TEST(XMeshLoader, KeepsEveryMaterialAsASubsetInFileOrder) {
    testing::TempDir dir;
    const std::string path = dir.write("car.x", meshFile());
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(loadXMesh(path, mesh, &error)) << error;
    ASSERT_EQ(mesh.materials.size(), std::size_t(kMaterialCount));
    ASSERT_EQ(mesh.subsets.size(), std::size_t(kMaterialCount));
    for (int m = 0; m < kMaterialCount; ++m) {
        SCOPED_TRACE(m);
        const MaterialRow& s = kMaterials[m];
        const Material& got = mesh.materials[m].material;
        EXPECT_EQ(got.diffuse, (ColorValue{s.r, s.g, s.b, s.a}));
        EXPECT_EQ(got.specular, (ColorValue{s.sr, s.sg, s.sb, 1.0f}));
        EXPECT_EQ(got.emissive, (ColorValue{s.er, s.eg, s.eb, 1.0f}));
        EXPECT_EQ(got.ambient, (ColorValue{0.0f, 0.0f, 0.0f, 1.0f}));
        EXPECT_EQ(got.power, s.power);
        EXPECT_EQ(mesh.materials[m].textureFile, s.texture ? s.texture : "");
        const XMeshSubset& subset = mesh.subsets[m];
        if (m == kUnused) {
            EXPECT_TRUE(subset.vertices.empty());
            EXPECT_TRUE(subset.indices.empty());
            continue;
        }
        // The one face of material m, with its vertices exactly as written and its winding kept.
        int face = -1;
        for (int f = 0; f < int(std::size(kFaceMaterial)); ++f) {
            if (kFaceMaterial[f] == m) face = f;
        }
        ASSERT_GE(face, 0);
        ASSERT_EQ(subset.indices.size(), 3u);
        const float expected[3][5] = {{float(face), 0.0f, -float(face), 0.0f, 0.0f},
                                      {float(face), 1.0f, -float(face) + 0.5f, 0.0f, 0.25f},
                                      {float(face) + 1.0f, 0.0f, -float(face), 1.0f, 0.0f}};
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            ASSERT_LT(subset.indices[k], subset.vertices.size());
            const XMeshVertex& v = subset.vertices[subset.indices[k]];
            EXPECT_EQ(v.x, expected[k][0]);
            EXPECT_EQ(v.y, expected[k][1]);
            EXPECT_EQ(v.z, expected[k][2]);
            EXPECT_EQ(v.u, expected[k][3]);
            EXPECT_EQ(v.v, expected[k][4]);
            EXPECT_EQ(v.nz, -1.0f);
        }
        EXPECT_FALSE(subset.hasVertexColours);
    }
}

TEST(XMeshLoader, FileWithoutMaterialsGivesOneSubsetAndNoMaterials) {
    testing::TempDir dir;
    XMeshData mesh;
    ASSERT_TRUE(loadXMesh(dir.write("plain.x", meshFile(false)), mesh));
    EXPECT_TRUE(mesh.materials.empty());
    ASSERT_EQ(mesh.subsets.size(), 1u);
    EXPECT_EQ(mesh.subsets[0].indices.size(), std::size(kFaceMaterial) * 3);
}

TEST(XMeshLoader, RefusesBadPathsAndBadFiles) {
    testing::TempDir dir;
    const std::string good = meshFile();
    struct Case {
        const char* name;
        std::string path;
    };
    std::vector<Case> cases;
    cases.push_back({"empty path", ""});
    cases.push_back({"missing file", dir.file("nothing.x")});
    cases.push_back({"folder", dir.str()});
    cases.push_back({"empty file", dir.write("empty.x", "")});
    cases.push_back({"header only", dir.write("header.x", "xof 0303txt 0032\n")});
    cases.push_back({"cut in the vertices", dir.write("cut.x", good.substr(0, good.find("Mesh car") + 60))});
    cases.push_back({"cut in the material list", dir.write("cut2.x", good.substr(0, good.find("MeshMaterialList") + 40))});
    cases.push_back({"not a mesh", dir.write("text.x", "hello world, this is not a mesh file at all\n")});
    std::string longPath = dir.str() + "/";
    while (longPath.size() < 262) longPath += "a";
    longPath += ".x";
    cases.push_back({"path of 260 or more", longPath});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XMeshData mesh;
        mesh.materials.resize(2);
        std::string error;
        EXPECT_FALSE(loadXMesh(c.path, mesh, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(mesh.materials.empty());
        EXPECT_TRUE(mesh.subsets.empty());
    }
}

}  // namespace
}  // namespace torvask
