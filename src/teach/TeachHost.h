#pragma once
// What the teach loop needs from whatever runs the simulation: the document, the drive keys, one
// frame at a time, and the Esc / "Train driver with collected data?" / training round trip a
// person makes. The headless session is one such host.
#include <string>

#include "sim/CTorvaskDoc.h"
#include "teach/Demonstrator.h"

namespace torvask {

class TeachHost {
public:
    virtual ~TeachHost() = default;

    virtual CTorvaskDoc& doc() = 0;
    // Holds exactly these drive keys from the next frame on, releasing every other key.
    virtual void holdKeys(const DemoKeys& keys) = 0;
    // One frame; the milliseconds it stood for, or -1 when the simulation stopped.
    virtual int frame() = 0;
    virtual double simulatedSeconds() const = 0;
    // Esc, Yes to the training question, passes passes of training, back in AI Control. False
    // when any of that did not happen. patterns: how many patterns the training used.
    virtual bool escapeAndTrain(long passes, int& patterns) = 0;
    // Saves the driver (and its teaching beside it) to path. False when it was not saved.
    virtual bool saveDriverAs(const std::string& path) = 0;
    // A line of progress (no line end), and a line saying what went wrong.
    virtual void report(const std::string& line) = 0;
    virtual void fail(const std::string& line) = 0;
};

}  // namespace torvask
