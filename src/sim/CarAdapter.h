#pragma once
// The physics Car seen through the interfaces of the modules that must not depend on physics:
// the learned driver steers a ControlledVehicle, the chase cameras follow a PoseSource.
#include "driver/ControlledVehicle.h"
#include "render/CameraController.h"

namespace torvask {

class Car;

class CarAdapter final : public ControlledVehicle, public PoseSource {
public:
    // car is not owned and must outlive the adapter (the document destroys the driver first).
    explicit CarAdapter(Car& car) : car_(car) {}

    int isSlotTaken(int slot) const override;
    void takeSlot(int slot) override;
    std::vector<double> getInputs(int slot) override;
    void setOutputs(const std::vector<double>& values, int slot) override;

    Vector3 position() const override;
    Vector3 rotation() const override;

private:
    Car& car_;
};

}  // namespace torvask
