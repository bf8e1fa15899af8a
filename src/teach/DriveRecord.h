#pragma once
// One drive of the learned driver, frame by frame: the figures a person wants to know (the
// driving monitor's laps, lap times, frames off the ribbon, largest deviation, mean speed, stuck)
// and every frame's trace row, for the top view and the trace file. `torvask-lab eval` and the
// window's Driver Report both keep their drives in one, so both report the same figures.
#include <cstddef>
#include <string>
#include <vector>

#include "teach/DriveMonitor.h"
#include "teach/TrackPlot.h"
#include "teach/TraceWriter.h"

namespace torvask {

class DriveRecord {
public:
    // Half an hour at 60 frames a second; a longer drive keeps its figures, not its later rows.
    static constexpr std::size_t kMaxRows = 108000;

    // Starts with the car where it stands now (the start line, for a fresh drive).
    explicit DriveRecord(const CTorvaskDoc& doc);

    // Call once after every frame with the milliseconds that frame stood for.
    void observe(int frameMs);

    const DriveMonitor& monitor() const { return monitor_; }
    // Simulated seconds since the record began.
    double seconds() const { return static_cast<double>(elapsedMs_) / 1000.0; }
    const std::vector<TraceRow>& rows() const { return rows_; }
    // The latest frame's row, kept also past kMaxRows.
    const TraceRow& lastRow() const { return last_; }
    // The ground track of the rows, for TrackPlot.
    std::vector<TracePoint> tracePoints() const;
    // The rows in the trace file format. False (with a message) when the file cannot be written.
    bool writeTrace(const std::string& path) const;

private:
    const CTorvaskDoc& doc_;
    DriveMonitor monitor_;
    double halfWidth_;
    std::int64_t elapsedMs_ = 0;
    std::vector<TraceRow> rows_;
    TraceRow last_;
};

}  // namespace torvask
