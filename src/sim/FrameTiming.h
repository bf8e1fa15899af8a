#pragma once
// The frame loop's process-wide clock readings. Each starts from the clock the first time it
// is used and is never reset by a new simulation, so frame times stay continuous across a
// restart.
#include <cstdint>

namespace torvask {

struct FrameTiming {
    bool frameStarted = false;
    std::uint32_t lastFrameTick = 0;
    bool fpsStarted = false;
    std::uint32_t fpsWindowStart = 0;
    bool recordStarted = false;
    std::uint32_t lastRecordTick = 0;
};

FrameTiming& frameTiming();

// Forgets all readings, as at process start. For tests and tools that run several
// independent simulations on different clocks in one process.
void resetFrameTiming();

}  // namespace torvask
