#pragma once
// A small deterministic random source: the engine's sequence is fixed by the standard, and the
// conversions to numbers are ours (the standard distributions differ between libraries), so the
// same seed gives the same numbers on every platform.
#include <cstdint>
#include <random>

namespace torvask {

class SeededRandom {
public:
    explicit SeededRandom(std::uint32_t seed) : engine_(seed) {}
    double uniform();                      // [0, 1)
    double uniform(double lo, double hi);  // [lo, hi)
    int uniformInt(int lo, int hi);        // [lo, hi]

private:
    std::mt19937 engine_;
};

}  // namespace torvask
