#include "gl/GlGeometry.h"

#include <algorithm>
#include <cmath>

#include "common/Paths.h"
#include "gfx/XMesh.h"
#include "gl/GlDevice.h"
#include "render/Vertex.h"

namespace torvask {

namespace {

// Interleaved layout of mesh subset vertices: position, normal, uv, then (optionally) colour.
struct MeshVertexLayout {
    float x, y, z, nx, ny, nz, u, v;
    std::uint8_t b, g, r, a;
};
static_assert(sizeof(MeshVertexLayout) == 36);

// Vertices drawn for a primitive count, or 0 for an unknown type.
std::uint64_t verticesFor(PrimitiveType type, std::uint64_t count) {
    switch (type) {
        case PrimitiveType::PointList: return count;
        case PrimitiveType::LineList: return count * 2;
        case PrimitiveType::LineStrip: return count + 1;
        case PrimitiveType::TriangleList: return count * 3;
        case PrimitiveType::TriangleStrip:
        case PrimitiveType::TriangleFan: return count + 2;
    }
    return 0;
}

GLenum glPrimitive(PrimitiveType type) {
    switch (type) {
        case PrimitiveType::PointList: return GL_POINTS;
        case PrimitiveType::LineList: return GL_LINES;
        case PrimitiveType::LineStrip: return GL_LINE_STRIP;
        case PrimitiveType::TriangleList: return GL_TRIANGLES;
        case PrimitiveType::TriangleStrip: return GL_TRIANGLE_STRIP;
        case PrimitiveType::TriangleFan: return GL_TRIANGLE_FAN;
    }
    return GL_TRIANGLES;
}

}  // namespace

std::unique_ptr<VertexBuffer> GlDevice::createVertexBuffer(std::uint32_t lengthBytes, std::uint32_t,
                                                           std::uint32_t vertexFormat) {
    GlState& s = *state;
    // A zero-length buffer, or one no vertex fits in, is refused as the platform did.
    const int vertexSize = vertexSizeOfFormat(vertexFormat);
    if (!s.initialised || !s.makeCurrent() || lengthBytes == 0 || (vertexSize > 0 && lengthBytes < std::uint32_t(vertexSize))) {
        return nullptr;
    }
    return std::make_unique<GlVertexBuffer>(state, lengthBytes, vertexFormat);
}

void* GlDevice::lockVertexBuffer(VertexBuffer& buffer, std::uint32_t offsetBytes, std::uint32_t sizeBytes) {
    auto* vb = dynamic_cast<GlVertexBuffer*>(&buffer);
    if (vb == nullptr || vb->locked) return nullptr;
    const std::uint64_t end = std::uint64_t(offsetBytes) + sizeBytes;
    if (end > vb->bytes.size()) return nullptr;
    // A size of 0 locks the rest of the buffer from the offset.
    if (sizeBytes == 0) sizeBytes = std::uint32_t(vb->bytes.size() - offsetBytes);
    vb->locked = true;
    vb->lockOffset = offsetBytes;
    vb->lockSize = sizeBytes;
    return vb->bytes.data() + offsetBytes;
}

bool GlDevice::unlockVertexBuffer(VertexBuffer& buffer) {
    auto* vb = dynamic_cast<GlVertexBuffer*>(&buffer);
    GlState& s = *state;
    if (vb == nullptr || !vb->locked || !s.makeCurrent()) return false;
    vb->locked = false;
    s.gl->glBindBuffer(GL_ARRAY_BUFFER, vb->name);
    s.gl->glBufferSubData(GL_ARRAY_BUFFER, GLintptr(vb->lockOffset), GLsizeiptr(vb->lockSize),
                          vb->bytes.data() + vb->lockOffset);
    return true;
}

bool GlDevice::setStreamSource(int stream, VertexBuffer* buffer, std::uint32_t strideBytes) {
    if (stream != 0) return false;
    if (buffer == nullptr) {
        state->stream = nullptr;
        state->stride = 0;
        return true;
    }
    auto* vb = dynamic_cast<GlVertexBuffer*>(buffer);
    if (vb == nullptr || strideBytes == 0) return false;
    state->stream = vb;
    state->stride = strideBytes;
    return true;
}

bool GlDevice::setVertexFormat(std::uint32_t vertexFormat) {
    if (!(vertexFormat & kVertexPosition) || (vertexFormat & kVertexPositionRhw)) return false;
    state->vertexFormat = vertexFormat;
    return true;
}

bool GlDevice::drawPrimitive(PrimitiveType type, std::uint32_t firstVertex, std::uint32_t primitiveCount) {
    GlState& s = *state;
    if (!s.initialised || !s.inScene || s.stream == nullptr || s.stream->locked || !s.makeCurrent()) return false;
    const std::uint32_t format = s.vertexFormat;
    if (!(format & kVertexPosition)) return false;
    const std::uint64_t count = verticesFor(type, primitiveCount);
    if (count == 0) return primitiveCount == 0;
    const std::uint32_t vertexSize = std::uint32_t(vertexSizeOfFormat(format));
    if (s.stride < vertexSize) return false;
    // Every vertex drawn must lie inside the buffer.
    const std::uint64_t lastByte = (std::uint64_t(firstVertex) + count - 1) * s.stride + vertexSize;
    if (lastByte > s.stream->bytes.size()) return false;

    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, s.stream->name);
    std::uintptr_t offset = 0;
    auto attribute = [&](GLuint location, GLint size, GLenum type_, GLboolean normalise, std::uintptr_t at) {
        gl->glEnableVertexAttribArray(location);
        gl->glVertexAttribPointer(location, size, type_, normalise, GLsizei(s.stride), reinterpret_cast<void*>(at));
    };
    attribute(0, 3, GL_FLOAT, GL_FALSE, offset);
    offset += 12;
    const bool hasNormal = format & kVertexNormal;
    if (hasNormal) {
        attribute(1, 3, GL_FLOAT, GL_FALSE, offset);
        offset += 12;
    } else {
        gl->glDisableVertexAttribArray(1);
    }
    if (format & kVertexPointSize) offset += 4;
    const bool hasColour = format & kVertexDiffuse;
    if (hasColour) {
        attribute(2, GLint(kBgra), GL_UNSIGNED_BYTE, GL_TRUE, offset);
        offset += 4;
    } else {
        gl->glDisableVertexAttribArray(2);
    }
    if (format & kVertexSpecular) offset += 4;
    if ((format & kVertexTexCountMask) != 0) {
        attribute(3, 2, GL_FLOAT, GL_FALSE, offset);
    } else {
        gl->glDisableVertexAttribArray(3);
        gl->glVertexAttrib2f(3, 0.0f, 0.0f);
    }
    useSceneProgram(s, hasColour, hasNormal);
    gl->glDrawArrays(glPrimitive(type), GLint(firstVertex), GLsizei(count));
    return gl->glGetError() == GL_NO_ERROR;
}

std::unique_ptr<Mesh> GlDevice::loadMesh(const std::string& path) {
    GlState& s = *state;
    if (!s.initialised || !s.makeCurrent()) return nullptr;
    XMeshData data;
    if (!loadXMesh(toNativeSeparators(path), data)) return nullptr;
    auto mesh = std::make_unique<GlMesh>(state);
    mesh->materialList = data.materials;
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    for (const XMeshSubset& subset : data.subsets) {
        GlSubset out;
        out.hasColours = subset.hasVertexColours;
        out.hasNormals = subset.hasNormals;
        std::vector<MeshVertexLayout> vertices(subset.vertices.size());
        for (std::size_t i = 0; i < subset.vertices.size(); ++i) {
            const XMeshVertex& v = subset.vertices[i];
            MeshVertexLayout& o = vertices[i];
            o = {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v, 255, 255, 255, 255};
            if (out.hasColours && i < subset.vertexColours.size()) {
                const ColorValue& c = subset.vertexColours[i];
                auto byte = [](float f) { return std::uint8_t(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f)); };
                o.r = byte(c.r);
                o.g = byte(c.g);
                o.b = byte(c.b);
                o.a = byte(c.a);
            }
        }
        gl->glGenBuffers(1, &out.vertexBuffer);
        gl->glBindBuffer(GL_ARRAY_BUFFER, out.vertexBuffer);
        gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(MeshVertexLayout)),
                         vertices.empty() ? nullptr : vertices.data(), GL_STATIC_DRAW);
        gl->glGenBuffers(1, &out.indexBuffer);
        gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, out.indexBuffer);
        gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(subset.indices.size() * sizeof(std::uint32_t)),
                         subset.indices.empty() ? nullptr : subset.indices.data(), GL_STATIC_DRAW);
        out.indexCount = GLsizei(subset.indices.size());
        mesh->subsets.push_back(out);
    }
    if (gl->glGetError() != GL_NO_ERROR) return nullptr;
    return mesh;
}

bool GlDevice::drawSubset(Mesh& mesh, int subset) {
    GlState& s = *state;
    auto* m = dynamic_cast<GlMesh*>(&mesh);
    if (m == nullptr || !s.initialised || !s.inScene || subset < 0 || subset >= m->subsetCount() || !s.makeCurrent()) {
        return false;
    }
    const GlSubset& sub = m->subsets[std::size_t(subset)];
    if (sub.indexCount == 0) return true;  // a material no face uses
    QOpenGLExtraFunctions* gl = s.gl;
    gl->glBindVertexArray(s.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, sub.vertexBuffer);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sub.indexBuffer);
    const GLsizei stride = sizeof(MeshVertexLayout);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(12));
    gl->glEnableVertexAttribArray(3);
    gl->glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(24));
    if (sub.hasColours) {
        gl->glEnableVertexAttribArray(2);
        gl->glVertexAttribPointer(2, GLint(kBgra), GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(32));
    } else {
        gl->glDisableVertexAttribArray(2);
    }
    useSceneProgram(s, sub.hasColours, sub.hasNormals);
    gl->glDrawElements(GL_TRIANGLES, sub.indexCount, GL_UNSIGNED_INT, nullptr);
    return gl->glGetError() == GL_NO_ERROR;
}

}  // namespace torvask
