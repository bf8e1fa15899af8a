#include "sim/SensorMarks.h"

#include <cmath>
#include <cstring>

#include "physics/Car.h"
#include "physics/Track.h"
#include "render/Math.h"

namespace torvask {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Above the road ribbon (itself lifted 0.2 above its edge points), so the marks never fight it
// for depth.
constexpr double kMarkLift = 0.25;
constexpr double kDiscRadius = 0.7;
constexpr int kDiscSegments = 12;
constexpr double kPostHeight = 1.6;
constexpr double kPostHalfWidth = 0.1;
// The arrow starts just ahead of the car's nose (the chassis is 4 long) and ends 8 ahead.
constexpr double kArrowStart = 2.2;
constexpr double kArrowHeadStart = 6.5;
constexpr double kArrowEnd = 8.5;
constexpr double kArrowShaftHalfWidth = 0.18;
constexpr double kArrowHeadHalfWidth = 0.6;

constexpr int kVerticesPerMark = kDiscSegments * 3 + 12;
constexpr int kArrowVertices = 9;
constexpr int kVertexCount = 4 * kVerticesPerMark + kArrowVertices;

SceneVertex vertexAt(double x, double y, double z, std::uint32_t colour) {
    return SceneVertex{static_cast<float>(x),
                       static_cast<float>(y),
                       static_cast<float>(z),
                       0.0f,
                       1.0f,
                       0.0f,
                       colour,
                       0.0f,
                       0.0f};
}

}  // namespace

bool SensorMarks::update(const Car& car, const Track& track) {
    valid_ = false;
    const auto& left = track.getLeftEdge();
    const auto& right = track.getRightEdge();
    for (int k = 0; k < 4; ++k) {
        const std::int32_t i = car.getSensorWaypoint(k);
        if (i < 0 || static_cast<std::size_t>(i) >= left.size() ||
            static_cast<std::size_t>(i) >= right.size()) {
            return false;
        }
        const Vector3& l = left[static_cast<std::size_t>(i)];
        const Vector3& r = right[static_cast<std::size_t>(i)];
        points_[static_cast<std::size_t>(k)] =
            Vector3((l.x + r.x) * 0.5, (l.y + r.y) * 0.5, (l.z + r.z) * 0.5);
    }
    carPosition_ = car.getPosition();
    yaw_ = car.getRotation().y;
    valid_ = true;
    return true;
}

void SensorMarks::build() {
    vertices_.clear();
    vertices_.reserve(kVertexCount);
    for (std::size_t k = 0; k < points_.size(); ++k) {
        const Vector3& p = points_[k];
        const std::uint32_t colour = kSensorMarkColours[k];
        const double y = p.y + kMarkLift;
        for (int s = 0; s < kDiscSegments; ++s) {
            const double a0 = 2.0 * kPi * s / kDiscSegments;
            const double a1 = 2.0 * kPi * (s + 1) / kDiscSegments;
            vertices_.push_back(vertexAt(p.x, y, p.z, colour));
            vertices_.push_back(
                vertexAt(p.x + kDiscRadius * std::cos(a0), y, p.z + kDiscRadius * std::sin(a0), colour));
            vertices_.push_back(
                vertexAt(p.x + kDiscRadius * std::cos(a1), y, p.z + kDiscRadius * std::sin(a1), colour));
        }
        // Two crossed upright quads: a post seen from any side, which a low camera sees where
        // it would see the flat disc edge-on.
        const double top = y + kPostHeight;
        for (int side = 0; side < 2; ++side) {
            const double dx = side == 0 ? kPostHalfWidth : 0.0;
            const double dz = side == 0 ? 0.0 : kPostHalfWidth;
            const SceneVertex a = vertexAt(p.x - dx, y, p.z - dz, colour);
            const SceneVertex b = vertexAt(p.x + dx, y, p.z + dz, colour);
            const SceneVertex c = vertexAt(p.x + dx, top, p.z + dz, colour);
            const SceneVertex d = vertexAt(p.x - dx, top, p.z - dz, colour);
            vertices_.insert(vertices_.end(), {a, b, c, a, c, d});
        }
    }
    // The heading: the direction the car's look-ahead point lies in, flat on the road.
    const double fx = std::sin(yaw_);
    const double fz = std::cos(yaw_);
    const double sx = fz;  // to the right of the heading, in the ground plane
    const double sz = -fx;
    const double y = points_[0].y + kMarkLift;
    auto at = [&](double along, double across) {
        return vertexAt(carPosition_.x + fx * along + sx * across, y,
                        carPosition_.z + fz * along + sz * across, kHeadingArrowColour);
    };
    const SceneVertex a = at(kArrowStart, -kArrowShaftHalfWidth);
    const SceneVertex b = at(kArrowStart, kArrowShaftHalfWidth);
    const SceneVertex c = at(kArrowHeadStart, kArrowShaftHalfWidth);
    const SceneVertex d = at(kArrowHeadStart, -kArrowShaftHalfWidth);
    vertices_.insert(vertices_.end(), {a, b, c, a, c, d, at(kArrowHeadStart, -kArrowHeadHalfWidth),
                                       at(kArrowHeadStart, kArrowHeadHalfWidth), at(kArrowEnd, 0.0)});
}

bool SensorMarks::draw(Device& device) {
    if (!valid_) return false;
    build();
    const auto bytes = static_cast<std::uint32_t>(vertices_.size() * sizeof(SceneVertex));
    if (!buffer_) buffer_ = device.createVertexBuffer(bytes, kUsageWriteOnly, kSceneVertexFormat);
    if (!buffer_ || buffer_->lengthBytes() < bytes) return false;
    void* target = device.lockVertexBuffer(*buffer_, 0, bytes);
    if (target == nullptr) return false;
    std::memcpy(target, vertices_.data(), bytes);
    if (!device.unlockVertexBuffer(*buffer_)) return false;
    device.setStreamSource(0, buffer_.get(), sizeof(SceneVertex));
    device.setVertexFormat(kSceneVertexFormat);
    device.setTransform(TransformKind::World, matrixIdentity());
    device.setTexture(0, nullptr);
    device.setRenderState(RenderState::Lighting, false);
    const bool drawn = device.drawPrimitive(PrimitiveType::TriangleList, 0,
                                            static_cast<std::uint32_t>(vertices_.size() / 3));
    device.setRenderState(RenderState::Lighting, true);
    return drawn;
}

}  // namespace torvask
