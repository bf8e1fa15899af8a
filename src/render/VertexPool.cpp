#include "render/VertexPool.h"

#include <cstring>
#include <limits>

#include "common/Messages.h"
#include "render/Vertex.h"

namespace torvask {

bool VertexPool::create(Device* device, std::int32_t capacity, std::uint32_t vertexFormat) {
    if (!device) return false;
    buffer_.reset();
    freeIndex_ = 0;
    device_ = device;
    capacity_ = capacity;
    vertexFormat_ = vertexFormat;
    vertexSize_ = vertexSizeOfFormat(vertexFormat);
    const std::int64_t bytes = std::int64_t{vertexSize_} * capacity;
    if (capacity < 1 || vertexSize_ < 1 || bytes > std::numeric_limits<std::uint32_t>::max()) return false;
    buffer_ = device->createVertexBuffer(static_cast<std::uint32_t>(bytes), kUsageWriteOnly, vertexFormat);
    return buffer_ != nullptr;
}

std::int32_t VertexPool::addVertices(std::int32_t count, const void* vertices) {
    if (!device_ || !buffer_) return -1;
    if (count < 0 || (count > 0 && !vertices)) return -2;
    if (std::int64_t{freeIndex_} + count > capacity_) return -2;
    const auto offset = static_cast<std::uint32_t>(freeIndex_) * static_cast<std::uint32_t>(vertexSize_);
    const auto size = static_cast<std::uint32_t>(count) * static_cast<std::uint32_t>(vertexSize_);
    void* target = device_->lockVertexBuffer(*buffer_, offset, size);
    if (!target) {
        formatMessage("VertexPool::addVertices() numVertices = %d  freeVertexIndex = %d, vertexSize = %d", count,
                      freeIndex_, vertexSize_);
        return -3;
    }
    if (size) std::memcpy(target, vertices, size);
    if (!device_->unlockVertexBuffer(*buffer_)) return -4;
    const std::int32_t first = freeIndex_;
    freeIndex_ += count;
    return first;
}

bool VertexPool::bind() {
    if (!device_ || !buffer_ || freeIndex_ == 0) return false;
    return device_->setStreamSource(0, buffer_.get(), static_cast<std::uint32_t>(vertexSize_));
}

}  // namespace torvask
