#pragma once
// Vertex format codes and the scene's vertex record.
// A format code is a set of flags; the scene uses kSceneVertexFormat (0x152):
// position + normal + diffuse colour + one 2-D texture coordinate, 36 bytes a vertex.
#include <cstddef>
#include <cstdint>

namespace torvask {

inline constexpr std::uint32_t kVertexPosition = 0x002;      // x, y, z floats
inline constexpr std::uint32_t kVertexPositionRhw = 0x004;   // x, y, z, rhw floats (pre-transformed)
inline constexpr std::uint32_t kVertexNormal = 0x010;        // nx, ny, nz floats
inline constexpr std::uint32_t kVertexPointSize = 0x020;     // one float
inline constexpr std::uint32_t kVertexDiffuse = 0x040;       // 32-bit ARGB
inline constexpr std::uint32_t kVertexSpecular = 0x080;      // 32-bit ARGB
inline constexpr std::uint32_t kVertexTexCountMask = 0xF00;  // number of 2-D texture coordinate sets
inline constexpr std::uint32_t kVertexTexCountShift = 8;
inline constexpr std::uint32_t kVertexTex1 = 0x100;

inline constexpr std::uint32_t kSceneVertexFormat =
    kVertexPosition | kVertexNormal | kVertexDiffuse | kVertexTex1;
static_assert(kSceneVertexFormat == 0x152);

// Bytes per vertex of a format code; texture coordinate sets count as two floats each.
// 0 for a code with none of the known flags.
constexpr int vertexSizeOfFormat(std::uint32_t format) {
    int size = 0;
    if (format & kVertexPosition) size += 12;
    if (format & kVertexPositionRhw) size += 16;
    if (format & kVertexNormal) size += 12;
    if (format & kVertexPointSize) size += 4;
    if (format & kVertexDiffuse) size += 4;
    if (format & kVertexSpecular) size += 4;
    size += static_cast<int>((format & kVertexTexCountMask) >> kVertexTexCountShift) * 8;
    return size;
}

// One vertex of format 0x152, laid out byte for byte as the vertex buffer holds it.
struct SceneVertex {
    float x, y, z;        // position, render frame (y up)
    float nx, ny, nz;     // normal
    std::uint32_t diffuse;  // 0xAARRGGBB
    float u, v;           // texture coordinate
};

static_assert(sizeof(SceneVertex) == 36);
static_assert(offsetof(SceneVertex, nx) == 12);
static_assert(offsetof(SceneVertex, diffuse) == 24);
static_assert(offsetof(SceneVertex, u) == 28);
static_assert(vertexSizeOfFormat(kSceneVertexFormat) == sizeof(SceneVertex));

}  // namespace torvask
