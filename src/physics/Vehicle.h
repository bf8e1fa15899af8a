#pragma once
// Abstract vehicle: position and rotation in the render frame, a table of control slots that a
// driver takes before it steers, and the physics model it owns.
#include <cstdint>
#include <memory>
#include <vector>

#include "common/Vector3.h"

namespace torvask {

class CarPhysics;

class Vehicle {
public:
    Vehicle();
    virtual ~Vehicle();
    Vehicle(const Vehicle&) = delete;
    Vehicle& operator=(const Vehicle&) = delete;

    // The current sensor values as a new list. slot is not used by the car.
    virtual std::vector<double> getInputs(int32_t slot) = 0;
    // Applies control values, each in [0, 1]. slot is not used by the car.
    virtual void setOutputs(const std::vector<double>& values, int32_t slot) = 0;
    // Refreshes state from the model once per frame; elapsedMs in milliseconds.
    virtual void update(double elapsedMs) = 0;
    virtual bool create() = 0;
    virtual void destroy() = 0;

    // -1 when i is outside the slot table, else 0 (free) or 1 (taken).
    int32_t isSlotTaken(int32_t i) const;
    // Mark slot i taken / free if it is valid. Return i, or 0 with no slot table.
    int32_t takeSlot(int32_t i);
    int32_t freeSlot(int32_t i);
    int32_t getNumSlots() const { return static_cast<int32_t>(controlSlots.size()); }

    // Render frame (y up).
    const Vector3& getPosition() const { return position; }
    // Radians: x = pitch, y = yaw, z = roll. Forward is (sin yaw, 0, cos yaw).
    const Vector3& getRotation() const { return rotation; }
    double getMass() const { return mass; }
    // The physics model, empty before create and after destroy.
    CarPhysics* getPhysics() const { return physics.get(); }

protected:
    std::vector<int32_t> controlSlots;
    Vector3 position;
    Vector3 rotation;
    double mass = 1.0;
    std::unique_ptr<CarPhysics> physics;
};

}  // namespace torvask
