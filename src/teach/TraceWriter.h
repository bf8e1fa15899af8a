#pragma once
// Writes one CSV line per frame of a drive, for plotting: the car's pose, speed, controls, its five
// sensor values and how far it is from the centre line.
#include <cstdio>
#include <string>

#include "sim/CTorvaskDoc.h"

namespace torvask {

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
    bool isOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
};

}  // namespace torvask
