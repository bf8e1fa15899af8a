#pragma once
// The car as the Driver sees it: a table of control slots, the sensor values in, the control
// values out. The driver module must not depend on physics, so the simulation wires its car to
// this interface (an adapter over the physics Car, or the Car itself implementing it).
#include <vector>

namespace torvask {

class ControlledVehicle {
public:
    virtual ~ControlledVehicle() = default;

    // State of control slot `slot`: 0 free, 1 taken, -1 when the vehicle has no slot table or
    // the slot number is outside it (callers treat -1 as "not free").
    virtual int isSlotTaken(int slot) const = 0;

    // Marks slot `slot` taken. An invalid slot number changes nothing.
    virtual void takeSlot(int slot) = 0;

    // The current sensor values, in the brain's input order: speed scaled by 1/240,
    // HeadingFactor1, HeadingFactor2, HeadingFactor3, TurnFactor (5 values for a car).
    virtual std::vector<double> getInputs(int slot) = 0;

    // Applies control values, each in [0, 1]: steering, then throttle. A car accepts exactly
    // two values and ignores a list of any other length.
    virtual void setOutputs(const std::vector<double>& values, int slot) = 0;
};

}  // namespace torvask
