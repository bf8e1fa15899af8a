#include "common/TickClock.h"

namespace torvask {

// Starting away from zero keeps a "last tick" of 0 from ever looking like "just now".
SteadyTickClock::SteadyTickClock() : start_(std::chrono::steady_clock::now() - std::chrono::seconds(1)) {}

std::uint32_t SteadyTickClock::tickCount() {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

}  // namespace torvask
