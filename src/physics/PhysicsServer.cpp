#include "physics/PhysicsServer.h"

#include <algorithm>
#include <mutex>

#include "common/Messages.h"
#include "physics/PhysicsObject.h"

namespace torvask {

void ensureOdeInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { dInitODE2(0); });
}

PhysicsServer& physicsServer() {
    static PhysicsServer server;
    return server;
}

PhysicsServer::~PhysicsServer() { destroy(); }

bool PhysicsServer::create(int32_t width, int32_t depth) {
    if (width <= 20 || depth <= 20) return false;
    // A second create would leak the first world and leave registered objects pointing into it.
    if (world != nullptr) return false;
    ensureOdeInitialised();

    world = dWorldCreate();
    space = dHashSpaceCreate(nullptr);
    contactGroup = dJointGroupCreate(0);
    dWorldSetGravity(world, 0.0, 0.0, kGravity);
    dWorldSetERP(world, kErp);

    // The ground acts as one geom of the top space: a sub-space holding the five planes, so
    // the planes never meet each other and the callback can tell ground pairs apart.
    groundGroup = dSimpleSpaceCreate(space);
    groundPlane = dCreatePlane(groundGroup, 0.0, 0.0, 1.0, kGroundHeight);
    walls[0] = dCreatePlane(groundGroup, 1.0, 0.0, 0.0, kWallMargin);
    walls[1] = dCreatePlane(groundGroup, -1.0, 0.0, 0.0, kWallMargin - width);
    walls[2] = dCreatePlane(groundGroup, 0.0, 1.0, 0.0, kWallMargin);
    walls[3] = dCreatePlane(groundGroup, 0.0, -1.0, 0.0, kWallMargin - depth);
    return true;
}

void PhysicsServer::destroy() {
    // Objects outlive the world: tell each one its bodies and geoms are about to go.
    for (PhysicsObject* object : objects) {
        object->server_ = nullptr;
        if (world != nullptr) object->worldDestroyed();
        object->world = nullptr;
        object->space = nullptr;
    }
    objects.clear();
    if (contactGroup != nullptr) {
        dJointGroupDestroy(contactGroup);
        contactGroup = nullptr;
    }
    if (space != nullptr) {
        dSpaceDestroy(space);  // takes the ground sub-space and its planes with it
        space = nullptr;
    }
    groundGroup = nullptr;
    groundPlane = nullptr;
    std::fill(std::begin(walls), std::end(walls), nullptr);
    if (world != nullptr) {
        dWorldDestroy(world);
        world = nullptr;
    }
    lastContactCount = 0;
}

bool PhysicsServer::addObject(PhysicsObject* object) {
    if (object == nullptr) return false;
    if (world == nullptr) return false;
    // Registering twice would step the object twice per step.
    if (object->server_ != nullptr) return false;
    if (!object->attach(world, space)) return false;
    object->server_ = this;
    objects.push_back(object);
    return true;
}

void PhysicsServer::removeObject(PhysicsObject* object) {
    if (object == nullptr) return;
    objects.remove(object);
    if (object->server_ == this) object->server_ = nullptr;
}

bool PhysicsServer::step(double stepSize) {
    if (world == nullptr || space == nullptr) return false;
    lastContactCount = 0;
    dSpaceCollide(space, this, &PhysicsServer::collisionCallback);
    for (PhysicsObject* object : objects) object->step(stepSize);
    dWorldStep(world, stepSize);
    dJointGroupEmpty(contactGroup);
    return true;
}

bool PhysicsServer::isGround(dGeomID g) const {
    if (g == nullptr || groundGroup == nullptr) return false;
    if (g == reinterpret_cast<dGeomID>(groundGroup)) return true;
    return dGeomGetSpace(g) == groundGroup;
}

void PhysicsServer::collisionCallback(void* data, dGeomID o1, dGeomID o2) {
    if (data == nullptr) {
        formatMessage("ERROR: PhysicsServer::collisionCallback - NULL context");
        return;
    }
    auto* server = static_cast<PhysicsServer*>(data);
    // Only the ground and something else make contacts: two car parts never collide, nor do
    // two ground planes.
    if (server->isGround(o1) == server->isGround(o2)) return;

    if (dGeomIsSpace(o1) || dGeomIsSpace(o2)) {
        // Descend into the sub-space(s); the member pairs come back through this callback.
        dSpaceCollide2(o1, o2, data, &PhysicsServer::collisionCallback);
        return;
    }

    dContact contacts[kMaxContacts] = {};
    const int n = dCollide(o1, o2, kMaxContacts, &contacts[0].geom, sizeof(dContact));
    if (n < 1) return;
    for (int i = 0; i < n; ++i) {
        dContact& contact = contacts[i];
        contact.surface.mode = dContactSlip1 | dContactSlip2;
        contact.surface.mu = dInfinity;
        contact.surface.slip1 = kContactSlip;
        contact.surface.slip2 = kContactSlip;
        dJointID joint = dJointCreateContact(server->world, server->contactGroup, &contact);
        dJointAttach(joint, dGeomGetBody(contact.geom.g1), dGeomGetBody(contact.geom.g2));
        ++server->lastContactCount;
    }
}

}  // namespace torvask
