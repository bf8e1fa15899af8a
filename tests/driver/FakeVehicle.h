#pragma once
// A car stand-in with a slot table of a chosen size: hands out scripted sensor values and
// records every list of outputs it is sent.
#include <vector>

#include "driver/ControlledVehicle.h"

namespace torvask::testing {

class FakeVehicle : public ControlledVehicle {
public:
    explicit FakeVehicle(int slots = 1) : slots_(static_cast<std::size_t>(slots), 0) {}

    int isSlotTaken(int slot) const override {
        if (slot < 0 || slot >= static_cast<int>(slots_.size())) return -1;
        return slots_[static_cast<std::size_t>(slot)];
    }
    void takeSlot(int slot) override {
        if (slot >= 0 && slot < static_cast<int>(slots_.size())) slots_[static_cast<std::size_t>(slot)] = 1;
    }
    std::vector<double> getInputs(int slot) override {
        inputRequests.push_back(slot);
        return inputs;
    }
    void setOutputs(const std::vector<double>& values, int slot) override {
        sent.push_back(values);
        sentSlots.push_back(slot);
    }

    std::vector<double> inputs{0.0, 0.0, 0.0, 0.0, 0.0};
    std::vector<int> inputRequests;
    std::vector<std::vector<double>> sent;
    std::vector<int> sentSlots;

private:
    std::vector<int> slots_;
};

}  // namespace torvask::testing
