#include "teach/DriveRecord.h"

#include "physics/Track.h"

namespace torvask {

DriveRecord::DriveRecord(const CTorvaskDoc& doc)
    : doc_(doc), monitor_(doc), halfWidth_(doc.getTrack().getTrackWidth() * 0.5) {}

void DriveRecord::observe(int frameMs) {
    if (!doc_.getCar() || frameMs < 0) return;
    monitor_.observe(frameMs);
    elapsedMs_ += frameMs;
    last_ = traceRow(seconds(), doc_, monitor_.deviation(), halfWidth_);
    if (rows_.size() < kMaxRows) rows_.push_back(last_);
}

std::vector<TracePoint> DriveRecord::tracePoints() const {
    std::vector<TracePoint> points;
    points.reserve(rows_.size());
    for (const TraceRow& row : rows_) points.push_back({row.x, row.z, row.speed, row.offTrack});
    return points;
}

bool DriveRecord::writeTrace(const std::string& path) const {
    TraceWriter writer;
    if (!writer.open(path)) return false;
    for (const TraceRow& row : rows_) writer.write(row);
    return writer.close();
}

}  // namespace torvask
