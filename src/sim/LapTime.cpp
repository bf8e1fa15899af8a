#include "sim/LapTime.h"

#include "common/Messages.h"

namespace torvask {

LapTime noLapTime() {
    LapTime t;
    t.minute = 99;
    t.second = 99;
    t.milliseconds = 999;
    return t;
}

LapTime lapTimeFromMilliseconds(std::int32_t ms) {
    if (ms < 0) ms = 0;
    const std::int32_t minutes = ms / 60000;
    const std::int32_t rest = ms - minutes * 60000;
    const std::int32_t seconds = rest / 1000;
    LapTime t;
    t.minute = static_cast<std::uint16_t>(minutes);
    t.second = static_cast<std::uint16_t>(seconds);
    t.milliseconds = static_cast<std::uint16_t>(rest - seconds * 1000);
    return t;
}

std::int64_t lapTimeMilliseconds(const LapTime& t) {
    return std::int64_t{t.minute} * 60000 + std::int64_t{t.second} * 1000 + t.milliseconds;
}

bool isShorterLap(const LapTime& a, const LapTime& b) {
    if (a.minute != b.minute) return a.minute < b.minute;
    if (a.second != b.second) return a.second < b.second;
    return a.milliseconds < b.milliseconds;
}

std::string formatLapText(const LapTime& current, const LapTime& last, const LapTime& best) {
    return formatBuffer("Cur. Lap: %02d:%02d.%03d\r\nLast Lap: %02d:%02d.%03d\r\nBest Lap: %02d:%02d.%03d",
                        current.minute, current.second, current.milliseconds, last.minute, last.second,
                        last.milliseconds, best.minute, best.second, best.milliseconds);
}

}  // namespace torvask
