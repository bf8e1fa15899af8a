#include "physics/PhysicsObject.h"

#include "physics/PhysicsServer.h"

namespace torvask {

PhysicsObject::~PhysicsObject() {
    if (server_ != nullptr) server_->removeObject(this);
}

bool PhysicsObject::attach(dWorldID w, dSpaceID s) {
    if (w == nullptr) return false;
    world = w;
    space = s;
    return true;
}

}  // namespace torvask
