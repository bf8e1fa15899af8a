#pragma once
// The eye of the 3-D view: a position and three rotation angles, turned into a view matrix
// (row vectors, left-handed; render frame, y up). CameraController moves it every frame.
#include "common/Vector3.h"
#include "render/Math.h"

namespace torvask {

class Camera {
public:
    // At the origin, angles 0, view matrix identity.
    Camera();

    // Eye position, render frame.
    void setPosition(double x, double y, double z);
    // Radians: pitch about x (positive looks down), yaw about y (0 looks along +z, positive
    // turns towards +x), roll about z.
    void setRotation(double pitch, double yaw, double roll);
    // Puts the eye at eye and turns it towards target; roll becomes 0. Straight down gives
    // pitch pi/2 and yaw 0.
    void lookAt(const Vector3& eye, const Vector3& target);

    // Rebuilds the view matrix (translation × rotation) and returns it.
    const Matrix4& viewMatrix();

    const Vector3& position() const { return position_; }
    // x = pitch, y = yaw, z = roll, radians.
    const Vector3& angles() const { return angles_; }
    double positionX() const { return position_.x; }
    double positionY() const { return position_.y; }
    double positionZ() const { return position_.z; }
    // Translation by -position.
    const Matrix4& translation() const { return translation_; }
    // Rz(-roll) × Ry(-yaw) × Rx(-pitch).
    const Matrix4& rotationMatrix() const { return rotation_; }

private:
    Vector3 position_;
    Vector3 angles_;
    Matrix4 view_;
    Matrix4 translation_;
    Matrix4 rotation_;
};

}  // namespace torvask
