#include "render/CarMesh.h"

#include <filesystem>
#include <system_error>

#include "common/Paths.h"

namespace torvask {

namespace {

// Where a texture named inside a mesh file lives: beside the mesh, always. A mesh file is data
// from anywhere; an absolute name or one that climbs out with ".." could point the image reader
// at any file on the machine, so such names give no path (the subset is drawn untextured).
std::string resolveTexturePath(const std::string& meshPath, const std::string& textureName) {
    const std::filesystem::path name(toNativeSeparators(textureName));
    if (name.empty() || name.has_root_path()) return std::string();
    for (const std::filesystem::path& part : name) {
        if (part == "..") return std::string();
    }
    const std::filesystem::path candidate = std::filesystem::path(meshPath).parent_path() / name;
    std::error_code ec;
    if (std::filesystem::exists(candidate, ec)) return candidate.string();
    // Mesh files written elsewhere often name their textures in another case.
    const std::string found = findFileNoCase(candidate.parent_path().string(), candidate.filename().string());
    return found.empty() ? candidate.string() : found;
}

ColorValue scaledRgb(const ColorValue& c, float factor) { return {c.r * factor, c.g * factor, c.b * factor, c.a}; }

}  // namespace

CarMesh::CarMesh()
    : world_(matrixIdentity()),
      scaleMatrix_(matrixScaling(1.0f, 1.0f, 1.0f)),
      rotationMatrix_(matrixIdentity()),
      translationMatrix_(matrixIdentity()) {
    world_ = scaleMatrix_ * rotationMatrix_ * translationMatrix_;
}

CarMesh::~CarMesh() { release(); }

int CarMesh::load(const std::string& path, Device* device) {
    if (path.empty() || !device) return -1;
    if (path.size() >= kPathBufferSize) return -1;
    release();
    device_ = device;
    const std::string meshPath = toNativeSeparators(path);
    mesh_ = device->loadMesh(meshPath);
    if (!mesh_) return -1;

    const std::vector<MeshMaterial>& fileMaterials = mesh_->materials();
    if (!fileMaterials.empty()) {
        for (const MeshMaterial& fm : fileMaterials) {
            Material m = fm.material;
            // The files' own ambient colours make the car glow; a fifth of the diffuse looks right.
            m.ambient = scaledRgb(m.diffuse, 0.2f);
            materials_.push_back(m);
            std::unique_ptr<Texture> texture;
            const std::string texturePath = resolveTexturePath(meshPath, fm.textureFile);
            if (!texturePath.empty()) texture = device->loadTexture(texturePath, TextureLoadOptions{});
            textures_.push_back(std::move(texture));
        }
    } else {
        Material white;
        white.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        white.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        materials_.push_back(white);
        textures_.push_back(nullptr);
    }
    return 0;
}

void CarMesh::setPosition(float x, float y, float z) {
    position_.set(x, y, z);
    translationMatrix_ = matrixTranslation(x, y, z);
    worldDirty_ = true;
}

void CarMesh::setRotation(float x, float y, float z) {
    rotation_.set(x, y, z);
    rotationMatrix_ = matrixRotationY(y) * matrixRotationX(x) * matrixRotationZ(z);
    worldDirty_ = true;
}

void CarMesh::setScale(float x, float y, float z) {
    scale_.set(x, y, z);
    scaleMatrix_ = matrixScaling(x, y, z);
    worldDirty_ = true;
}

int CarMesh::draw(bool brakeLights) {
    if (!device_ || !mesh_) return -1;
    if (worldDirty_) {
        world_ = scaleMatrix_ * rotationMatrix_ * translationMatrix_;
        worldDirty_ = false;
    }
    device_->setTransform(TransformKind::World, world_);
    for (std::size_t i = 0; i < materials_.size(); ++i) {
        Material& m = materials_[i];
        if (i == kBrakeLightSubsetA || i == kBrakeLightSubsetB)
            m.ambient = scaledRgb(m.diffuse, brakeLights ? 1.0f : 0.2f);
        device_->setMaterial(m);
        device_->setTexture(0, textures_[i].get());
        device_->drawSubset(*mesh_, static_cast<int>(i));
    }
    return 0;
}

void CarMesh::release() {
    textures_.clear();
    materials_.clear();
    mesh_.reset();
    device_ = nullptr;
}

}  // namespace torvask
