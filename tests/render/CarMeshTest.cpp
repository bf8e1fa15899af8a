#include <gtest/gtest.h>

#include <numbers>

#include "render/CarMesh.h"
#include "render/NullDevice.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using torvask::testing::TempDir;

constexpr float kPi = std::numbers::pi_v<float>;

ColorValue fifth(const ColorValue& c) { return {c.r * 0.2f, c.g * 0.2f, c.b * 0.2f, c.a}; }

class CarMeshTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string meshPath = dir.write("default/car.x", "mesh");
    NullDevice device;
};

TEST_F(CarMeshTest, LoadRefusals) {
    struct Case {
        const char* name;
        std::string path;
        bool withDevice;
        bool meshRequested;
    };
    const Case cases[] = {
        {"empty path", "", true, false},
        {"no device", meshPath, false, false},
        {"missing file", dir.file("default/none.x"), true, true},
        {"a folder", dir.str(), true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CarMesh mesh;
        device.log().clear();
        EXPECT_EQ(mesh.load(c.path, c.withDevice ? &device : nullptr), -1);
        EXPECT_EQ(device.log().ofKind(DeviceOp::LoadMesh).size(), c.meshRequested ? 1u : 0u);
        EXPECT_EQ(mesh.draw(false), -1);
        EXPECT_EQ(mesh.mesh(), nullptr);
    }
}

// The loader's buffer holds 259 characters and the terminator: longer paths are refused
// whole, never cut to a different file name.
TEST_F(CarMeshTest, PathLengthLimit) {
    struct Case {
        std::size_t length;
        int result;
    };
    const Case cases[] = {{258, 0}, {259, 0}, {260, -1}, {261, -1}, {400, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        // A real file whose full path has exactly the wanted length; its last name is long
        // enough to hold character 259, where a cut would fall.
        std::string path = dir.str() + "/len" + std::to_string(c.length) + "/";
        while (c.length - path.size() > 200) path += std::string(100, 'd') + "/";
        path += std::string(c.length - path.size(), 'c');
        ASSERT_EQ(path.size(), c.length);
        const std::size_t root = dir.str().size() + 1;
        dir.write(path.substr(root), "mesh");
        // The path cut to 259 characters names a file too, so cutting would wrongly succeed.
        if (c.length > 259) dir.write(path.substr(root, 259 - root), "mesh");
        CarMesh mesh;
        device.log().clear();
        EXPECT_EQ(mesh.load(path, &device), c.result);
        const auto loads = device.log().ofKind(DeviceOp::LoadMesh);
        if (c.result == 0) {
            ASSERT_EQ(loads.size(), 1u);
            EXPECT_EQ(loads[0].text, path);
        } else {
            EXPECT_TRUE(loads.empty());
        }
    }
}

TEST_F(CarMeshTest, LoadKeepsFileOrderAndSetsAmbientToAFifthOfDiffuse) {
    CarMesh mesh;
    ASSERT_EQ(mesh.load(meshPath, &device), 0);
    const auto plain = plainMeshMaterials(10);
    ASSERT_EQ(mesh.materials().size(), 10u);
    ASSERT_EQ(mesh.textures().size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        Material expected = plain[i].material;
        expected.ambient = fifth(expected.diffuse);
        EXPECT_EQ(mesh.materials()[i], expected);
        EXPECT_EQ(mesh.textures()[i], nullptr);
    }
    EXPECT_EQ(mesh.device(), &device);
}

TEST_F(CarMeshTest, AFileWithoutMaterialsGetsOneWhiteMaterial) {
    device.options.meshSubsetCount = 0;
    CarMesh mesh;
    ASSERT_EQ(mesh.load(meshPath, &device), 0);
    Material white;
    white.diffuse = {1, 1, 1, 1};
    white.ambient = {1, 1, 1, 1};
    ASSERT_EQ(mesh.materials(), std::vector<Material>{white});
    device.log().clear();
    EXPECT_EQ(mesh.draw(true), 0);
    const auto draws = device.log().ofKind(DeviceOp::DrawSubset);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].index, 0);
    EXPECT_TRUE(draws[0].result);
}

TEST_F(CarMeshTest, TexturesAreFoundBesideTheMesh) {
    dir.write("default/paint.dds", "t");
    dir.write("default/Glass.DDS", "t");
    dir.write("default/wheels/tyre.dds", "t");
    const std::string absolute = dir.write("elsewhere/abs.dds", "t");
    struct Named {
        std::string name;
        std::string loaded;  // path handed to the loader; empty: no texture at all
        bool ok;
    };
    const Named names[] = {
        {"paint.dds", dir.file("default/paint.dds"), true},
        {"glass.dds", dir.file("default/Glass.DDS"), true},        // other case
        {"wheels\\tyre.dds", dir.file("default/wheels/tyre.dds"), true},  // backslash separator
        {absolute, "", false},  // only beside the mesh: never elsewhere on the machine
        {"/dev/zero", "", false},
        {"../elsewhere/abs.dds", "", false},
        {"wheels/../../elsewhere/abs.dds", "", false},
        {"missing.dds", dir.file("default/missing.dds"), false},
        {"", "", false},
    };
    std::vector<MeshMaterial> materials;
    for (const auto& n : names) {
        MeshMaterial m;
        m.material.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
        m.textureFile = n.name;
        materials.push_back(m);
    }
    device.options.meshMaterials = materials;
    CarMesh mesh;
    ASSERT_EQ(mesh.load(meshPath, &device), 0);
    const auto loads = device.log().ofKind(DeviceOp::LoadTexture);
    std::vector<std::string> requested;
    for (const auto& l : loads) {
        requested.push_back(l.text);
        EXPECT_EQ(l.textureOptions, TextureLoadOptions{});
    }
    std::vector<std::string> expected;
    for (const auto& n : names)
        if (!n.loaded.empty()) expected.push_back(n.loaded);
    EXPECT_EQ(requested, expected);
    ASSERT_EQ(mesh.textures().size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i].name);
        EXPECT_EQ(mesh.textures()[i] != nullptr, names[i].ok);
    }
    // Untextured subsets draw with texturing off.
    device.log().clear();
    mesh.draw(false);
    const auto sets = device.log().ofKind(DeviceOp::SetTexture);
    ASSERT_EQ(sets.size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i].name);
        EXPECT_EQ(sets[i].resource != 0, names[i].ok);
        EXPECT_EQ(sets[i].index, 0);
    }
}

TEST_F(CarMeshTest, BrakeLightsAreSubsetsEightAndNine) {
    struct Case {
        int subsets;
    };
    const Case cases[] = {{5}, {8}, {9}, {10}, {12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subsets);
        device.options.meshSubsetCount = c.subsets;
        CarMesh mesh;
        ASSERT_EQ(mesh.load(meshPath, &device), 0);
        const auto plain = plainMeshMaterials(c.subsets);
        for (bool brake : {true, false, true}) {
            SCOPED_TRACE(brake ? "braking" : "not braking");
            device.log().clear();
            ASSERT_EQ(mesh.draw(brake), 0);
            const auto materials = device.log().ofKind(DeviceOp::SetMaterial);
            ASSERT_EQ(materials.size(), static_cast<std::size_t>(c.subsets));
            for (int i = 0; i < c.subsets; ++i) {
                SCOPED_TRACE(i);
                const ColorValue& diffuse = plain[i].material.diffuse;
                const bool glows = brake && (i == 8 || i == 9);
                EXPECT_EQ(materials[i].material.ambient, glows ? diffuse : fifth(diffuse));
                EXPECT_EQ(materials[i].material.diffuse, diffuse);
                // The stored material follows the flag too.
                EXPECT_EQ(mesh.materials()[i].ambient, glows ? diffuse : fifth(diffuse));
            }
        }
    }
}

TEST_F(CarMeshTest, DrawSetsWorldThenMaterialTextureAndSubsetInOrder) {
    device.options.meshSubsetCount = 2;
    CarMesh mesh;
    ASSERT_EQ(mesh.load(meshPath, &device), 0);
    device.log().clear();
    ASSERT_EQ(mesh.draw(false), 0);
    std::vector<std::string> ops;
    for (const auto& call : device.calls()) ops.push_back(deviceOpName(call.op));
    EXPECT_EQ(ops, (std::vector<std::string>{"setTransform", "setMaterial", "setTexture", "drawSubset", "setMaterial",
                                             "setTexture", "drawSubset"}));
    EXPECT_EQ(device.calls()[0].transform, TransformKind::World);
    EXPECT_EQ(device.calls()[0].matrix, matrixIdentity());
    EXPECT_EQ(device.calls()[3].describe(), "drawSubset(#1, 0)");
    EXPECT_EQ(device.calls()[6].describe(), "drawSubset(#1, 1)");
}

TEST_F(CarMeshTest, WorldIsScaleThenRotationThenTranslation) {
    CarMesh mesh;
    EXPECT_EQ(mesh.world(), matrixIdentity());
    EXPECT_FALSE(mesh.worldDirty());
    ASSERT_EQ(mesh.load(meshPath, &device), 0);

    mesh.setRotation(0.25f, kPi / 2, -0.5f);
    EXPECT_TRUE(mesh.worldDirty());
    EXPECT_EQ(mesh.rotationMatrix(), matrixRotationY(kPi / 2) * matrixRotationX(0.25f) * matrixRotationZ(-0.5f));
    mesh.setPosition(1.0f, 2.0f, 3.0f);
    mesh.setScale(2.0f, 2.0f, 2.0f);
    EXPECT_EQ(mesh.translationMatrix(), matrixTranslation(1, 2, 3));
    EXPECT_EQ(mesh.scaleMatrix(), matrixScaling(2, 2, 2));
    // Not rebuilt until drawn.
    EXPECT_EQ(mesh.world(), matrixIdentity());
    device.log().clear();
    mesh.draw(false);
    EXPECT_FALSE(mesh.worldDirty());
    const Matrix4 expected = matrixScaling(2, 2, 2) * mesh.rotationMatrix() * matrixTranslation(1, 2, 3);
    EXPECT_EQ(mesh.world(), expected);
    EXPECT_EQ(device.calls().front().matrix, expected);

    // A yaw of a quarter turn carries the car's nose (+z) to +x, then the position is added.
    mesh.setRotation(0, kPi / 2, 0);
    mesh.setScale(1, 1, 1);
    mesh.draw(false);
    const Vector3f nose = vec3TransformCoord({0, 0, 1}, mesh.world());
    EXPECT_NEAR(nose.x, 2.0f, 1e-6f);
    EXPECT_NEAR(nose.y, 2.0f, 1e-6f);
    EXPECT_NEAR(nose.z, 3.0f, 1e-6f);

    // The same position again changes nothing in the world matrix.
    const Matrix4 before = mesh.world();
    mesh.setPosition(1.0f, 2.0f, 3.0f);
    mesh.draw(false);
    EXPECT_EQ(mesh.world(), before);
    EXPECT_EQ(mesh.position(), Vector3(1, 2, 3));
    EXPECT_EQ(mesh.rotation(), Vector3(0, kPi / 2, 0));
    EXPECT_EQ(mesh.scale(), Vector3(1, 1, 1));
}

TEST_F(CarMeshTest, ReleaseAndReloadFreeWhatWasLoaded) {
    dir.write("default/paint.dds", "t");
    MeshMaterial painted;
    painted.textureFile = "paint.dds";
    device.options.meshMaterials = std::vector<MeshMaterial>{painted, MeshMaterial{}};
    CarMesh mesh;
    ASSERT_EQ(mesh.load(meshPath, &device), 0);  // mesh #1, texture #2
    ASSERT_EQ(mesh.load(meshPath, &device), 0);  // mesh #3, texture #4
    EXPECT_EQ(device.log().describeAll({DeviceOp::Release}),
              (std::vector<std::string>{"release(texture #2)", "release(mesh #1)"}));
    device.log().clear();
    mesh.release();
    EXPECT_EQ(device.log().describeAll(), (std::vector<std::string>{"release(texture #4)", "release(mesh #3)"}));
    EXPECT_EQ(mesh.device(), nullptr);
    EXPECT_TRUE(mesh.materials().empty());
    EXPECT_TRUE(mesh.textures().empty());
    EXPECT_EQ(mesh.draw(true), -1);
    // A failed load after a good one leaves nothing loaded.
    ASSERT_EQ(mesh.load(meshPath, &device), 0);
    EXPECT_EQ(mesh.load(dir.file("default/none.x"), &device), -1);
    EXPECT_EQ(mesh.mesh(), nullptr);
    EXPECT_TRUE(mesh.materials().empty());
}

}  // namespace
}  // namespace torvask
