// The keyboard step: one snapshot a frame turned into cameras, the mode-leaving command and
// the three ramped drive controls.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Messages.h"
#include "driver/Driver.h"
#include "physics/Car.h"
#include "sim/CarAdapter.h"
#include "sim/CTorvaskDoc.h"
#include "sim/DriveControls.h"
#include "sim/FrameTiming.h"

namespace torvask {

namespace {
// A device that keeps reporting itself lost right after a successful acquire would otherwise
// keep the frame spinning here for ever.
constexpr int kMaxAcquireAttempts = 2;

struct CarCameraKey {
    std::uint8_t code;
    double x, y, z;
};
constexpr CarCameraKey kCarCameraKeys[] = {
    {dik::kF3, 2.5, 3.0, -8.0},   // chase
    {dik::kF4, 2.5, 2.0, 8.0},    // front
    {dik::kF5, 5.0, 1.5, -12.0},  // side
    {dik::kF6, 0.0, 40.0, 0.0},   // overhead
};
}  // namespace

bool CTorvaskDoc::readKeyState() {
    if (!keyboard) return false;
    for (int attempt = 0;; ++attempt) {
        keyboard->poll();
        const InputResult result = keyboard->getState(keyState);
        if (result == kInputOk) return true;
        if (result != kInputLost && result != kInputNotAcquired) return false;
        if (attempt >= kMaxAcquireAttempts) return false;
        if (keyboard->acquire() != kInputOk) return false;
    }
}

void CTorvaskDoc::readKeyboard(double dt) {
    if (!readKeyState()) {
        // A window without the keyboard (another one has the focus) holds no key; whoever drives
        // through the filter keeps driving instead of freezing at the last controls.
        if (!keyFilter_) return;
        keyState.fill(0);
    }
    if (dt == 0.0) dt = kMinimumKeyboardDt;
    if (keyFilter_) keyFilter_(keyState, dt);

    if (isKeyDown(keyState, dik::kF1)) showLongShot();
    if (isKeyDown(keyState, dik::kF2)) showFollowTrack();
    for (const CarCameraKey& key : kCarCameraKeys) {
        if (isKeyDown(keyState, key.code)) showCarCamera(Vector3(key.x, key.y, key.z), 0);
    }

    if (isKeyDown(keyState, dik::kEscape)) {
        const std::uint64_t generation = sceneGeneration_;
        if (mode == kModeUserControl) {
            leaveUserControl();
        } else if (mode == kModeAIControl) {
            leaveAIControl();
        }
        // After a restart the controls belong to the new scene's first mode, which set them.
        if (generation != sceneGeneration_ || !sceneReady) return;
    }

    const bool driveKey = isDriveKeyDown(keyState);
    if (mode == kModeAIControl && driveKey && !personDriving_) takeTheWheel();
    rampDriveControls(keyState, dt, throttle, brake, steering, drivingStarted);
    if (isKeyDown(keyState, dik::kR) && car) car->setRotation(0.0, 0.0, 0.0);
    clampDriveControls(throttle, brake, steering);
    if (personDriving_) {
        if (driveKey) {
            lastDriveKeyTick_ = now();
        } else if (now() - lastDriveKeyTick_ >= kHandBackDelayMs) {
            handBackTheWheel();
        }
    }
}

void CTorvaskDoc::takeTheWheel() {
    if (!car || !driver) return;
    // From what the car is doing now, so the hand-over never jolts it.
    controlsFromCar(car->getSteeringControl(), car->getThrottleControl(), throttle, brake, steering);
    clampDriveControls(throttle, brake, steering);
    // This frame's drive key arms recording, as in User Control.
    drivingStarted = false;
    const std::string prefix = formatBuffer("%scorrection%d", tempPath.c_str(), ++correctionsStarted_);
    errno = 0;
    driver->openPatternFiles(prefix);
    currentCorrection_ = patternFileName(prefix, 0);
    if (!driver->patternFilesWritable()) {
        // Listed, a file that was never written would fail every later training on the
        // corrections; the person keeps the wheel, only this correction is not recorded.
        const int reason = errno;
        driver->closePatternFiles();
        formatMessage("Error recording correction\n\n%s\n%s", currentCorrection_.c_str(),
                      reason != 0 ? std::strerror(reason) : "The file could not be written.");
        currentCorrection_.clear();
    }
    personDriving_ = true;
    handOverSettling_ = true;
    lastDriveKeyTick_ = now();
    // The first pattern a record interval after the hand-over: recorded at once, it would
    // pair the car's state with the driver's own controls, the very mistake being corrected.
    frameTiming().lastRecordTick = now();
}

void CTorvaskDoc::handBackTheWheel() {
    if (!personDriving_) return;
    personDriving_ = false;
    drivingStarted = false;
    if (!driver) return;
    const bool recorded = driver->getPatternCount() > 0;
    driver->closePatternFiles();
    if (recorded && !currentCorrection_.empty()) {
        pendingCorrections_.push_back(currentCorrection_);
    } else if (!currentCorrection_.empty()) {
        std::remove(currentCorrection_.c_str());
    }
    currentCorrection_.clear();
}

int CTorvaskDoc::showLongShot() {
    const int result = cameraController.setStatic();
    const double w = track.getTerrainWidth();
    const double d = track.getTerrainDepth();
    camera.lookAt(Vector3(w, 72.0, d), Vector3(w / 2.0, 0.0, d / 2.0));
    return result;
}

void CTorvaskDoc::showFollowTrack() { cameraController.followPath(track.getWaypoints(), 20.0f); }

int CTorvaskDoc::showCarCamera(const Vector3& offset, std::uint8_t flag) {
    if (!carAdapter) return 0;
    return cameraController.followCar(*carAdapter, offset, flag) ? 1 : 0;
}

}  // namespace torvask
