#pragma once
// Writes one CSV line per frame of a drive, for plotting: the car's pose, speed, controls, its five
// sensor values and how far it is from the centre line.
#include <array>
#include <cstdio>
#include <string>

#include "sim/CTorvaskDoc.h"

namespace torvask {

// One frame's line of the trace.
struct TraceRow {
    double seconds = 0.0;        // simulated time since the drive began
    double x = 0.0, y = 0.0, z = 0.0;  // car position, render units
    double yaw = 0.0;            // radians
    double speed = 0.0;          // display units
    int waypoint = 0;
    double steering = 0.0, throttle = 0.0;  // controls in [-1, 1]
    std::array<double, 5> inputs{};  // the driver's sensor values
    double deviation = 0.0;      // from the centre line, render units
    bool offTrack = false;       // deviation beyond the half width
};

// The row of the car as the document has it now.
TraceRow traceRow(double seconds, const CTorvaskDoc& doc, double deviation, double halfWidth);

class TraceWriter {
public:
    TraceWriter() = default;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;
    ~TraceWriter();

    // False (with a message) when the file cannot be created.
    bool open(const std::string& path);
    // seconds: simulated time; deviation and halfWidth in render units.
    void write(double seconds, const CTorvaskDoc& doc, double deviation, double halfWidth);
    void write(const TraceRow& row);
    bool isOpen() const { return file_ != nullptr; }
    // Closes the file; false when anything could not be written.
    bool close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace torvask
