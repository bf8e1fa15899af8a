#pragma once
// Base of everything the physics server steps: it learns the world and the collision space
// when it is registered, and applies its controls once per step before the world advances.
#include <ode/ode.h>

namespace torvask {

class PhysicsServer;

class PhysicsObject {
public:
    PhysicsObject() = default;
    // Unregisters itself from the server it was added to, so the server never steps a deleted object.
    virtual ~PhysicsObject();
    PhysicsObject(const PhysicsObject&) = delete;
    PhysicsObject& operator=(const PhysicsObject&) = delete;

    // Called once per physics step, after collision detection and before integration.
    // stepSize in seconds of simulated time.
    virtual bool step(double stepSize) = 0;

    // Stores both handles; false (and no change) when world is empty.
    bool attach(dWorldID world, dSpaceID space);

    dWorldID getWorld() const { return world; }
    dSpaceID getSpace() const { return space; }

protected:
    // Called by the server when its world is destroyed while this object still lives: the
    // bodies, joints and geoms that lived in it are gone, so the object must forget them.
    virtual void worldDestroyed() {}

    dWorldID world = nullptr;
    dSpaceID space = nullptr;

private:
    friend class PhysicsServer;
    PhysicsServer* server_ = nullptr;  // the server that steps this object, if any
};

}  // namespace torvask
