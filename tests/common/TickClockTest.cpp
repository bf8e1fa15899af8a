#include "common/TickClock.h"

#include <gtest/gtest.h>

namespace torvask {
namespace {

TEST(TickClock, VirtualClockMovesOnlyWhenToldAndWraps) {
    VirtualTickClock clock(0xFFFFFFF0u);
    const std::uint32_t before = clock.tickCount();
    EXPECT_EQ(clock.tickCount(), before);
    clock.advance(0x20);
    EXPECT_EQ(clock.tickCount(), 0x10u);
    // The frame loop's differences stay right across the wrap.
    EXPECT_EQ(static_cast<std::uint32_t>(clock.tickCount() - before), 0x20u);
}

TEST(TickClock, SteadyClockNeverGoesBackwards) {
    SteadyTickClock clock;
    std::uint32_t last = clock.tickCount();
    EXPECT_GE(last, 1000u);
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t now = clock.tickCount();
        EXPECT_GE(now, last);
        last = now;
    }
}

}  // namespace
}  // namespace torvask
