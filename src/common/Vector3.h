#pragma once
// Three doubles: positions, directions and angle triples (pitch, yaw, roll in radians).
// Which frame a Vector3 lives in (render y-up or physics z-up) is the caller's to say.

namespace torvask {

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vector3() = default;
    Vector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    void set(double x_, double y_, double z_) { x = x_; y = y_; z = z_; }
    void set(double all) { x = y = z = all; }

    Vector3 operator+(const Vector3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    Vector3 operator-(const Vector3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vector3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vector3& operator+=(const Vector3& b) { x += b.x; y += b.y; z += b.z; return *this; }
    Vector3& operator-=(const Vector3& b) { x -= b.x; y -= b.y; z -= b.z; return *this; }
    Vector3& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    // Exact equality of all three components, no tolerance.
    bool operator==(const Vector3& b) const { return x == b.x && y == b.y && z == b.z; }
    bool operator!=(const Vector3& b) const { return !(*this == b); }

    double length() const;
    // A zero vector stays unchanged rather than becoming NaN.
    void normalize();
    double dot(const Vector3& b) const { return x * b.x + y * b.y + z * b.z; }
    Vector3 cross(const Vector3& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
};

}  // namespace torvask
