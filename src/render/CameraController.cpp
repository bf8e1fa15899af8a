#include "render/CameraController.h"

#include <cmath>

namespace torvask {

int CameraController::setStatic() {
    mode_ = kModeStatic;
    return 1;
}

bool CameraController::followPath(const std::vector<Vector3>& points, float durationSeconds) {
    // A zero, negative or non-finite duration would turn every camera coordinate into NaN.
    if (points.empty() || !(durationSeconds > 0.0f) || !std::isfinite(durationSeconds)) return false;
    mode_ = kModePath;
    path_ = points;
    pathLength_ = 0.0f;
    for (std::size_t i = 0; i + 1 < path_.size(); ++i) pathLength_ += (path_[i + 1] - path_[i]).length();
    pathMoves_ = false;
    for (std::size_t i = 0; i < path_.size(); ++i)
        if (path_[(i + 1) % path_.size()] != path_[i]) pathMoves_ = true;
    pathSpeed_ = pathLength_ / durationSeconds;
    segmentStart_ = 0.0f;
    segment_ = 0;
    elapsed_ = 0;
    return true;
}

bool CameraController::followCar(const PoseSource& target, const Vector3& offset, std::uint8_t flag) {
    mode_ = kModeFollow;
    target_ = &target;
    offset_ = offset;
    followFlag_ = flag;
    elapsed_ = 0;
    return true;
}

Vector3 CameraController::pointAt(float s, bool advance) {
    if (path_.empty()) return {};
    const std::int32_t keptSegment = segment_;
    const float keptStart = segmentStart_;
    const std::int32_t n = static_cast<std::int32_t>(path_.size());

    Vector3 result = path_[segment_];
    // With every point in the same place there is no segment to move along (and skipping
    // zero-length segments would never end).
    if (pathMoves_) {
        for (;;) {
            const std::int32_t j = (segment_ + 1) % n;
            const double length = (path_[j] - path_[segment_]).length();
            if (length == 0.0) {
                // The closing segment of a closed track: nothing to fly along, go on.
                segment_ = j;
                continue;
            }
            double c = (static_cast<double>(s) - static_cast<double>(segmentStart_)) / length;
            if (c >= 1.0) {
                const float nextStart = static_cast<float>(segmentStart_ + length);
                if (nextStart != segmentStart_) {
                    segmentStart_ = nextStart;
                    segment_ = j;
                    continue;
                }
                // Far along the path a float no longer grows by one segment; stop at its end
                // instead of looping for ever.
                c = 1.0;
            }
            result = path_[segment_] * (1.0 - c) + path_[j] * c;
            break;
        }
    }
    if (!advance) {
        segment_ = keptSegment;
        segmentStart_ = keptStart;
    }
    return result;
}

int CameraController::update(std::int32_t elapsedMs) {
    if (!camera_) return -1;
    if (mode_ == kModePath) {
        // Wraps instead of overflowing after about 24 days in this mode.
        elapsed_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(elapsed_) +
                                             static_cast<std::uint32_t>(elapsedMs));
        const float s = static_cast<float>(elapsed_ * 0.001 * pathSpeed_);
        const Vector3 p = pointAt(s, true);
        // Look half a second ahead along the path.
        const Vector3 q = pointAt(s + 0.5f * pathSpeed_, false);
        camera_->lookAt({p.x, p.y + 10.0, p.z}, {q.x, q.y + 10.0, q.z});
    } else if (mode_ == kModeFollow && target_) {
        const Vector3 position = target_->position();
        const Vector3 rotation = target_->rotation();
        const bool full = followFlag_ != 0;
        const Matrix4 turn = matrixRotationYawPitchRoll(static_cast<float>(rotation.y),
                                                        full ? static_cast<float>(rotation.x) : 0.0f,
                                                        full ? static_cast<float>(rotation.z) : 0.0f);
        const Vector3f o = vec3TransformCoord(Vector3f::from(offset_), turn);
        camera_->lookAt(position + o.toDouble(), position);
    }
    return 0;
}

}  // namespace torvask
