#pragma once
// One vertex buffer of fixed capacity that holds all static scene geometry (ground, track
// ribbon, skybox). Geometry is appended once at start-up; each append answers the index of
// its first vertex, which the caller keeps for drawing. Nothing is ever removed: create
// starts over.
#include <cstdint>
#include <memory>

#include "render/Device.h"

namespace torvask {

class VertexPool {
public:
    VertexPool() = default;
    VertexPool(const VertexPool&) = delete;
    VertexPool& operator=(const VertexPool&) = delete;

    // Releases any earlier buffer, then makes a write-only buffer of capacity vertices of
    // vertexFormat (vertex size from the format). False with no device, a capacity below 1,
    // a format of no size or a buffer the device refuses; the pool is then empty.
    bool create(Device* device, std::int32_t capacity, std::uint32_t vertexFormat);

    // Copies count vertices (count × vertexSize bytes) behind the ones stored. Returns the
    // first index of the added vertices, or
    //   -1  no device or no buffer,
    //   -2  they do not fit (also for a negative count or no vertex data): nothing written,
    //   -3  the buffer could not be locked (reported with formatMessage),
    //   -4  the buffer could not be unlocked: the vertices are not counted.
    std::int32_t addVertices(std::int32_t count, const void* vertices);

    // Makes the buffer vertex stream 0. False with no device, no buffer or no vertices stored.
    bool bind();

    Device* device() const { return device_; }
    VertexBuffer* buffer() const { return buffer_.get(); }
    std::int32_t capacity() const { return capacity_; }
    std::uint32_t vertexFormat() const { return vertexFormat_; }
    // Index of the first free slot, i.e. the number of vertices stored.
    std::int32_t freeIndex() const { return freeIndex_; }
    std::int32_t vertexSize() const { return vertexSize_; }

private:
    Device* device_ = nullptr;  // not owned
    std::unique_ptr<VertexBuffer> buffer_;
    std::int32_t capacity_ = 0;
    std::uint32_t vertexFormat_ = 0;
    std::int32_t freeIndex_ = 0;
    std::int32_t vertexSize_ = 0;
};

}  // namespace torvask
