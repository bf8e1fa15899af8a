#pragma once
// The rendering device: the one interface through which the simulation draws. It offers the
// fixed-function operations the frame's render step and scene start-up use (clear, scene
// begin/end, transforms, render and texture-stage states, one light, materials, vertex
// buffers, textures, meshes, text, present). Implementations: the OpenGL device in gl/ and
// NullDevice (render/NullDevice.h) for headless runs and tests.
//
// Results: operations that can fail return bool (true = done); creation and loading return a
// std::unique_ptr that is empty on failure. No operation throws.
//
// Resources (VertexBuffer, Texture, Mesh, Font) are abstract classes owned through
// std::unique_ptr by whoever created them; destroying the pointer releases the resource.
// A resource belongs to the device that made it and is only ever passed back to that device.
// It may, however, outlive its device: teardown releases the device before the status font,
// and the vertex pool and car mesh keep theirs until the next start-up. Destroying a resource
// after its device is gone must be harmless; nothing else may be done with it then.
//
// Matrices are row-vector, left-handed (render/Math.h); colours are 0xAARRGGBB unless a
// ColorValue (four floats) is asked for. All positions are in the render frame (y up).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/Math.h"

namespace torvask {

// Four floats in [0, 1] (values outside are allowed and passed on unchanged).
struct ColorValue {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
    bool operator==(const ColorValue&) const = default;
};

// Surface material of the fixed-function lighting model (68 bytes, as mesh files store it).
struct Material {
    ColorValue diffuse;
    ColorValue ambient;
    ColorValue specular;
    ColorValue emissive;
    float power = 0.0f;  // specular exponent
    bool operator==(const Material&) const = default;
};
static_assert(sizeof(Material) == 68);

enum class LightType : std::uint32_t { Point = 1, Spot = 2, Directional = 3 };

// A light of the fixed-function model. The scene uses one directional light (index 0).
struct Light {
    LightType type = LightType::Directional;
    ColorValue diffuse;
    ColorValue specular;
    ColorValue ambient;
    Vector3f position;   // point and spot lights
    Vector3f direction;  // directional and spot lights; the direction the light travels
    float range = 0.0f;
    float falloff = 0.0f;
    float attenuation0 = 0.0f;
    float attenuation1 = 0.0f;
    float attenuation2 = 0.0f;
    float theta = 0.0f;
    float phi = 0.0f;
    bool operator==(const Light&) const = default;
};

// clear() flags; combine with |.
inline constexpr std::uint32_t kClearTarget = 0x1;   // colour buffer
inline constexpr std::uint32_t kClearZBuffer = 0x2;  // depth buffer
inline constexpr std::uint32_t kClearStencil = 0x4;

enum class TransformKind : std::uint32_t { View = 2, Projection = 3, World = 256 };

// Render states the scene switches; each is on or off.
enum class RenderState : std::uint32_t {
    Lighting,   // fixed-function lighting; off = vertex diffuse colour × texture only
    DepthTest,  // depth test and depth write together
    AlphaBlend, // source alpha over what is drawn: colour × a + destination × (1 − a)
};

enum class TextureStageState : std::uint32_t { AddressU, AddressV, MagFilter, MinFilter, MipFilter };

// Values of the filter stage states.
enum class TextureFilter : std::uint32_t { None = 0, Point = 1, Linear = 2, Anisotropic = 3 };
// Values of the addressing stage states.
enum class TextureAddress : std::uint32_t { Wrap = 1, Mirror = 2, Clamp = 3 };

enum class PrimitiveType : std::uint32_t {
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5,
    TriangleFan = 6,
};

// Filters applied while a texture file is turned into a texture (resizing and mip levels).
enum class ImageFilter : std::uint32_t { None = 1, Point = 2, Linear = 3, Triangle = 4, Box = 5 };

struct TextureLoadOptions {
    ImageFilter imageFilter = ImageFilter::Triangle;  // when the image must be resized
    ImageFilter mipFilter = ImageFilter::Box;         // when building the smaller mip levels
    bool operator==(const TextureLoadOptions&) const = default;
};

// Vertex buffer usage flags.
inline constexpr std::uint32_t kUsageWriteOnly = 0x8;

// One material of a mesh file, in file order: the material and the texture file name exactly
// as the file gives it (empty when the material has none). Relative names are resolved by the
// caller, against the mesh file's folder.
struct MeshMaterial {
    Material material;
    std::string textureFile;
    bool operator==(const MeshMaterial&) const = default;
};

struct FontDescription {
    // As in a font description: a negative value is the character height in pixels (the
    // status font uses -12), a positive one the cell height.
    int height = 0;
    std::string faceName;  // "Arial" resolves to a metric-compatible installed face
};

// Rectangle in window pixels, left/top inclusive, right/bottom exclusive.
struct TextRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const TextRect&) const = default;
};

// drawText() format flags: 0 is left- and top-aligned with word breaks off.
inline constexpr std::uint32_t kTextLeftTop = 0x0;

class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;
    virtual std::uint32_t lengthBytes() const = 0;
    virtual std::uint32_t vertexFormat() const = 0;
};

class Texture {
public:
    virtual ~Texture() = default;
};

// A loaded mesh: subsets numbered in file order, subset i drawn with materials()[i].
// A file without materials yields an empty list and one subset, 0.
class Mesh {
public:
    virtual ~Mesh() = default;
    virtual const std::vector<MeshMaterial>& materials() const = 0;
    virtual int subsetCount() const = 0;
};

class Font {
public:
    virtual ~Font() = default;
};

class Device {
public:
    virtual ~Device() = default;

    // Frame.
    // flags: kClearTarget | kClearZBuffer | kClearStencil; colour 0xAARRGGBB; depth in [0, 1].
    virtual bool clear(std::uint32_t flags, std::uint32_t colorArgb, float depth, std::uint32_t stencil) = 0;
    virtual bool beginScene() = 0;
    virtual bool endScene() = 0;
    // Shows the whole back buffer in the device's window.
    virtual bool present() = 0;

    // Fixed-function state.
    virtual bool setTransform(TransformKind kind, const Matrix4& matrix) = 0;
    virtual bool setRenderState(RenderState state, bool enabled) = 0;
    // value: a TextureFilter for the filter states, a TextureAddress for the addressing states.
    virtual bool setTextureStageState(int stage, TextureStageState state, std::uint32_t value) = 0;
    virtual bool setLight(int index, const Light& light) = 0;
    virtual bool lightEnable(int index, bool enabled) = 0;
    virtual bool setMaterial(const Material& material) = 0;

    // Vertex buffers. lengthBytes = vertex count × vertex size; usage: kUsageWriteOnly or 0.
    virtual std::unique_ptr<VertexBuffer> createVertexBuffer(std::uint32_t lengthBytes, std::uint32_t usage,
                                                             std::uint32_t vertexFormat) = 0;
    // Returns a pointer to sizeBytes writable bytes starting at offsetBytes, or nullptr on
    // failure (including a range beyond the buffer). Valid until unlockVertexBuffer.
    virtual void* lockVertexBuffer(VertexBuffer& buffer, std::uint32_t offsetBytes, std::uint32_t sizeBytes) = 0;
    virtual bool unlockVertexBuffer(VertexBuffer& buffer) = 0;
    // Makes buffer the vertex stream (stream 0 is the only one used); stride in bytes.
    // nullptr unbinds.
    virtual bool setStreamSource(int stream, VertexBuffer* buffer, std::uint32_t strideBytes) = 0;
    virtual bool setVertexFormat(std::uint32_t vertexFormat) = 0;
    // Draws primitiveCount primitives from the current stream, from vertex firstVertex on.
    virtual bool drawPrimitive(PrimitiveType type, std::uint32_t firstVertex, std::uint32_t primitiveCount) = 0;

    // Textures. Size, mip levels and pixel format come from the file. Empty on failure.
    virtual std::unique_ptr<Texture> loadTexture(const std::string& path, const TextureLoadOptions& options) = 0;
    // nullptr turns texturing off for that stage.
    virtual bool setTexture(int stage, Texture* texture) = 0;

    // Meshes. Empty on failure (missing or unreadable file).
    virtual std::unique_ptr<Mesh> loadMesh(const std::string& path) = 0;
    // Draws one subset with the current transform, material and texture.
    virtual bool drawSubset(Mesh& mesh, int subset) = 0;

    // Text. Empty on failure.
    virtual std::unique_ptr<Font> createFont(const FontDescription& description) = 0;
    virtual bool beginText(Font& font) = 0;
    // length -1 draws the whole string; format kTextLeftTop; colour 0xAARRGGBB.
    // Returns the height of the drawn text in pixels, 0 on failure.
    virtual int drawText(Font& font, const std::string& text, int length, const TextRect& rect,
                         std::uint32_t format, std::uint32_t colorArgb) = 0;
    virtual bool endText(Font& font) = 0;
};

}  // namespace torvask
