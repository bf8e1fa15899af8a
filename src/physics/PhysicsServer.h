#pragma once
// The rigid-body world of the simulation (physics frame: z up, gravity along -z): one ODE world,
// a hash space, the contact joints of the current step, and the static ground (a plane at
// z = 0.2 and four walls that keep everything inside [10, width-10] x [10, depth-10]).
// One process-wide instance (physicsServer()); its world lives from create to destroy.
#include <cstdint>
#include <list>

#include <ode/ode.h>

namespace torvask {

class PhysicsObject;

static_assert(sizeof(dReal) == sizeof(double), "the physics model needs ODE built in double precision");

// Initialises ODE once per process; safe to call any number of times.
void ensureOdeInitialised();

class PhysicsServer {
public:
    static constexpr double kGravity = -0.981;       // along physics z
    static constexpr double kErp = 0.6;
    static constexpr double kGroundHeight = 0.2;     // physics z of the ground surface
    static constexpr double kWallMargin = 10.0;      // walls stand this far inside the terrain edge
    static constexpr int kMaxContacts = 10;          // per dCollide call
    static constexpr double kContactSlip = 0.15;

    PhysicsServer() = default;
    ~PhysicsServer();  // calls destroy
    PhysicsServer(const PhysicsServer&) = delete;
    PhysicsServer& operator=(const PhysicsServer&) = delete;

    // width, depth: terrain size in world units. False (nothing created) if either is <= 20
    // or a world already exists.
    bool create(int32_t width, int32_t depth);
    // Forgets every object (they stay alive), then releases contacts, space and world.
    // Safe when nothing exists.
    void destroy();
    // Attaches object to the world and space and appends it; false for an empty object,
    // before create, or when the object is already registered.
    bool addObject(PhysicsObject* object);
    // Removes object from the step list if present (the object is not deleted).
    void removeObject(PhysicsObject* object);
    // Collision, then every object's step in registration order, then integration, then the
    // contacts are dropped. stepSize in seconds. False (nothing happens) before create.
    bool step(double stepSize);

    // Near-collision callback handed to ODE; data is the server. Only pairs with exactly one
    // side belonging to the ground make contacts; sub-spaces are descended into.
    static void collisionCallback(void* data, dGeomID o1, dGeomID o2);

    dWorldID getWorld() const { return world; }
    dSpaceID getSpace() const { return space; }
    dJointGroupID getContactGroup() const { return contactGroup; }
    // The ground: a sub-space of the top space holding the ground plane and the four walls.
    dSpaceID getGroundGroup() const { return groundGroup; }
    dGeomID getGroundPlane() const { return groundPlane; }
    // i = 0: +x wall (x >= 10), 1: -x wall, 2: +y wall (y >= 10), 3: -y wall. Empty outside 0..3.
    dGeomID getWall(int i) const { return (i >= 0 && i < 4) ? walls[i] : nullptr; }
    const std::list<PhysicsObject*>& getObjects() const { return objects; }
    // Contact joints made by the last collision pass (for diagnostics and tests).
    int getLastContactCount() const { return lastContactCount; }

    // True when g is the ground group or one of its planes.
    bool isGround(dGeomID g) const;

private:
    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    dJointGroupID contactGroup = nullptr;
    dSpaceID groundGroup = nullptr;
    dGeomID groundPlane = nullptr;
    dGeomID walls[4] = {nullptr, nullptr, nullptr, nullptr};
    std::list<PhysicsObject*> objects;
    int lastContactCount = 0;
};

// The process-wide server.
PhysicsServer& physicsServer();

}  // namespace torvask
