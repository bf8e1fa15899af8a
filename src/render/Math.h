#pragma once
// Single-precision 4x4 matrices and 3-vectors with left-handed axes and row vectors:
// a point p is transformed as p × M, so M1 × M2 applies M1 first. The formulas are the
// classic fixed-function ones (translation in the fourth row, rotation X/Y/Z, yaw-pitch-roll,
// left-handed perspective) so that values computed here match the scene's numbers exactly.
// Angles are radians. The GL device converts to its own clip space at upload, not here.
#include <cstdint>

#include "common/Vector3.h"

namespace torvask {

// Three floats; the render frame (y up) unless a caller says otherwise.
struct Vector3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vector3f() = default;
    constexpr Vector3f(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    // Narrows each component to float.
    static Vector3f from(const Vector3& v) {
        return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    }
    Vector3 toDouble() const { return {x, y, z}; }

    bool operator==(const Vector3f&) const = default;
};

// m[row][column]; row 3 holds the translation.
struct Matrix4 {
    float m[4][4] = {};

    bool operator==(const Matrix4& other) const;
    bool operator!=(const Matrix4& other) const { return !(*this == other); }
};

Matrix4 matrixIdentity();
Matrix4 matrixTranslation(float x, float y, float z);
Matrix4 matrixScaling(float sx, float sy, float sz);
// Rotations about one axis; looking down the axis towards the origin, positive angles turn
// clockwise (left-handed).
Matrix4 matrixRotationX(float angle);
Matrix4 matrixRotationY(float angle);
Matrix4 matrixRotationZ(float angle);
// Roll about z, then pitch about x, then yaw about y: Rz(roll) × Rx(pitch) × Ry(yaw).
Matrix4 matrixRotationYawPitchRoll(float yaw, float pitch, float roll);
// a × b: the transform of a followed by that of b.
Matrix4 matrixMultiply(const Matrix4& a, const Matrix4& b);
inline Matrix4 operator*(const Matrix4& a, const Matrix4& b) { return matrixMultiply(a, b); }
// Left-handed perspective: fovY vertical field of view in radians, aspect = width / height,
// zNear and zFar the clip distances (view-space z maps to [0, 1] depth).
Matrix4 matrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
// The point (v, 1) × m divided by its resulting w. For the affine matrices the program
// transforms with, w is 1.
Vector3f vec3TransformCoord(const Vector3f& v, const Matrix4& m);

}  // namespace torvask
