#include "physics/CarPhysics.h"

#include <cmath>

namespace torvask {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

void zeroVelocities(dBodyID body) {
    if (body == nullptr) return;
    dBodySetLinearVel(body, 0.0, 0.0, 0.0);
    dBodySetAngularVel(body, 0.0, 0.0, 0.0);
}

}  // namespace

CarPhysics::~CarPhysics() {
    // Only while the world exists: after the server destroyed it, every handle is already gone.
    if (world == nullptr) return;
    if (chassisGeom != nullptr) dGeomDestroy(chassisGeom);
    if (cabinGeom != nullptr) dGeomDestroy(cabinGeom);
    for (dGeomID g : wheelGeoms) {
        if (g != nullptr) dGeomDestroy(g);
    }
    if (geomGroup != nullptr) dSpaceDestroy(geomGroup);
    // Bodies and joints left behind would still be integrated (and fall forever) at every step.
    for (dJointID j : wheelJoints) {
        if (j != nullptr) dJointDestroy(j);
    }
    if (cabinJoint != nullptr) dJointDestroy(cabinJoint);
    for (dBodyID b : wheels) {
        if (b != nullptr) dBodyDestroy(b);
    }
    if (cabin != nullptr) dBodyDestroy(cabin);
    if (chassis != nullptr) dBodyDestroy(chassis);
    forgetModel();
}

void CarPhysics::worldDestroyed() { forgetModel(); }

void CarPhysics::forgetModel() {
    chassis = nullptr;
    cabin = nullptr;
    cabinJoint = nullptr;
    geomGroup = nullptr;
    chassisGeom = nullptr;
    cabinGeom = nullptr;
    for (int k = 0; k < kWheelCount; ++k) {
        wheels[k] = nullptr;
        wheelJoints[k] = nullptr;
        wheelGeoms[k] = nullptr;
    }
}

bool CarPhysics::build(double L, double W, double H, double M, double wheelMass_, double topSpeed,
                       double driveForce_) {
    if (world == nullptr || space == nullptr) return false;
    // Building twice would orphan the first model's bodies in the world.
    if (chassis != nullptr) return false;

    length = L;
    width = W;
    height = H;
    mass = M;
    wheelMass = wheelMass_;
    driveForce = driveForce_;
    chassisHeight = H * 0.3333333333333333;
    const double cabinHeight = H - chassisHeight;
    const double chassisShare = M * 0.9333333333333332;
    const double cabinShare = M - chassisShare;
    maxWheelSpeed = topSpeed * 0.2777777777777778 * 0.6944444444444444;

    dMass m;
    chassis = dBodyCreate(world);
    dBodySetPosition(chassis, 0.0, 0.0, kRideHeight);
    dMassSetZero(&m);
    dMassSetBox(&m, 1.0, L, W, chassisHeight);
    dMassAdjust(&m, chassisShare * 0.1);
    dBodySetMass(chassis, &m);
    chassisGeom = dCreateBox(nullptr, L, W, chassisHeight);
    dGeomSetBody(chassisGeom, chassis);

    cabin = dBodyCreate(world);
    dBodySetPosition(cabin, 0.0, 0.0, chassisHeight + kRideHeight);
    dMassSetZero(&m);
    dMassSetBox(&m, 1.0, L * 0.6, W, cabinHeight);
    dMassAdjust(&m, cabinShare * 0.1);
    dBodySetMass(cabin, &m);
    cabinGeom = dCreateBox(nullptr, L * 0.6, W, cabinHeight);
    dGeomSetBody(cabinGeom, cabin);

    cabinJoint = dJointCreateFixed(world, nullptr);
    dJointAttach(cabinJoint, chassis, cabin);
    dJointSetFixed(cabinJoint);

    for (int k = 0; k < kWheelCount; ++k) {
        wheels[k] = dBodyCreate(world);
        dQuaternion q;
        dQFromAxisAndAngle(q, 1.0, 0.0, 0.0, kHalfPi);
        dBodySetQuaternion(wheels[k], q);
        dMassSetZero(&m);
        dMassSetSphere(&m, 1.0, kWheelRadius);
        dMassAdjust(&m, wheelMass * 0.1);
        dBodySetMass(wheels[k], &m);
        wheelGeoms[k] = dCreateSphere(nullptr, kWheelRadius);
        dGeomSetBody(wheelGeoms[k], wheels[k]);
    }

    placeAt(0.0, 0.0, 0.8);

    const dReal steerAxis[3] = {0.0, 0.0, 1.0};
    const dReal spinAxis[3] = {0.0, 1.0, 0.0};
    for (int k = 0; k < kWheelCount; ++k) {
        wheelJoints[k] = dJointCreateHinge2(world, nullptr);
        dJointAttach(wheelJoints[k], chassis, wheels[k]);
        const dReal* a = dBodyGetPosition(wheels[k]);
        dJointSetHinge2Anchor(wheelJoints[k], a[0], a[1], a[2]);
        dJointSetHinge2Axes(wheelJoints[k], steerAxis, spinAxis);
    }
    for (dJointID j : wheelJoints) {
        dJointSetHinge2Param(j, dParamSuspensionERP, 0.6);
        dJointSetHinge2Param(j, dParamSuspensionCFM, 0.05);
    }
    // The rear wheels do not steer.
    for (int k = 2; k < kWheelCount; ++k) {
        dJointSetHinge2Param(wheelJoints[k], dParamLoStop, 0.0);
        dJointSetHinge2Param(wheelJoints[k], dParamHiStop, 0.0);
    }

    // The car's geoms share a sub-space so that the collision pass never pairs two of them.
    geomGroup = dSimpleSpaceCreate(space);
    dSpaceAdd(geomGroup, chassisGeom);
    dSpaceAdd(geomGroup, cabinGeom);
    for (dGeomID g : wheelGeoms) dSpaceAdd(geomGroup, g);

    steering = 0.0;
    throttle = 0.0;
    wheelSpeed = 0.0;
    return true;
}

bool CarPhysics::step(double /*stepSize*/) {
    if (world == nullptr || space == nullptr) return false;
    if (chassis == nullptr) return true;  // attached but never built: nothing to drive

    const dReal* lv = dBodyGetLinearVel(chassis);
    const double v = std::sqrt(lv[0] * lv[0] + lv[1] * lv[1] + lv[2] * lv[2]);

    wheelSpeed = wheelSpeed + throttle - 0.02 * v;
    if (wheelSpeed < 0.0) wheelSpeed = 0.0;
    if (wheelSpeed > maxWheelSpeed) wheelSpeed = maxWheelSpeed;
    // The brake's motor is stronger than the throttle's; aimed at a wheel speed the throttle
    // built up beyond the car's own speed, it would pull the car forward harder than full
    // throttle does. Braking aims no faster than the rear wheels turn now, nor faster than
    // wheels rolling at the car's speed would turn (a spinning wheel turns faster).
    if (throttle < 0.0) {
        const double rolling = v / kWheelRadius;
        const double turning = std::fmin(rearWheelTurnRate(), rolling);
        if (wheelSpeed > turning) wheelSpeed = turning;
    }

    const double force = (throttle < 0.0) ? 0.5 * 10.0 : 0.5 * driveForce * 0.02;
    for (int k = 2; k < kWheelCount; ++k) {
        dJointSetHinge2Param(wheelJoints[k], dParamVel2, -wheelSpeed);
        dJointSetHinge2Param(wheelJoints[k], dParamFMax2, force);
    }

    // The +y front wheel aims at a third of the -y wheel's angle: the car's handling was tuned
    // with this asymmetry, so it stays.
    const double target[2] = {steering * 0.3333333333333333 * kMaxSteerAngle, steering * kMaxSteerAngle};
    for (int k = 0; k < 2; ++k) {
        const double a = dJointGetHinge2Angle1(wheelJoints[k]);
        double e = target[k] - a;
        if (e > 0.1) e = 0.1;
        if (e < -0.1) e = -0.1;
        dJointSetHinge2Param(wheelJoints[k], dParamVel, 10.0 * e);
        dJointSetHinge2Param(wheelJoints[k], dParamFMax, 0.2);
        dJointSetHinge2Param(wheelJoints[k], dParamLoStop, -kMaxSteerAngle);
        dJointSetHinge2Param(wheelJoints[k], dParamHiStop, kMaxSteerAngle);
        dJointSetHinge2Param(wheelJoints[k], dParamFudgeFactor, 0.1);
    }
    return true;
}

double CarPhysics::rearWheelTurnRate() const {
    // The motor drives forward at a negative spin rate (it is set to -wheelSpeed).
    double sum = 0.0;
    for (int k = 2; k < kWheelCount; ++k) sum -= dJointGetHinge2Angle2Rate(wheelJoints[k]);
    const double rate = sum / (kWheelCount - 2);
    return rate > 0.0 ? rate : 0.0;
}

void CarPhysics::placeAt(double x, double y, double z) {
    if (chassis == nullptr) return;
    zeroVelocities(chassis);
    zeroVelocities(cabin);
    for (dBodyID w : wheels) zeroVelocities(w);

    dBodySetPosition(chassis, x, y, z + kRideHeight);
    dBodySetPosition(cabin, x, y, z + chassisHeight + kRideHeight);
    const double h = z + kRideHeight - 0.4 * chassisHeight;
    dBodySetPosition(wheels[0], x + 0.4 * length, y + 0.5 * width, h);
    dBodySetPosition(wheels[1], x + 0.4 * length, y - 0.5 * width, h);
    dBodySetPosition(wheels[2], x - 0.4 * length, y + 0.5 * width, h);
    dBodySetPosition(wheels[3], x - 0.4 * length, y - 0.5 * width, h);
}

void CarPhysics::setRotation(double x, double y, double z) {
    if (chassis == nullptr) return;
    zeroVelocities(chassis);
    zeroVelocities(cabin);
    for (dBodyID w : wheels) zeroVelocities(w);

    dMatrix3 r;
    dRFromEulerAngles(r, x, z, y - kHalfPi);
    dBodySetRotation(chassis, r);
    dBodySetRotation(cabin, r);
}

Vector3 CarPhysics::getPosition() const {
    if (chassis == nullptr) return Vector3();
    const dReal* p = dBodyGetPosition(chassis);
    return Vector3(p[0], p[2], p[1]);
}

Vector3 CarPhysics::getRotation() const {
    if (chassis == nullptr) return Vector3();
    const dReal* r = dBodyGetRotation(chassis);
    // A rotation matrix element may round to just beyond 1 in magnitude.
    const double pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, r[6])));
    double roll = 0.0;
    double yaw = 0.0;
    if (r[4] != 0.0 || r[5] != 0.0) {
        roll = std::atan2(-r[2], r[10]);
        yaw = std::atan2(-r[4], r[5]);
    } else {
        yaw = std::atan2(r[1], r[0]);
    }
    yaw += kHalfPi;
    return Vector3(pitch, yaw, roll);
}

double CarPhysics::getSpeed() const {
    if (chassis == nullptr) return 0.0;
    const dReal* v = dBodyGetLinearVel(chassis);
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) * kSpeedScale;
}

}  // namespace torvask
