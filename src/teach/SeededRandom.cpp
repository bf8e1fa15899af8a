#include "teach/SeededRandom.h"

#include <algorithm>

namespace torvask {

double SeededRandom::uniform() {
    // 53 random bits from two draws, as a fraction of 2^53.
    const std::uint64_t high = engine_() >> 5;
    const std::uint64_t low = engine_() >> 6;
    return static_cast<double>((high << 26) | low) / 9007199254740992.0;
}

double SeededRandom::uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

int SeededRandom::uniformInt(int lo, int hi) {
    const int span = hi - lo + 1;
    return lo + std::min(span - 1, static_cast<int>(uniform() * span));
}

}  // namespace torvask
