#pragma once
// The car's rigid-body model in the physics frame (z up, forward along the body's +x axis):
// a chassis box with a cabin box fixed on top, four sphere wheels on hinge-2 joints, and the
// drive and steering controllers that set the joint motors at every physics step.
// Wheel order: 0 front +y, 1 front -y, 2 rear +y, 3 rear -y.
#include <ode/ode.h>

#include "common/Vector3.h"
#include "physics/PhysicsObject.h"

namespace torvask {

class CarPhysics : public PhysicsObject {
public:
    static constexpr int kWheelCount = 4;
    static constexpr double kWheelRadius = 0.4;
    static constexpr double kRideHeight = 0.8;     // chassis centre above the placing point
    static constexpr double kMaxSteerAngle = 0.7;  // radians, front joint stops
    static constexpr double kSpeedScale = 12.96;   // world units/s to display speed

    CarPhysics() = default;
    // Destroys the model's geoms, joints and bodies while the world still exists.
    ~CarPhysics() override;

    // Lengths in world units, masses nominal (each body gets a tenth), topSpeed in display units.
    // False when not attached to a world.
    bool build(double length, double width, double height, double mass, double wheelMass, double topSpeed,
               double driveForce);
    // Drive and steering controllers; stepSize is not used. False when not attached.
    bool step(double stepSize) override;

    // Physics frame; zeroes every velocity; wheels go where an unrotated car has them.
    void placeAt(double x, double y, double z);
    // Angles in radians (pitch, yaw, roll in the render sense); zeroes every velocity and turns the
    // chassis and cabin only.
    void setRotation(double x, double y, double z);
    // Chassis centre in the render frame; (0, 0, 0) without a model.
    Vector3 getPosition() const;
    // (pitch, yaw, roll) in radians with yaw such that forward is (sin yaw, 0, cos yaw) in the
    // render frame; (0, 0, 0) without a model.
    Vector3 getRotation() const;
    // Chassis speed x 12.96; 0 without a model.
    double getSpeed() const;

    // Controls in [-1, 1], applied at the next step.
    void setSteering(double value) { steering = value; }
    void setThrottle(double value) { throttle = value; }
    double getSteering() const { return steering; }
    double getThrottle() const { return throttle; }
    // Rear-wheel motor speed state (rad/s), 0..maxWheelSpeed.
    double getWheelSpeed() const { return wheelSpeed; }
    double getMaxWheelSpeed() const { return maxWheelSpeed; }
    double getChassisHeight() const { return chassisHeight; }
    double getDriveForce() const { return driveForce; }
    bool isBuilt() const { return chassis != nullptr; }

    dBodyID getChassis() const { return chassis; }
    dBodyID getCabin() const { return cabin; }
    dBodyID getWheel(int k) const { return (k >= 0 && k < kWheelCount) ? wheels[k] : nullptr; }
    dJointID getWheelJoint(int k) const { return (k >= 0 && k < kWheelCount) ? wheelJoints[k] : nullptr; }
    // The sub-space holding the car's six geoms (never collided with itself).
    dSpaceID getGeomGroup() const { return geomGroup; }

protected:
    void worldDestroyed() override;

private:
    void forgetModel();
    // Forward spin of the rear wheels (rad/s, mean of the two), never below 0.
    double rearWheelTurnRate() const;

    double length = 0.0;
    double width = 0.0;
    double height = 0.0;
    double chassisHeight = 0.0;
    double mass = 0.0;
    double wheelMass = 0.0;
    double maxWheelSpeed = 0.0;
    double driveForce = 0.0;

    double steering = 0.0;
    double throttle = 0.0;
    double wheelSpeed = 0.0;

    dBodyID chassis = nullptr;
    dBodyID cabin = nullptr;
    dBodyID wheels[kWheelCount] = {nullptr, nullptr, nullptr, nullptr};
    dJointID wheelJoints[kWheelCount] = {nullptr, nullptr, nullptr, nullptr};
    dJointID cabinJoint = nullptr;
    dSpaceID geomGroup = nullptr;
    dGeomID chassisGeom = nullptr;
    dGeomID cabinGeom = nullptr;
    dGeomID wheelGeoms[kWheelCount] = {nullptr, nullptr, nullptr, nullptr};
};

}  // namespace torvask
