#pragma once
// Moves a Camera every frame in one of three modes: static, flying along a cyclic list of
// points, or following a moving object (the car) at an offset in that object's frame.
//
// The followed object is seen through PoseSource, so render does not depend on physics: the
// simulation hands in a small adapter over its car. The controller keeps a reference to the
// camera and to the followed object; both must outlive their use (the camera is the
// document's own; the car is only deleted at teardown, after the camera left follow mode or
// before update is called again).
#include <cstdint>
#include <vector>

#include "common/Vector3.h"
#include "render/Camera.h"

namespace torvask {

// Where a followed object is, in the render frame (y up).
class PoseSource {
public:
    virtual ~PoseSource() = default;
    virtual Vector3 position() const = 0;
    // Radians: x = pitch, y = yaw, z = roll (forward is (sin yaw, 0, cos yaw)).
    virtual Vector3 rotation() const = 0;
};

class CameraController {
public:
    static constexpr std::int32_t kModeStatic = 0;
    static constexpr std::int32_t kModePath = 1;
    static constexpr std::int32_t kModeFollow = 2;

    CameraController() = default;
    explicit CameraController(Camera* camera) : camera_(camera) {}

    // The camera to move; nullptr means nothing to do (update answers -1).
    void setCamera(Camera* camera) { camera_ = camera; }
    Camera* camera() const { return camera_; }

    // The camera stays where it is put. Returns 1.
    int setStatic();
    // Flies along a copy of points, one pass over the polyline in durationSeconds, then
    // continues from the first point again. False, with nothing changed, for no points or a
    // duration that is not a positive finite number.
    bool followPath(const std::vector<Vector3>& points, float durationSeconds);
    // Follows target at offset, given in the target's frame (x right, y up, z forward).
    // flag 0 turns the offset by the target's yaw only; any other value by its full rotation.
    // Resets the path clock. Returns true.
    bool followCar(const PoseSource& target, const Vector3& offset, std::uint8_t flag);

    // Moves the camera for a frame of elapsedMs milliseconds. 0, or -1 without a camera.
    int update(std::int32_t elapsedMs);

    // The point at path distance s along the cyclic path; with advance the current segment
    // moves on to the one that holds s. Zero-length segments are skipped. Used by update.
    Vector3 pointAt(float s, bool advance);

    std::int32_t mode() const { return mode_; }
    std::int32_t elapsed() const { return elapsed_; }
    const std::vector<Vector3>& path() const { return path_; }
    // Length of the polyline through the points, without the closing segment.
    float pathLength() const { return pathLength_; }
    // Path units per second.
    float pathSpeed() const { return pathSpeed_; }
    float segmentStart() const { return segmentStart_; }
    std::int32_t segment() const { return segment_; }
    const PoseSource* target() const { return target_; }
    const Vector3& offset() const { return offset_; }
    std::uint8_t followFlag() const { return followFlag_; }

private:
    Camera* camera_ = nullptr;
    std::int32_t mode_ = kModeStatic;
    std::int32_t elapsed_ = 0;
    std::vector<Vector3> path_;
    float pathLength_ = 0.0f;
    float pathSpeed_ = 0.0f;
    float segmentStart_ = 0.0f;
    std::int32_t segment_ = 0;
    // False when every segment of the cyclic path, the closing one included, has length 0.
    bool pathMoves_ = false;
    const PoseSource* target_ = nullptr;
    Vector3 offset_;
    std::uint8_t followFlag_ = 0;
};

}  // namespace torvask
