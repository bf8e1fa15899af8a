#pragma once
// Loads a DirectX .x mesh file as subsets: one subset per material, in the file's material
// order, each with its material colours, texture file name and the triangles drawn with it.
// A material no face uses is kept as an empty subset, so subset numbers always equal material
// numbers (the car relies on subsets 8 and 9 being its brake lights).
#include <cstdint>
#include <string>
#include <vector>

#include "render/Device.h"

namespace torvask {

// Position and normal in the file's own (left-handed) frame; texture coordinates with v down.
struct XMeshVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float u = 0.0f, v = 0.0f;
};

struct XMeshSubset {
    std::vector<XMeshVertex> vertices;
    std::vector<std::uint32_t> indices;  // triangle list, clockwise seen from the front
    bool hasVertexColours = false;
    std::vector<ColorValue> vertexColours;  // parallel to vertices when hasVertexColours
    // False when the file gives no normals: the vertices' normals are then zero and the subset
    // is lit by its ambient and emissive colours only.
    bool hasNormals = false;
};

// Materials as the file gives them (the .x format stores no ambient colour: it reads as
// black). A file without materials gives an empty list and a single subset.
struct XMeshData {
    std::vector<MeshMaterial> materials;
    std::vector<XMeshSubset> subsets;  // parallel to materials, or one subset
};

// Only the text form of the format is read, and it is checked for consistent counts and
// indices before the parser sees it (see XFileCheck.h).
// Returns true and fills mesh on success; false (mesh empty, *error set when given) for a
// file that cannot be read or parsed, holds no geometry, or a path of 260 characters or more
// (the limit the program's paths have always had; longer ones are refused, not cut).
bool loadXMesh(const std::string& path, XMeshData& mesh, std::string* error = nullptr);

// Same, from the file's bytes in memory.
bool loadXMeshFromMemory(const void* data, std::size_t size, XMeshData& mesh, std::string* error = nullptr);

}  // namespace torvask
