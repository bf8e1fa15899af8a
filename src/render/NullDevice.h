#pragma once
// A Device that draws nothing and records every call (unless told not to keep them), for headless
// runs and tests.
//
// Every operation succeeds by default and appends one DeviceCall (its arguments and its result)
// to a DeviceLog. Any operation can be made to fail on purpose (NullDeviceOptions::failing);
// texture and mesh loads also fail for a path that is not an existing regular file, unless
// told otherwise. A loaded mesh has, by default, 10 subsets with plain materials.
//
// The log is shared with the resources the device makes, so releasing a texture, buffer, mesh
// or font appends a Release call even after the device itself is gone (teardown releases the
// device before the font). Keep a sharedLog() to read the calls after the device is destroyed.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "render/Device.h"

namespace torvask {

enum class DeviceOp {
    Clear,
    BeginScene,
    EndScene,
    Present,
    SetTransform,
    SetRenderState,
    SetTextureStageState,
    SetLight,
    LightEnable,
    SetMaterial,
    CreateVertexBuffer,
    LockVertexBuffer,
    UnlockVertexBuffer,
    SetStreamSource,
    SetVertexFormat,
    DrawPrimitive,
    LoadTexture,
    SetTexture,
    LoadMesh,
    DrawSubset,
    CreateFont,
    BeginText,
    DrawText,
    EndText,
    Release,  // a resource was destroyed (resource, text = its kind)
};

const char* deviceOpName(DeviceOp op);

// One recorded call. Only the fields an operation has are set; the rest keep their defaults:
//   Clear                 flags, color, depth, value = stencil
//   SetTransform          transform, matrix
//   SetRenderState        renderState, enabled
//   SetTextureStageState  index = stage, stageState, value
//   SetLight              index, light;  LightEnable  index, enabled
//   SetMaterial           material
//   CreateVertexBuffer    count = length in bytes, flags = usage, value = vertex format, resource
//   Lock/UnlockVertexBuffer  resource; lock also offset (value) and size (count)
//   SetStreamSource       index = stream, resource (0 = none), value = stride
//   SetVertexFormat       value
//   DrawPrimitive         primitive, value = first vertex, count = primitive count
//   LoadTexture           text = path, textureOptions, resource (0 on failure)
//   SetTexture            index = stage, resource (0 = none), text = the texture's path
//   LoadMesh              text = path, resource (0 on failure)
//   DrawSubset            resource, index = subset
//   CreateFont            index = height, text = face name, resource (0 on failure)
//   Begin/EndText         resource
//   DrawText              resource, text, index = length, rect, flags = format, color
//   Release               resource, text = "texture" | "vertex buffer" | "mesh" | "font"
// resource is the id the device gave the resource (1, 2, … in creation order, shared by all
// kinds); result is what the call returned (true for a non-empty creation result).
struct DeviceCall {
    DeviceOp op = DeviceOp::Clear;
    bool result = true;
    int resource = 0;
    int index = 0;
    std::uint32_t flags = 0;
    std::uint32_t color = 0;
    std::uint32_t value = 0;
    std::uint32_t count = 0;
    float depth = 0.0f;
    bool enabled = false;
    TransformKind transform = TransformKind::World;
    RenderState renderState = RenderState::Lighting;
    TextureStageState stageState = TextureStageState::AddressU;
    PrimitiveType primitive = PrimitiveType::TriangleStrip;
    Matrix4 matrix;
    Light light;
    Material material;
    TextureLoadOptions textureOptions;
    TextRect rect;
    std::string text;

    // One line naming the operation and its arguments, e.g. "drawPrimitive(TriangleStrip, 4, 2)"
    // or "setRenderState(Lighting, on)". Floats print with 9 significant digits, so two calls
    // with different float arguments never describe alike. Failed calls end in " -> failed".
    std::string describe() const;
};

struct DeviceLog {
    std::vector<DeviceCall> calls;
    int lastResourceId = 0;

    void clear() { calls.clear(); }
    // The calls of one kind, in order.
    std::vector<DeviceCall> ofKind(DeviceOp op) const;
    // describe() of every call, optionally only of the given kinds.
    std::vector<std::string> describeAll() const;
    std::vector<std::string> describeAll(const std::set<DeviceOp>& kinds) const;
};

struct NullDeviceOptions {
    // Operations that fail (return false, nullptr, an empty resource or 0).
    std::set<DeviceOp> failing;
    // Texture paths that fail to load, exactly as passed.
    std::set<std::string> failingTexturePaths;
    // When true, a texture or mesh load fails unless its path names an existing regular file.
    bool texturesNeedFiles = true;
    bool meshesNeedFiles = true;
    // The materials of every loaded mesh. When unset: meshSubsetCount plain materials (see
    // plainMeshMaterials).
    std::optional<std::vector<MeshMaterial>> meshMaterials;
    int meshSubsetCount = 10;
    // When false, calls behave exactly the same (results, failures, resource ids) but are not
    // appended to the log, and resources made meanwhile record no Release: a long headless run then
    // keeps flat memory. Tests that read the calls leave it on.
    bool keepCalls = true;
};

// count materials with distinct diffuse colours (r = (i + 1) / 16, g = 0.5, b = 0.25, a = 1),
// the other colours 0, power 0 and no texture.
std::vector<MeshMaterial> plainMeshMaterials(int count);

// Resources as the null device makes them; tests may inspect them.
class NullVertexBuffer final : public VertexBuffer {
public:
    NullVertexBuffer(std::shared_ptr<DeviceLog> log, int id, std::uint32_t lengthBytes, std::uint32_t usage,
                     std::uint32_t vertexFormat);
    ~NullVertexBuffer() override;
    std::uint32_t lengthBytes() const override { return static_cast<std::uint32_t>(bytes_.size()); }
    std::uint32_t vertexFormat() const override { return format_; }
    int id() const { return id_; }
    std::uint32_t usage() const { return usage_; }
    bool locked() const { return locked_; }
    // The buffer's contents (zero-filled at creation).
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    friend class NullDevice;
    std::shared_ptr<DeviceLog> log_;
    int id_;
    std::uint32_t usage_;
    std::uint32_t format_;
    std::vector<std::uint8_t> bytes_;
    bool locked_ = false;
};

class NullTexture final : public Texture {
public:
    NullTexture(std::shared_ptr<DeviceLog> log, int id, std::string path, TextureLoadOptions options);
    ~NullTexture() override;
    int id() const { return id_; }
    const std::string& path() const { return path_; }
    const TextureLoadOptions& options() const { return options_; }

private:
    std::shared_ptr<DeviceLog> log_;
    int id_;
    std::string path_;
    TextureLoadOptions options_;
};

class NullMesh final : public Mesh {
public:
    NullMesh(std::shared_ptr<DeviceLog> log, int id, std::string path, std::vector<MeshMaterial> materials);
    ~NullMesh() override;
    const std::vector<MeshMaterial>& materials() const override { return materials_; }
    int subsetCount() const override;
    int id() const { return id_; }
    const std::string& path() const { return path_; }

private:
    std::shared_ptr<DeviceLog> log_;
    int id_;
    std::string path_;
    std::vector<MeshMaterial> materials_;
};

class NullFont final : public Font {
public:
    NullFont(std::shared_ptr<DeviceLog> log, int id, FontDescription description);
    ~NullFont() override;
    int id() const { return id_; }
    const FontDescription& description() const { return description_; }

private:
    std::shared_ptr<DeviceLog> log_;
    int id_;
    FontDescription description_;
};

class NullDevice final : public Device {
public:
    explicit NullDevice(NullDeviceOptions options = {}, std::shared_ptr<DeviceLog> log = nullptr);

    // May be changed at any time; later calls follow the new options.
    NullDeviceOptions options;

    const std::vector<DeviceCall>& calls() const { return log_->calls; }
    DeviceLog& log() { return *log_; }
    std::shared_ptr<DeviceLog> sharedLog() const { return log_; }
    // Id of the buffer of the last successful setStreamSource on stream 0; 0 when unbound.
    int streamSourceId() const { return stream0_; }

    bool clear(std::uint32_t flags, std::uint32_t colorArgb, float depth, std::uint32_t stencil) override;
    bool beginScene() override;
    bool endScene() override;
    bool present() override;
    bool setTransform(TransformKind kind, const Matrix4& matrix) override;
    bool setRenderState(RenderState state, bool enabled) override;
    bool setTextureStageState(int stage, TextureStageState state, std::uint32_t value) override;
    bool setLight(int index, const Light& light) override;
    bool lightEnable(int index, bool enabled) override;
    bool setMaterial(const Material& material) override;
    std::unique_ptr<VertexBuffer> createVertexBuffer(std::uint32_t lengthBytes, std::uint32_t usage,
                                                     std::uint32_t vertexFormat) override;
    void* lockVertexBuffer(VertexBuffer& buffer, std::uint32_t offsetBytes, std::uint32_t sizeBytes) override;
    bool unlockVertexBuffer(VertexBuffer& buffer) override;
    bool setStreamSource(int stream, VertexBuffer* buffer, std::uint32_t strideBytes) override;
    bool setVertexFormat(std::uint32_t vertexFormat) override;
    bool drawPrimitive(PrimitiveType type, std::uint32_t firstVertex, std::uint32_t primitiveCount) override;
    std::unique_ptr<Texture> loadTexture(const std::string& path, const TextureLoadOptions& options) override;
    bool setTexture(int stage, Texture* texture) override;
    std::unique_ptr<Mesh> loadMesh(const std::string& path) override;
    bool drawSubset(Mesh& mesh, int subset) override;
    std::unique_ptr<Font> createFont(const FontDescription& description) override;
    bool beginText(Font& font) override;
    int drawText(Font& font, const std::string& text, int length, const TextRect& rect, std::uint32_t format,
                 std::uint32_t colorArgb) override;
    bool endText(Font& font) override;

private:
    DeviceCall& record(DeviceOp op);
    // The log a new resource records its Release in: none while calls are not kept.
    std::shared_ptr<DeviceLog> resourceLog() const { return options.keepCalls ? log_ : nullptr; }
    bool fails(DeviceOp op) const { return options.failing.count(op) != 0; }

    // Where calls go while options.keepCalls is off.
    DeviceCall scratch_;
    std::shared_ptr<DeviceLog> log_;
    int stream0_ = 0;
};

}  // namespace torvask
