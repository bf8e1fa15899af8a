#pragma once
// Geometry: vertex buffers the scene fills and draws, and meshes uploaded from .x files.
// Internal to gl/.
#include <vector>

#include "gl/GlState.h"

namespace torvask {

class GlVertexBuffer : public VertexBuffer, public GlResource {
public:
    GlVertexBuffer(std::shared_ptr<GlState> s, std::uint32_t length, std::uint32_t format)
        : GlResource(std::move(s)), bytes(length, 0), fvf(format) {
        state->gl->glGenBuffers(1, &name);
        state->gl->glBindBuffer(GL_ARRAY_BUFFER, name);
        state->gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(length), nullptr, GL_STATIC_DRAW);
    }
    ~GlVertexBuffer() override {
        if (state->alive && state->stream == this) state->stream = nullptr;
        detach();
    }
    void releaseGl() override {
        state->gl->glDeleteBuffers(1, &name);
        name = 0;
    }
    std::uint32_t lengthBytes() const override { return std::uint32_t(bytes.size()); }
    std::uint32_t vertexFormat() const override { return fvf; }

    std::vector<std::uint8_t> bytes;  // what the buffer holds, for locking
    std::uint32_t fvf;
    GLuint name = 0;
    bool locked = false;
    std::uint32_t lockOffset = 0;
    std::uint32_t lockSize = 0;
};

struct GlSubset {
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLsizei indexCount = 0;
    bool hasColours = false;
    bool hasNormals = false;
};

class GlMesh : public Mesh, public GlResource {
public:
    explicit GlMesh(std::shared_ptr<GlState> s) : GlResource(std::move(s)) {}
    ~GlMesh() override { detach(); }
    void releaseGl() override {
        for (GlSubset& subset : subsets) {
            state->gl->glDeleteBuffers(1, &subset.vertexBuffer);
            state->gl->glDeleteBuffers(1, &subset.indexBuffer);
            subset.vertexBuffer = subset.indexBuffer = 0;
        }
    }
    const std::vector<MeshMaterial>& materials() const override { return materialList; }
    int subsetCount() const override { return int(subsets.size()); }

    std::vector<MeshMaterial> materialList;
    std::vector<GlSubset> subsets;
};

}  // namespace torvask
