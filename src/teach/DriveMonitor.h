#pragma once
// Watches a running simulation frame by frame and keeps the figures a person wants to know
// about a drive: laps and lap times, frames off the ribbon, the largest distance from the
// centre line, mean speed, and whether the car got stuck.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/CTorvaskDoc.h"

namespace torvask {

struct LapRecord {
    std::int64_t lapTextMs = 0;  // the lap time as the lap text shows it
    std::int64_t frameSumMs = 0; // the sum of the lap's frames, counted independently
    int frames = 0;
    int offTrackFrames = 0;
    double maxDeviation = 0.0;
    double meanSpeed = 0.0;
};

class DriveMonitor {
public:
    static constexpr double kStuckSeconds = 10.0;

    explicit DriveMonitor(const CTorvaskDoc& doc);

    // Call once after every frame with the milliseconds that frame stood for.
    void observe(int frameMs);

    const std::vector<LapRecord>& laps() const { return laps_; }
    int offTrackFrames() const { return offTrackFrames_; }
    double maxDeviation() const { return maxDeviation_; }
    double meanSpeed() const { return frames_ ? speedSum_ / frames_ : 0.0; }
    bool stuck() const { return stuck_; }
    int frames() const { return frames_; }
    double deviation() const { return lastDeviation_; }
    // The best lap's time in ms, or 0 without a lap.
    std::int64_t bestLapMs() const;
    // The best lap as mm:ss.mmm, or "none".
    std::string bestLapText() const;

    // laps=%d offtrack=%d maxdev=%.2f meanspeed=%.2f stuck=%d best=%s
    std::string summaryLine() const;
    // One line per lap.
    void printLaps(std::FILE* out) const;

private:
    const CTorvaskDoc& doc_;
    double halfWidth_;
    std::int32_t lastProgress_ = 0;
    std::int32_t lastLapsCompleted_ = 0;
    std::vector<LapRecord> laps_;
    LapRecord current_;
    double currentSpeedSum_ = 0.0;
    int frames_ = 0;
    int offTrackFrames_ = 0;
    double maxDeviation_ = 0.0;
    double speedSum_ = 0.0;
    double lastDeviation_ = 0.0;
    double sinceProgressMs_ = 0.0;
    bool stuck_ = false;
};

// "mm:ss.mmm" of a millisecond count, as the lap text shows times.
std::string formatLapTime(std::int64_t ms);

}  // namespace torvask
