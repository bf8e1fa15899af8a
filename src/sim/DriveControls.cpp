#include "sim/DriveControls.h"

namespace torvask {

void rampDriveControls(const KeyState& keys, double dt, double& throttle, double& brake, double& steering,
                       bool& drivingStarted) {
    if (isKeyDown(keys, dik::kW) || isKeyDown(keys, dik::kUp)) {
        drivingStarted = true;
        throttle += kPedalRiseRate * dt;
    } else {
        throttle -= kPedalFallRate * dt;
    }
    if (isKeyDown(keys, dik::kS) || isKeyDown(keys, dik::kDown)) {
        drivingStarted = true;
        brake += kPedalRiseRate * dt;
    } else {
        brake -= kPedalFallRate * dt;
    }
    if (isKeyDown(keys, dik::kA) || isKeyDown(keys, dik::kLeft)) {
        drivingStarted = true;
        steering -= kSteerRate * dt;
    } else if (isKeyDown(keys, dik::kD) || isKeyDown(keys, dik::kRight)) {
        drivingStarted = true;
        steering += kSteerRate * dt;
    } else {
        // Proportional return: above 1/12 s per frame this overshoots, which the clamp bounds.
        steering += -steering * dt * kSteerCentringRate;
    }
    if (isKeyDown(keys, dik::kSpace)) steering = 0.0;
}

void clampDriveControls(double& throttle, double& brake, double& steering) {
    if (throttle > 1.0) throttle = 1.0;
    if (throttle < 0.0) throttle = 0.0;
    if (brake > 1.0) brake = 1.0;
    if (brake < 0.0) brake = 0.0;
    if (steering < -kSteeringLimit) steering = -kSteeringLimit;
    if (steering > kSteeringLimit) steering = kSteeringLimit;
}

}  // namespace torvask
