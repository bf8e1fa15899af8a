#pragma once
// Lap times as the status display keeps them: a calendar-style record of which only minute,
// second and milliseconds are ever used, and the lap text drawn under the status text.
#include <cstdint>
#include <string>

namespace torvask {

struct LapTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    bool operator==(const LapTime&) const = default;
};

// The "no lap yet" time, shown as 99:99.999; any real lap is shorter.
LapTime noLapTime();

// Splits a running time in milliseconds into minute, second and milliseconds (truncating).
// A negative time reads as zero: the display never shows a lap that has not begun.
LapTime lapTimeFromMilliseconds(std::int32_t ms);
// The other way: minute, second and milliseconds as one time in milliseconds.
std::int64_t lapTimeMilliseconds(const LapTime& t);

// Strictly shorter, comparing minute, then second, then milliseconds.
bool isShorterLap(const LapTime& a, const LapTime& b);

// "Cur. Lap: mm:ss.mmm\r\nLast Lap: mm:ss.mmm\r\nBest Lap: mm:ss.mmm".
std::string formatLapText(const LapTime& current, const LapTime& last, const LapTime& best);

}  // namespace torvask
