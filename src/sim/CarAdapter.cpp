#include "sim/CarAdapter.h"

#include "physics/Car.h"

namespace torvask {

int CarAdapter::isSlotTaken(int slot) const { return car_.isSlotTaken(slot); }

void CarAdapter::takeSlot(int slot) { car_.takeSlot(slot); }

std::vector<double> CarAdapter::getInputs(int slot) { return car_.getInputs(slot); }

void CarAdapter::setOutputs(const std::vector<double>& values, int slot) { car_.setOutputs(values, slot); }

Vector3 CarAdapter::position() const { return car_.getPosition(); }

Vector3 CarAdapter::rotation() const { return car_.getRotation(); }

}  // namespace torvask
