#pragma once
// The car as drawn: a mesh loaded from a mesh file, its per-subset materials and textures, and
// a world transform built from scale, rotation and position (row vectors, render frame y up).
// Subsets 8 and 9 are the brake lights: they glow (full ambient) while the car brakes.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "common/Vector3.h"
#include "render/Device.h"

namespace torvask {

class CarMesh {
public:
    // Paths are handed to the loader in a buffer of this many characters, the terminator
    // included: a path of kPathBufferSize characters or more is refused, never cut.
    static constexpr std::size_t kPathBufferSize = 260;
    static constexpr int kBrakeLightSubsetA = 8;
    static constexpr int kBrakeLightSubsetB = 9;

    // Position and rotation 0, scale 1, world the identity.
    CarMesh();
    ~CarMesh();
    CarMesh(const CarMesh&) = delete;
    CarMesh& operator=(const CarMesh&) = delete;

    // Releases any earlier mesh, then loads path (a backslash reads as a separator) with its
    // materials, each with ambient = 0.2 × diffuse (alpha from diffuse), and their textures.
    // A texture name is taken relative to the mesh file's folder (matched without regard to
    // case if the exact name is missing); a texture that cannot be loaded leaves its subset
    // untextured. A file without materials gets one white material.
    // 0, or -1 for an empty or too long path, no device, or a mesh that cannot be loaded.
    int load(const std::string& path, Device* device);

    // Render frame.
    void setPosition(float x, float y, float z);
    // Radians; world rotation Ry(y) × Rx(x) × Rz(z).
    void setRotation(float x, float y, float z);
    void setScale(float x, float y, float z);

    // Sets the world transform and draws every subset with its material and texture; with
    // brakeLights the brake-light subsets get ambient = diffuse, else 0.2 × diffuse.
    // 0, or -1 when nothing is loaded.
    int draw(bool brakeLights);

    // Releases textures and mesh, empties the lists and forgets the device.
    void release();

    Device* device() const { return device_; }
    const Mesh* mesh() const { return mesh_.get(); }
    const std::vector<Material>& materials() const { return materials_; }
    // Parallel to materials(); an entry may be empty.
    const std::vector<std::unique_ptr<Texture>>& textures() const { return textures_; }
    const Vector3& position() const { return position_; }
    const Vector3& rotation() const { return rotation_; }
    const Vector3& scale() const { return scale_; }
    bool worldDirty() const { return worldDirty_; }
    // As last rebuilt by draw (or the constructor).
    const Matrix4& world() const { return world_; }
    const Matrix4& scaleMatrix() const { return scaleMatrix_; }
    const Matrix4& rotationMatrix() const { return rotationMatrix_; }
    const Matrix4& translationMatrix() const { return translationMatrix_; }

private:
    Device* device_ = nullptr;  // not owned
    std::unique_ptr<Mesh> mesh_;
    std::vector<Material> materials_;
    std::vector<std::unique_ptr<Texture>> textures_;
    Vector3 position_;
    Vector3 rotation_;
    Vector3 scale_{1.0, 1.0, 1.0};
    bool worldDirty_ = false;
    Matrix4 world_;
    Matrix4 scaleMatrix_;
    Matrix4 rotationMatrix_;
    Matrix4 translationMatrix_;
};

}  // namespace torvask
