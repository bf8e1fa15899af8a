#include "gfx/XMesh.h"

#include "gfx/XFileCheck.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace torvask {

namespace {

constexpr std::size_t kMaxPathLength = 260;
// Far beyond any car mesh; keeps a wrong file name from pulling a huge file into memory.
constexpr std::size_t kMaxFileBytes = std::size_t(64) << 20;

// Assimp keeps the .x file's frame when asked for left-handed output, which is the frame the
// render step draws in. Materials are never merged or removed: subset numbers must stay.
constexpr unsigned kImportFlags = aiProcess_ConvertToLeftHanded | aiProcess_Triangulate |
                                  aiProcess_SortByPType | aiProcess_FindInvalidData;

bool fail(XMeshData& mesh, std::string* error, const std::string& why) {
    mesh = XMeshData{};
    if (error) *error = why;
    return false;
}

ColorValue readColour(const aiMaterial* material, const char* key, unsigned type, unsigned index,
                       float alpha) {
    aiColor4D colour(0.0f, 0.0f, 0.0f, alpha);
    ColorValue out{0.0f, 0.0f, 0.0f, alpha};
    if (material->Get(key, type, index, colour) == AI_SUCCESS) out = {colour.r, colour.g, colour.b, colour.a};
    return out;
}

void appendMeshes(const aiScene* scene, const aiNode* node, const aiMatrix4x4& transform, XMeshData& mesh) {
    aiMatrix3x3 normalTransform(transform);
    normalTransform.Inverse().Transpose();
    for (unsigned m = 0; m < node->mNumMeshes; ++m) {
        const aiMesh* source = scene->mMeshes[node->mMeshes[m]];
        if (!(source->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        if (source->mMaterialIndex >= mesh.subsets.size()) continue;
        XMeshSubset& subset = mesh.subsets[source->mMaterialIndex];
        const std::uint32_t base = std::uint32_t(subset.vertices.size());
        const bool colours = source->HasVertexColors(0);
        if (colours && base == 0) subset.hasVertexColours = true;
        if (source->HasNormals() && base == 0) subset.hasNormals = true;
        for (unsigned v = 0; v < source->mNumVertices; ++v) {
            const aiVector3D p = transform * source->mVertices[v];
            XMeshVertex vertex;
            vertex.x = p.x;
            vertex.y = p.y;
            vertex.z = p.z;
            if (source->HasNormals()) {
                // A zero normal stays zero: normalising it would give NaN.
                const aiVector3D n = normalTransform * source->mNormals[v];
                const float length = n.Length();
                if (length > 0.0f) {
                    vertex.nx = n.x / length;
                    vertex.ny = n.y / length;
                    vertex.nz = n.z / length;
                }
            }
            if (source->HasTextureCoords(0)) {
                vertex.u = source->mTextureCoords[0][v].x;
                vertex.v = source->mTextureCoords[0][v].y;
            }
            subset.vertices.push_back(vertex);
            if (subset.hasVertexColours) {
                ColorValue c{1.0f, 1.0f, 1.0f, 1.0f};
                if (colours) {
                    const aiColor4D& s = source->mColors[0][v];
                    c = {s.r, s.g, s.b, s.a};
                }
                subset.vertexColours.push_back(c);
            }
        }
        for (unsigned f = 0; f < source->mNumFaces; ++f) {
            const aiFace& face = source->mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned i = 0; i < 3; ++i) {
                if (face.mIndices[i] >= source->mNumVertices) return;
                subset.indices.push_back(base + face.mIndices[i]);
            }
        }
    }
}

// Walks the node tree depth first, parents before children and children in order, with a
// stack of our own: how deep the tree is comes from the file.
void appendNodes(const aiScene* scene, XMeshData& mesh) {
    struct Pending {
        const aiNode* node;
        aiMatrix4x4 parent;
    };
    std::vector<Pending> stack{{scene->mRootNode, aiMatrix4x4()}};
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        const aiMatrix4x4 transform = next.parent * next.node->mTransformation;
        appendMeshes(scene, next.node, transform, mesh);
        for (unsigned c = next.node->mNumChildren; c-- > 0;) stack.push_back({next.node->mChildren[c], transform});
    }
}

// Assimp invents one grey material for a mesh that names none. A text file without a material
// list has none of its own; binary files are taken at Assimp's word.
bool textFileWithoutMaterials(const void* data, std::size_t size) {
    const char* text = static_cast<const char*>(data);
    if (size < 16 || std::memcmp(text, "xof ", 4) != 0 || std::memcmp(text + 8, "txt ", 4) != 0) return false;
    const std::string_view view(text, size);
    return view.find("MeshMaterialList") == std::string_view::npos;
}

bool convertScene(const aiScene* scene, Assimp::Importer& importer, bool noMaterials, XMeshData& mesh,
                  std::string* error) {
    if (scene == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || scene->mRootNode == nullptr) {
        return fail(mesh, error, importer.GetErrorString());
    }
    mesh = XMeshData{};
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
        const aiMaterial* source = scene->mMaterials[i];
        MeshMaterial material;
        material.material.diffuse = readColour(source, AI_MATKEY_COLOR_DIFFUSE, 1.0f);
        material.material.ambient = readColour(source, AI_MATKEY_COLOR_AMBIENT, 1.0f);
        material.material.specular = readColour(source, AI_MATKEY_COLOR_SPECULAR, 1.0f);
        material.material.emissive = readColour(source, AI_MATKEY_COLOR_EMISSIVE, 1.0f);
        float power = 0.0f;
        if (source->Get(AI_MATKEY_SHININESS, power) == AI_SUCCESS) material.material.power = power;
        aiString texture;
        if (source->GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS) {
            material.textureFile = texture.C_Str();
        }
        mesh.materials.push_back(material);
    }
    mesh.subsets.resize(mesh.materials.size());
    appendNodes(scene, mesh);
    if (noMaterials) {
        // Everything was drawn with the invented material: one subset, no materials.
        XMeshSubset merged;
        merged.hasNormals = true;
        for (XMeshSubset& subset : mesh.subsets) {
            if (!subset.vertices.empty()) merged.hasNormals = merged.hasNormals && subset.hasNormals;
            const std::uint32_t base = std::uint32_t(merged.vertices.size());
            merged.vertices.insert(merged.vertices.end(), subset.vertices.begin(), subset.vertices.end());
            for (std::uint32_t index : subset.indices) merged.indices.push_back(base + index);
        }
        mesh.materials.clear();
        mesh.subsets.assign(1, std::move(merged));
    }
    std::size_t triangles = 0;
    for (const XMeshSubset& subset : mesh.subsets) triangles += subset.indices.size() / 3;
    if (triangles == 0) return fail(mesh, error, "the file holds no triangles");
    return true;
}

}  // namespace

bool loadXMesh(const std::string& path, XMeshData& mesh, std::string* error) {
    mesh = XMeshData{};
    if (path.empty()) return fail(mesh, error, "empty path");
    if (path.size() >= kMaxPathLength) return fail(mesh, error, "path too long");
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return fail(mesh, error, "cannot open " + path);
    const std::streamoff length = in.tellg();
    if (length <= 0 || std::uint64_t(length) > kMaxFileBytes) return fail(mesh, error, "unusable file size");
    in.seekg(0);
    std::vector<char> bytes(static_cast<std::size_t>(length));
    if (!in.read(bytes.data(), length)) return fail(mesh, error, "cannot read " + path);
    return loadXMeshFromMemory(bytes.data(), bytes.size(), mesh, error);
}

bool loadXMeshFromMemory(const void* data, std::size_t size, XMeshData& mesh, std::string* error) {
    mesh = XMeshData{};
    if (data == nullptr || size == 0) return fail(mesh, error, "no data");
    if (size > kMaxFileBytes) return fail(mesh, error, "unusable file size");
    std::string why;
    if (!checkTextXFile(static_cast<const char*>(data), size, &why)) return fail(mesh, error, why);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(data, size, kImportFlags, "x");
    return convertScene(scene, importer, textFileWithoutMaterials(data, size), mesh, error);
}

}  // namespace torvask
