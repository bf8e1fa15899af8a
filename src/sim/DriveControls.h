#pragma once
// The keyboard's drive keys as three ramped control values. Keys act while held: every frame
// a held key moves its value by a fixed rate times the frame time, and released pedals fall
// back ten times faster than they rise.
#include "sim/Host.h"

namespace torvask {

// Per second of frame time.
inline constexpr double kPedalRiseRate = 0.25;
inline constexpr double kPedalFallRate = 2.5;
inline constexpr double kSteerRate = 0.25;
inline constexpr double kSteerCentringRate = 12.0;
// Steering is kept in [-1/3, 1/3]; negative is left.
inline constexpr double kSteeringLimit = 1.0 / 3.0;
// A zero frame time still moves the controls by this much.
inline constexpr double kMinimumKeyboardDt = 0.0001;

inline bool isKeyDown(const KeyState& keys, std::uint8_t code) { return (keys[code] & kKeyDownBit) != 0; }

// W, A, S, D or an arrow key: the keys that drive the car (and arm recording).
inline bool isDriveKeyDown(const KeyState& keys) {
    for (std::uint8_t code : {dik::kW, dik::kA, dik::kS, dik::kD, dik::kUp, dik::kLeft, dik::kRight, dik::kDown}) {
        if (isKeyDown(keys, code)) return true;
    }
    return false;
}

// Throttle (W/Up), brake (S/Down) and steering (A/Left wins over D/Right, else a return
// towards the centre), then Space centres at once. Sets drivingStarted when a drive key is
// held; never clears it. dt in seconds, already made non-zero by the caller.
void rampDriveControls(const KeyState& keys, double dt, double& throttle, double& brake, double& steering,
                       bool& drivingStarted);

// throttle and brake into [0, 1], steering into [-1/3, 1/3].
void clampDriveControls(double& throttle, double& brake, double& steering);

// The two outputs the car takes, each in [0, 1]: full left 0, centre 0.5, full right 1.
inline double steeringOutput(double steering) { return (steering * 3.0 + 1.0) * 0.5; }
// Full brake 0, no pedal 0.5, full throttle 1.
inline double throttleOutput(double throttle, double brake) { return (throttle - brake + 1.0) * 0.5; }

// The controls that give the car's control values back: steeringControl and throttleControl
// in [-1, 1] as the car holds them (2 * output - 1). Only one pedal is ever pressed.
inline void controlsFromCar(double steeringControl, double throttleControl, double& throttle, double& brake,
                            double& steering) {
    steering = steeringControl / 3.0;
    throttle = throttleControl > 0.0 ? throttleControl : 0.0;
    brake = throttleControl < 0.0 ? -throttleControl : 0.0;
}

}  // namespace torvask
