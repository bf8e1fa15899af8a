// Moving between Idle, User Control and AI Control; training; saving the driver.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/Messages.h"
#include "driver/Driver.h"
#include "driver/FileReplace.h"
#include "driver/PatternFiles.h"
#include "physics/Car.h"
#include "sim/CTorvaskDoc.h"

namespace torvask {

namespace {
const Vector3 kUserControlCamera(1.0, 3.0, -8.0);
const Vector3 kAIControlCamera(2.5, 3.0, -8.0);

// A file's bytes as they are before a save replaces them; false when there is no such file or
// it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return false;
    bytes = content.str();
    return true;
}
}  // namespace

std::int32_t CTorvaskDoc::enterUserControl() {
    personDriving_ = false;
    throttle = 0.0;
    brake = 0.0;
    steering = 0.0;
    drivingStarted = false;
    lastPhysicsTick = 0;
    resetCar(0);
    if (driver) openRecording();
    showCarCamera(kUserControlCamera, 0);
    mode = kModeUserControl;
    return 0;
}

void CTorvaskDoc::openRecording() {
    errno = 0;
    driver->openPatternFiles(patternsPath);
    if (driver->patternFilesWritable()) {
        recordingFailureReported_ = false;
        return;
    }
    // Counted but never written, the patterns would fail the training Esc offers with a read
    // error. The person drives on unrecorded; said once, not at every Esc that follows.
    const int reason = errno;
    driver->closePatternFiles();
    if (recordingFailureReported_) return;
    recordingFailureReported_ = true;
    formatMessage("Error recording training patterns\n\n%s\n%s", patternFileName(patternsPath, 0).c_str(),
                  reason != 0 ? std::strerror(reason) : "The file could not be written.");
}

std::int32_t CTorvaskDoc::leaveUserControl() {
    // Closing the files forgets the count, so take it first.
    const int recorded = driver ? driver->getPatternCount() : 0;
    if (driver) driver->closePatternFiles();
    if (recorded == 0) {
        // Training on an empty file "completes" at once and hands an untrained network the car;
        // say what is missing and let the user drive instead.
        formatMessage("No training data was recorded: drive first");
        enterUserControl();
        return 0;
    }
    const bool wasStarted = drivingStarted;
    drivingStarted = false;
    mode = kModeIdle;
    showLongShot();
    if (!host_.shell->askYesNo(kTrainQuestion)) {
        restartScene();
        return 0;
    }
    if (runTraining(patternsPath) != 0) {
        // Closed before Start: an untrained network would steer off the road. The person drives
        // on from where the car stands, into the same recording, and trains on all of it later.
        if (driver) driver->resumePatternFiles(patternsPath, recorded);
        drivingStarted = wasStarted;
        showCarCamera(kUserControlCamera, 0);
        mode = kModeUserControl;
        return 0;
    }
    teachingFile_ = patternFileName(patternsPath, 0);
    resetLapTimes();
    enterAIControl();
    return 0;
}

std::int32_t CTorvaskDoc::runTraining(const std::string& patternPrefix) {
    renderEnabled = false;
    const bool trained = driver && host_.shell->runTrainingDialog(*driver, patternPrefix, tempPath, ownDriversPath);
    if (trained) {
        driverModified = true;
        trainedSinceLoad_ = true;
    }
    renderEnabled = true;
    return trained ? 0 : -1;
}

std::int32_t CTorvaskDoc::enterAIControl() {
    if (!driverFile.empty() && driver && !trainedSinceLoad_) {
        driver->load(driverFile);
        // The teaching is worked on in a copy: saving the driver again rewrites the sibling
        // with the corrections not yet trained on, which must not then be counted twice. A
        // driver saved without its teaching is corrected from its weights alone.
        const std::string sibling = siblingPatternsFile(driverFile);
        const std::string copy = patternFileName(tempPath + "teaching", 0);
        std::error_code ec;
        teachingFile_.clear();
        const bool hasSibling = std::filesystem::is_regular_file(sibling, ec);
        if (hasSibling && !copy.empty() && joinPatternFiles({sibling}, copy) >= 0) teachingFile_ = copy;
    }
    personDriving_ = false;
    drivingStarted = false;
    resetCar(0);
    showCarCamera(kAIControlCamera, 0);
    mode = kModeAIControl;
    lastPhysicsTick = 0;
    ++aiControlStarts_;
    return 0;
}

std::int32_t CTorvaskDoc::leaveAIControl() {
    // A correction still being learned is trained on now with the rest, as without learning at once.
    cancelLearning();
    handBackTheWheel();
    if (!pendingCorrections_.empty() && host_.shell->askYesNo(kTrainQuestion)) {
        return trainOnCorrections();
    }
    // Cancel, or a save that did not happen, keeps the car on the road with the driver as it is.
    if (!offerToSave()) return 0;
    restartScene();
    return 0;
}

std::int32_t CTorvaskDoc::newSimulation() {
    if (!offerToSave()) return 0;
    return restartScene();
}

bool CTorvaskDoc::offerToSave() {
    if (!driverModified) return true;
    switch (host_.shell->askYesNoCancel("Do you want to save the current driver?")) {
        case Answer::Yes:
            saveCurrentDriver();
            return !driverModified;
        case Answer::No: return true;
        case Answer::Cancel: break;
    }
    return false;
}

std::vector<std::string> CTorvaskDoc::teachingSources() const {
    std::vector<std::string> sources;
    if (!teachingFile_.empty()) sources.push_back(teachingFile_);
    sources.insert(sources.end(), pendingCorrections_.begin(), pendingCorrections_.end());
    // Saved while the person still drives: the correction so far counts too.
    if (personDriving_ && !currentCorrection_.empty()) sources.push_back(currentCorrection_);
    return sources;
}

std::int32_t CTorvaskDoc::trainOnCorrections() {
    // A file of its own (the teaching may be an earlier one of these): the demonstration and
    // the corrections stay as they were recorded.
    const std::string prefix = tempPath + "teaching";
    const std::string joined = patternFileName(prefix, 0);
    if (!driver || joined.empty() || joinPatternFiles(teachingSources(), joined) < 0) {
        formatMessage("Error reading training patterns");
        return -1;
    }
    // A best-network file left by an earlier training (of this or another driver) would be
    // read back in place of the current network if no pass of this one got a pattern right.
    for (int i = 0; i < driver->getBrain().getNumLobes(); ++i) {
        std::remove((tempPath + driver->getBrain().getLobe(i)->getName() + ".lobe").c_str());
    }
    // The network and teaching before it, for Undo Training; a step that cannot be written only
    // means this training cannot be undone.
    UndoStep before;
    const bool undoable = saveUndoStep(before);
    mode = kModeIdle;
    showLongShot();
    if (runTraining(prefix) != 0) {
        // Closed before Start: the driver goes on as it was, the corrections kept for later.
        showCarCamera(kAIControlCamera, 0);
        mode = kModeAIControl;
        return 0;
    }
    if (undoable) undoSteps_.push_back(before);
    teachingFile_ = joined;
    pendingCorrections_.clear();
    resetLapTimes();
    enterAIControl();
    return 0;
}

std::int32_t CTorvaskDoc::saveTeaching(const std::string& driverPath) {
    const std::string sibling = siblingPatternsFile(driverPath);
    const std::vector<std::string> sources = teachingSources();
    int records = 0;
    for (const std::string& source : sources) records += std::max(countPatternRecords(source), 0);
    // Nothing taught (or nothing left of it): no sibling, not even one a former driver of
    // that name left behind.
    if (records == 0) {
        std::error_code ec;
        std::filesystem::remove(sibling, ec);
        return ec ? -1 : 0;
    }
    return joinPatternFiles(sources, sibling) < 0 ? -1 : 0;
}

std::int32_t CTorvaskDoc::resetCar(std::int32_t index) {
    const auto& waypoints = track.getWaypoints();
    if (index < 0 || index >= static_cast<std::int32_t>(waypoints.size())) return -1;
    // Heading needs two waypoints; start-up refuses a track with fewer, so this only guards
    // a document used outside a running scene.
    if (!car || waypoints.size() < 2) return -1;
    const Vector3& at = waypoints[static_cast<std::size_t>(index)];
    car->setPosition(at.x, at.y, at.z);
    overturned_ = false;

    // Always the first leg of the track, whatever the index: every run starts on waypoint 0.
    car->setRotation(0.0, yawAlong(waypoints[1] - waypoints[0]), 0.0);
    return 0;
}

double yawAlong(Vector3 direction) {
    direction.normalize();
    const Vector3 forward(0.0, 0.0, 1.0);
    double cosine = direction.dot(forward);
    if (cosine > 1.0) cosine = 1.0;
    if (cosine < -1.0) cosine = -1.0;
    double yaw = std::acos(cosine);
    if (forward.cross(direction).y < 0.0) yaw = -yaw;
    return yaw;
}

void CTorvaskDoc::rightOverturnedCar() {
    if (!car || car->getUprightness() >= kOverturnedUprightness) {
        overturned_ = false;
        return;
    }
    if (!overturned_) {
        overturned_ = true;
        overturnedSince_ = now();
        return;
    }
    if (now() - overturnedSince_ < kOverturnedLimitMs) return;
    // Where it lies, a little above so it drops onto its wheels, facing along the road there.
    const auto& waypoints = track.getWaypoints();
    const std::int32_t n = static_cast<std::int32_t>(waypoints.size());
    std::int32_t at = car->getCurrentWaypoint();
    if (at < 0 || at + 1 >= n) at = 0;  // the last waypoint repeats the first
    const Vector3 pos = car->getPosition();
    car->setPosition(pos.x, pos.y + kRightingLift, pos.z);
    const double yaw = n >= 2 ? yawAlong(waypoints[static_cast<std::size_t>(at + 1)] -
                                         waypoints[static_cast<std::size_t>(at)])
                              : car->getRotation().y;
    car->setRotation(0.0, yaw, 0.0);
    overturned_ = false;
    rightedAt_ = now();
    rightedShown_ = true;
}

std::int32_t CTorvaskDoc::saveCurrentDriver() {
    // A bundled driver (an installed copy's shared data) is never written over: Save asks then.
    std::error_code ec;
    const bool own = !driverFile.empty() &&
                     std::filesystem::equivalent(std::filesystem::path(driverFile).parent_path(), ownDriversPath, ec);
    if (!own) return saveDriver();
    return writeDriver(driverFile);
}

std::int32_t CTorvaskDoc::saveDriver() {
    SaveFileRequest request;
    request.defaultExtension = ".driver";
    request.initialName = driverFile.empty() ? std::string() : std::filesystem::path(driverFile).filename().string();
    request.filter = "Torvask Files (*.driver)|*.driver|All Files (*.*)|*.*||";
    request.title = "Save Driver";
    request.initialFolder = ownDriversPath;
    std::string path;
    if (!host_.shell->askSaveFile(request, &path)) return 0;
    return writeDriver(path);
}

std::int32_t CTorvaskDoc::writeDriver(const std::string& path) {
    // The system's reason is read straight after the failing step, before anything else can
    // overwrite it; a failure without one (no driver, nothing to write) names none.
    int reason = 0;
    bool saved = false;
    if (driver) {
        // The driver and its patterns belong together: when the patterns cannot be written,
        // the driver file goes back to what it was (or away, if it was new), so that a failed
        // save leaves both as they were.
        std::string formerDriver;
        const bool hadDriver = readWholeFile(path, formerDriver);
        errno = 0;
        if (driver->save(path) != 0) {
            reason = errno;
        } else {
            errno = 0;
            if (saveTeaching(path) != 0) {
                reason = errno;
                if (hadDriver) {
                    replaceFileContents(path, formerDriver);
                } else {
                    std::remove(path.c_str());
                }
            } else {
                saved = true;
            }
        }
    }
    if (!saved) {
        formatMessage("Error saving driver\n\n%s\n%s", path.c_str(),
                      reason != 0 ? std::strerror(reason) : "The driver could not be written.");
        return -1;
    }
    driverModified = false;
    // From now on Save writes here.
    driverFile = path;
    host_.shell->driverSaved(path);
    return 0;
}

bool CTorvaskDoc::CanCloseFrame() { return offerToSave(); }

}  // namespace torvask
