#include "teach/DriveMonitor.h"

#include <algorithm>
#include <cmath>

#include "physics/Car.h"
#include "physics/TrackGeometry.h"

namespace torvask {

DriveMonitor::DriveMonitor(const CTorvaskDoc& doc)
    : doc_(doc),
      halfWidth_(doc.getTrack().getTrackWidth() * 0.5),
      lastProgress_(doc.getLapProgress()),
      lastLapsCompleted_(doc.getLapsCompleted()) {}

void DriveMonitor::observe(int frameMs) {
    const Car* car = doc_.getCar();
    if (!car || frameMs < 0) return;
    const double deviation = distanceFromCentreLine(doc_.getTrack(), car->getPosition());
    const double speed = car->getSpeed();
    lastDeviation_ = deviation;
    const bool off = deviation > halfWidth_;

    ++frames_;
    speedSum_ += speed;
    maxDeviation_ = std::max(maxDeviation_, deviation);
    if (off) ++offTrackFrames_;

    const std::int32_t progress = doc_.getLapProgress();
    const bool lapDone = doc_.getLapsCompleted() > lastLapsCompleted_;
    lastLapsCompleted_ = doc_.getLapsCompleted();
    if (lapDone) {
        // The lap text took its time in the frame before this one, so this frame's time is not
        // part of the lap (nor of the next one, which starts at this frame's tick).
        current_.lapTextMs = lapTimeMilliseconds(doc_.getLastLap());
        current_.meanSpeed = current_.frames ? currentSpeedSum_ / current_.frames : 0.0;
        laps_.push_back(current_);
        current_ = LapRecord{};
        currentSpeedSum_ = 0.0;
    } else {
        current_.frameSumMs += frameMs;
        ++current_.frames;
        currentSpeedSum_ += speed;
        if (off) ++current_.offTrackFrames;
        current_.maxDeviation = std::max(current_.maxDeviation, deviation);
    }

    if (progress != lastProgress_ || lapDone) {
        sinceProgressMs_ = 0.0;
    } else {
        sinceProgressMs_ += frameMs;
        if (sinceProgressMs_ >= kStuckSeconds * 1000.0) stuck_ = true;
    }
    lastProgress_ = progress;
}

std::string formatLapTime(std::int64_t ms) {
    if (ms < 0) ms = 0;
    const std::int64_t minutes = ms / 60000;
    const std::int64_t rest = ms - minutes * 60000;
    const std::int64_t seconds = rest / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%03lld", static_cast<long long>(minutes),
                  static_cast<long long>(seconds), static_cast<long long>(rest - seconds * 1000));
    return text;
}

std::int64_t DriveMonitor::bestLapMs() const {
    std::int64_t best = 0;
    for (const LapRecord& lap : laps_) {
        if (best == 0 || lap.lapTextMs < best) best = lap.lapTextMs;
    }
    return best;
}

std::string DriveMonitor::bestLapText() const {
    if (laps_.empty()) return "none";
    std::int64_t best = laps_.front().lapTextMs;
    for (const LapRecord& lap : laps_) best = std::min(best, lap.lapTextMs);
    return formatLapTime(best);
}

std::string DriveMonitor::summaryLine() const {
    char line[256];
    std::snprintf(line, sizeof line, "laps=%d offtrack=%d maxdev=%.2f meanspeed=%.2f stuck=%d best=%s",
                  static_cast<int>(laps_.size()), offTrackFrames_, maxDeviation_, meanSpeed(), stuck_ ? 1 : 0,
                  bestLapText().c_str());
    return line;
}

void DriveMonitor::printLaps(std::FILE* out) const {
    int index = 1;
    for (const LapRecord& lap : laps_) {
        std::fprintf(out, "lap %d: %s frames=%d offtrack=%d maxdev=%.2f meanspeed=%.2f\n", index++,
                     formatLapTime(lap.lapTextMs).c_str(), lap.frames, lap.offTrackFrames, lap.maxDeviation,
                     lap.meanSpeed);
    }
}

}  // namespace torvask
