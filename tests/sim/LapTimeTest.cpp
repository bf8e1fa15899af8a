#include <gtest/gtest.h>

#include "sim/LapTime.h"

namespace torvask {
namespace {

LapTime lap(int m, int s, int ms) {
    LapTime t;
    t.minute = static_cast<std::uint16_t>(m);
    t.second = static_cast<std::uint16_t>(s);
    t.milliseconds = static_cast<std::uint16_t>(ms);
    return t;
}

TEST(LapTime, SplitsMilliseconds) {
    struct Row { std::int32_t ms; int m, s, milli; };
    const Row rows[] = {
        {0, 0, 0, 0},        {999, 0, 0, 999},      {1000, 0, 1, 0},      {59999, 0, 59, 999},
        {60000, 1, 0, 0},    {61234, 1, 1, 234},    {3600000, 60, 0, 0},  {-5, 0, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.ms);
        const LapTime t = lapTimeFromMilliseconds(r.ms);
        EXPECT_EQ(t, lap(r.m, r.s, r.milli));
        EXPECT_EQ(t.year + t.month + t.dayOfWeek + t.day + t.hour, 0);
    }
}

TEST(LapTime, ShorterComparesMinuteThenSecondThenMilliseconds) {
    struct Row { LapTime a, b; bool shorter; };
    const Row rows[] = {
        {lap(1, 1, 234), lap(1, 1, 234), false},  // equal keeps the old best
        {lap(1, 1, 233), lap(1, 1, 234), true},
        {lap(1, 1, 235), lap(1, 1, 234), false},
        {lap(0, 59, 999), lap(1, 0, 0), true},
        {lap(1, 0, 0), lap(0, 59, 999), false},
        {lap(2, 0, 0), lap(1, 59, 999), false},
        {lap(0, 2, 0), lap(0, 1, 999), false},
        {lap(60, 0, 0), noLapTime(), true},
        {noLapTime(), noLapTime(), false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.a.minute << ":" << r.a.second << "." << r.a.milliseconds << " vs "
                                        << r.b.minute << ":" << r.b.second << "." << r.b.milliseconds);
        EXPECT_EQ(isShorterLap(r.a, r.b), r.shorter);
    }
}

TEST(LapTime, TextIsByteExact) {
    EXPECT_EQ(formatLapText(lap(1, 1, 234), noLapTime(), noLapTime()),
              "Cur. Lap: 01:01.234\r\nLast Lap: 99:99.999\r\nBest Lap: 99:99.999");
    EXPECT_EQ(formatLapText(lap(0, 0, 5), lap(12, 3, 40), lap(100, 59, 999)),
              "Cur. Lap: 00:00.005\r\nLast Lap: 12:03.040\r\nBest Lap: 100:59.999");
}

}  // namespace
}  // namespace torvask
