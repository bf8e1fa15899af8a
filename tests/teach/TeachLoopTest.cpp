// Which round's driver the teach loop hands back.
#include <gtest/gtest.h>

#include "teach/TeachLoop.h"

namespace torvask {
namespace {

TEST(TeachLoopKeeps, TheCleanestThenTheFurthestThenTheLeastOffThenTheFastest) {
    const RoundResult none;
    const RoundResult clean{1, true, 3, 0, 60000, ""};
    const RoundResult cleanFaster{2, true, 3, 0, 59000, ""};
    const RoundResult offALittle{1, false, 3, 40, 50000, ""};
    const RoundResult offMore{2, false, 3, 400, 45000, ""};
    const RoundResult neverMoved{1, false, 0, 0, 0, ""};  // stuck at the start: never off the ribbon
    const RoundResult oneLapOff{2, false, 1, 900, 70000, ""};
    struct Row {
        const char* name;
        const RoundResult& a;
        const RoundResult& b;
        bool better;
    };
    const Row rows[] = {
        {"anything beats nothing", neverMoved, none, true},
        {"clean beats faster but off", clean, offMore, true},
        {"off the ribbon loses to clean", offALittle, clean, false},
        {"a faster clean lap", cleanFaster, clean, true},
        {"fewer frames off", offALittle, offMore, true},
        {"a lap beats never moving", oneLapOff, neverMoved, true},
        {"a tie keeps the earlier", RoundResult{2, true, 3, 0, 60000, ""}, clean, false},
        {"a lap time beats none", RoundResult{2, false, 0, 0, 1000, ""}, neverMoved, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(betterThan(row.a, row.b), row.better);
    }
}

}  // namespace
}  // namespace torvask
