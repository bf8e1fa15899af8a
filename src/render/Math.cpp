#include "render/Math.h"

#include <cmath>

namespace torvask {

bool Matrix4::operator==(const Matrix4& other) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != other.m[r][c]) return false;
    return true;
}

Matrix4 matrixIdentity() {
    Matrix4 out;
    out.m[0][0] = out.m[1][1] = out.m[2][2] = out.m[3][3] = 1.0f;
    return out;
}

Matrix4 matrixTranslation(float x, float y, float z) {
    Matrix4 out = matrixIdentity();
    out.m[3][0] = x;
    out.m[3][1] = y;
    out.m[3][2] = z;
    return out;
}

Matrix4 matrixScaling(float sx, float sy, float sz) {
    Matrix4 out;
    out.m[0][0] = sx;
    out.m[1][1] = sy;
    out.m[2][2] = sz;
    out.m[3][3] = 1.0f;
    return out;
}

Matrix4 matrixRotationX(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix4 out = matrixIdentity();
    out.m[1][1] = c;
    out.m[1][2] = s;
    out.m[2][1] = -s;
    out.m[2][2] = c;
    return out;
}

Matrix4 matrixRotationY(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix4 out = matrixIdentity();
    out.m[0][0] = c;
    out.m[0][2] = -s;
    out.m[2][0] = s;
    out.m[2][2] = c;
    return out;
}

Matrix4 matrixRotationZ(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix4 out = matrixIdentity();
    out.m[0][0] = c;
    out.m[0][1] = s;
    out.m[1][0] = -s;
    out.m[1][1] = c;
    return out;
}

Matrix4 matrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
    // Written as the product so that it agrees bit for bit with composing the axis rotations.
    return matrixMultiply(matrixMultiply(matrixRotationZ(roll), matrixRotationX(pitch)), matrixRotationY(yaw));
}

Matrix4 matrixMultiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                          a.m[r][3] * b.m[3][c];
    return out;
}

Matrix4 matrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    Matrix4 out;
    out.m[0][0] = yScale / aspect;
    out.m[1][1] = yScale;
    out.m[2][2] = zFar / (zFar - zNear);
    out.m[2][3] = 1.0f;
    out.m[3][2] = -zNear * zFar / (zFar - zNear);
    return out;
}

Vector3f vec3TransformCoord(const Vector3f& v, const Matrix4& m) {
    const float x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0];
    const float y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1];
    const float z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2];
    const float w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + m.m[3][3];
    return {x / w, y / w, z / w};
}

}  // namespace torvask
