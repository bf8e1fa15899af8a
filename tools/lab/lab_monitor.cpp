#include "DriveMonitor.h"

#include <algorithm>
#include <cmath>

#include "physics/Car.h"

namespace torvask::lab {

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
        const LapTime& last = doc_.getLastLap();
        current_.lapTextMs = static_cast<std::int64_t>(last.minute) * 60000 +
                             static_cast<std::int64_t>(last.second) * 1000 + last.milliseconds;
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

bool TraceWriter::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        std::fprintf(stderr, "torvask-lab: cannot create %s\n", path.c_str());
        return false;
    }
    std::fprintf(file_,
                 "time,x,y,z,yaw,speed,waypoint,steering,throttle,speed_in,heading1,heading2,heading3,turn,"
                 "deviation,offtrack\n");
    return true;
}

void TraceWriter::write(double seconds, const CTorvaskDoc& doc, double deviation, double halfWidth) {
    Car* car = doc.getCar();
    if (!file_ || !car) return;
    const Vector3& p = car->getPosition();
    const std::vector<double> in = car->getInputs(0);
    std::fprintf(file_, "%.3f,%.4f,%.4f,%.4f,%.5f,%.3f,%d,%.4f,%.4f", seconds, p.x, p.y, p.z, car->getRotation().y,
                 car->getSpeed(), car->getCurrentWaypoint(), car->getSteeringControl(), car->getThrottleControl());
    for (double v : in) std::fprintf(file_, ",%.5f", v);
    std::fprintf(file_, ",%.4f,%d\n", deviation, deviation > halfWidth ? 1 : 0);
}

TraceWriter::~TraceWriter() {
    if (file_) std::fclose(file_);
}

}  // namespace torvask::lab
