#include "render/Camera.h"

#include <cmath>

namespace torvask {

Camera::Camera() : view_(matrixIdentity()), translation_(matrixIdentity()), rotation_(matrixIdentity()) {}

void Camera::setPosition(double x, double y, double z) {
    position_.set(x, y, z);
    translation_ = matrixTranslation(static_cast<float>(-x), static_cast<float>(-y), static_cast<float>(-z));
}

void Camera::setRotation(double pitch, double yaw, double roll) {
    angles_.set(pitch, yaw, roll);
    // A world point is turned by -roll, then -yaw, then -pitch; lookAt always leaves roll 0,
    // so this undoes the eye's heading and then its tilt.
    rotation_ = matrixMultiply(matrixMultiply(matrixRotationZ(static_cast<float>(-roll)),
                                              matrixRotationY(static_cast<float>(-yaw))),
                               matrixRotationX(static_cast<float>(-pitch)));
}

void Camera::lookAt(const Vector3& eye, const Vector3& target) {
    const Vector3 d = target - eye;
    const double yaw = std::atan2(d.x, d.z);
    const double pitch = std::atan2(-d.y, std::sqrt(d.x * d.x + d.z * d.z));
    setPosition(eye.x, eye.y, eye.z);
    setRotation(pitch, yaw, 0.0);
}

const Matrix4& Camera::viewMatrix() {
    view_ = matrixMultiply(translation_, rotation_);
    return view_;
}

}  // namespace torvask
