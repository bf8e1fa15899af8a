#include "physics/Vehicle.h"

#include "physics/CarPhysics.h"

namespace torvask {

Vehicle::Vehicle() : controlSlots(1, 0) {}

Vehicle::~Vehicle() = default;

int32_t Vehicle::isSlotTaken(int32_t i) const {
    if (controlSlots.empty() || i < 0 || i >= getNumSlots()) return -1;
    return controlSlots[static_cast<size_t>(i)];
}

int32_t Vehicle::takeSlot(int32_t i) {
    if (controlSlots.empty()) return 0;
    if (i >= 0 && i < getNumSlots()) controlSlots[static_cast<size_t>(i)] = 1;
    return i;
}

int32_t Vehicle::freeSlot(int32_t i) {
    if (controlSlots.empty()) return 0;
    if (i >= 0 && i < getNumSlots()) controlSlots[static_cast<size_t>(i)] = 0;
    return i;
}

}  // namespace torvask
