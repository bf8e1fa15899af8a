#pragma once
// The built-in demonstrator at the keyboard, so that a person who cannot drive well with keys can
// still teach: in User Control it holds the drive keys it chooses, and the document records them
// exactly as a person's. Any drive key of the person's own takes the car over (recorded as theirs,
// as in AI Control); kHandBackDelayMs after their last drive key the expert drives again.
#include <cstdint>

#include "sim/CTorvaskDoc.h"
#include "teach/Demonstrator.h"

namespace torvask {

class ExpertDriver {
public:
    explicit ExpertDriver(const Track& track) : demonstrator_(track) {}

    // This frame's key snapshot, before the document reads it: W, S, A and D become the
    // expert's unless the person drives. nowMs: the tick clock; dt: the frame time in seconds.
    void apply(CTorvaskDoc& doc, KeyState& keys, std::uint32_t nowMs, double dt);
    bool personDriving() const { return personDriving_; }

private:
    Demonstrator demonstrator_;
    bool personDriving_ = false;
    std::uint32_t lastPersonKeyMs_ = 0;
};

}  // namespace torvask
