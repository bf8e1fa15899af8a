#include "common/Vector3.h"

#include <cmath>

namespace torvask {

double Vector3::length() const { return std::sqrt(x * x + y * y + z * z); }

void Vector3::normalize() {
    const double len = length();
    if (len == 0.0) return;
    x /= len;
    y /= len;
    z /= len;
}

}  // namespace torvask
