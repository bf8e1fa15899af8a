#include "neural/RandomRange.h"

#include <cstdlib>

namespace torvask {

double randomRange(double lo, double hi) {
    // 32767 rather than RAND_MAX + 1: saved networks depend on exactly this mapping.
    const int r = std::rand() % 32767;
    constexpr double kStep = 1.0 / 32767.0;
    return lo + r * kStep * (hi - lo);
}

}  // namespace torvask
