#pragma once
// The 32-bit millisecond tick the frame loop is timed with. Differences are taken in
// 32-bit unsigned arithmetic, so a wrap of the counter is harmless.
#include <chrono>
#include <cstdint>

namespace torvask {

class TickClock {
public:
    virtual ~TickClock() = default;
    // Milliseconds since some fixed start, wrapping at 2^32.
    virtual std::uint32_t tickCount() = 0;
};

// Real time from the steady clock.
class SteadyTickClock final : public TickClock {
public:
    SteadyTickClock();
    std::uint32_t tickCount() override;

private:
    std::chrono::steady_clock::time_point start_;
};

// Time that moves only when told to: tests and headless runs.
class VirtualTickClock final : public TickClock {
public:
    explicit VirtualTickClock(std::uint32_t start = 0) : now_(start) {}
    std::uint32_t tickCount() override { return now_; }
    void advance(std::uint32_t ms) { now_ += ms; }
    void set(std::uint32_t ms) { now_ = ms; }

private:
    std::uint32_t now_;
};

}  // namespace torvask
