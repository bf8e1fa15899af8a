#pragma once
// The simulation document: owns one running simulation (track, physics world, car, learned
// driver, camera, scene geometry, graphics device, keyboard), steps it once per idle pass and
// moves it between the driving modes. Everything outside it (clock, graphics layer, keyboard,
// dialogs and questions) comes through the HostServices interfaces, so the whole loop runs
// headless. Main thread only.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/FolderLock.h"
#include "common/ProgramFolders.h"
#include "common/Vector3.h"
#include "config/ConfigFile.h"
#include "physics/Track.h"
#include "render/Camera.h"
#include "render/CameraController.h"
#include "render/CarMesh.h"
#include "render/Device.h"
#include "render/Math.h"
#include "render/VertexPool.h"
#include "sim/BackgroundTrainer.h"
#include "sim/Host.h"
#include "sim/LapTime.h"
#include "sim/SensorMarks.h"

namespace torvask {

class Car;
class CarAdapter;
class Driver;

using DrivingMode = std::int32_t;
inline constexpr DrivingMode kModeIdle = 0;
inline constexpr DrivingMode kModeUserControl = 1;
inline constexpr DrivingMode kModeAIControl = 2;

// One textured triangle strip of static geometry in the vertex pool.
struct DrawBatch {
    std::int32_t primitiveType = 0;
    std::int32_t firstVertex = 0;
    std::int32_t primitiveCount = 0;
    std::unique_ptr<Texture> texture;
};

// The skybox: six faces of four vertices, each face with its own texture.
struct SkyBatch {
    std::int32_t primitiveType = 0;
    std::int32_t firstVertex = 0;
    std::int32_t primitiveCount = 0;
    std::array<std::unique_ptr<Texture>, 6> textures;
};

// Fixed scene values.
inline constexpr int kVertexPoolCapacity = 500;
inline constexpr int kGroundVertexCount = 4;
inline constexpr int kSkyVertexCount = 24;
// The pool holds the ground quad, the sky box and two ribbon vertices per smoothed waypoint.
inline constexpr int kMaxSceneWaypoints = (kVertexPoolCapacity - kGroundVertexCount - kSkyVertexCount) / 2;
inline constexpr std::uint32_t kStatusTextColor = 0xFFFFFF00;  // opaque yellow
inline constexpr std::uint32_t kStatusShadowColor = 0xD0000000;  // mostly opaque black, under the text
inline constexpr std::uint32_t kDepthClearColor = 0xFF0096FF;
inline constexpr std::uint32_t kRecordIntervalMs = 200;
// Display speed below which the car counts as standing still for recording.
inline constexpr double kRestSpeed = 0.5;
// Below this speed a held throttle key is recorded as the full pedal it asks for: the keyboard's
// pedal takes four seconds to rise, so a standing start otherwise teaches "next to no pedal at
// rest", and a driver that learns it, a shade short, brakes where it stands and never moves.
// Well below the slowest bend the demonstrator takes (about 26), so no corner is taught by it.
inline constexpr double kPullAwaySpeed = 15.0;
inline constexpr std::int32_t kStallLimitMs = 300;
inline constexpr std::int32_t kStallFrameMs = 20;
// How long after the last drive key is released the learned driver takes the car back.
inline constexpr std::uint32_t kHandBackDelayMs = 1000;
// Road (world units, along the waypoints) the lap progress may skip in one step.
inline constexpr double kLapSkipDistance = 20.0;
// Passes of one learning at once: a nudge from the current network, as a correction round in the lab.
inline constexpr long kLearnAtOncePasses = 300;
// Asked on leaving a mode with patterns to train on.
inline constexpr const char* kTrainQuestion = "Train driver with collected data?";
// The mode line's name while the person drives in AI Control.
inline constexpr const char* kTakenWheelModeName = "AI Control - you have the wheel";
// A car whose up axis has less than this vertical share (tilted past 60 degrees: on its side
// or roof) for kOverturnedLimitMs is set back on its wheels; the mode line says so for
// kRightedNoticeMs.
inline constexpr double kOverturnedUprightness = 0.5;
inline constexpr std::uint32_t kOverturnedLimitMs = 2000;
inline constexpr std::uint32_t kRightedNoticeMs = 2500;
inline constexpr double kRightingLift = 1.0;  // render units above where it lay
inline constexpr const char* kRightedNotice = " - car set back on its wheels";

// The yaw (radians, render frame) that faces a car along direction; y is ignored.
double yawAlong(Vector3 direction);

class CTorvaskDoc {
public:
    explicit CTorvaskDoc(const HostServices& host);
    ~CTorvaskDoc();
    CTorvaskDoc(const CTorvaskDoc&) = delete;
    CTorvaskDoc& operator=(const CTorvaskDoc&) = delete;

    // --- Frame loop -------------------------------------------------------------------------
    // One frame: timing, keyboard, driving and physics pacing, camera, lap text, drawing.
    // 0 after a frame, -1 when no simulation is ready.
    std::int32_t simulateFrame();
    // Controls to the car (or the driver's step), one physics step at most, car update, laps.
    std::int32_t updateDriving();
    void updateLapText();
    // Moves the lap progress on to the waypoint the car reached (Car::getCurrentWaypoint) when
    // that is the next one, or further on by no more than kLapSkipDistance of road; completes
    // a lap when that passes waypoint 0.
    void advanceLapProgress(std::int32_t reached);
    void completeLap();
    void resetLapTimes();
    // Draws skybox, ground, track, car and the three status texts, then presents. 0.
    std::int32_t render();

    // --- Keyboard and cameras ---------------------------------------------------------------
    // dt: frame time in seconds.
    void readKeyboard(double dt);
    // Snapshot of all 256 keys into keyState; re-acquires a lost device. False on failure.
    bool readKeyState();
    int showLongShot();
    void showFollowTrack();
    // offset in the car's frame (render units); flag is passed on to the controller.
    int showCarCamera(const Vector3& offset, std::uint8_t flag);

    // --- Start-up and teardown --------------------------------------------------------------
    // Reads the configuration beside the program, prepares the folders, checks the graphics
    // layer and asks for a track and driver. False when the program cannot go on.
    bool readConfiguration();
    // Builds the simulation into view. 0, or -1 after reporting the failed step.
    std::int32_t startScene(WindowHandle view);
    // Releases whatever exists; safe after a partial start-up and when nothing exists.
    void teardownScene();
    // Teardown, the Simulation Setup dialog again, start-up. The result of startScene.
    std::int32_t restartScene();
    int probeDirectXVersion();
    // The view's client size in pixels, whenever it changes: the projection follows its aspect
    // ratio, so the picture is not stretched in a window of another shape. Sizes of 0 are
    // ignored. Until it is called the scene uses its traditional 4:3.
    void setViewSize(int width, int height);
    float getViewAspect() const { return viewAspect_; }

    // --- Driving modes ----------------------------------------------------------------------
    std::int32_t enterUserControl();
    std::int32_t leaveUserControl();
    // The training dialog on patternPrefix's files. 0 when training ran (the driver changed),
    // -1 when the dialog was closed before Start (nothing changed).
    std::int32_t runTraining(const std::string& patternPrefix);
    // Loads the driver file first, unless the network in memory was trained since the file
    // was read: that network is newer and must not be thrown away.
    std::int32_t enterAIControl();
    // Esc in AI Control. After corrections it first offers to train on them; Yes trains on the
    // driver's teaching plus every correction, continuing from the current network, and
    // drives again from the start.
    std::int32_t leaveAIControl();
    // Puts the car on waypoint index facing from waypoint 0 to waypoint 1. -1 for an index
    // outside the waypoint list (nothing changes).
    std::int32_t resetCar(std::int32_t index);
    // Save As: asks for a file (offering the current driver's name) and saves the driver, and
    // beside it (siblingPatternsFile) the patterns it was taught with plus any corrections not
    // yet trained on. No teaching known: a sibling left there by another driver is removed.
    // 0 when saved or cancelled, -1 when either file could not be written. A saved driver's
    // file becomes getDriverFile(), and the shell is told.
    std::int32_t saveDriver();
    // Save: writes to the driver's own file (the one it came from or was last saved as)
    // without asking; a driver without a file, or whose file is not in the person's own
    // drivers folder (bundled data), is saved as saveDriver does. Results as there.
    std::int32_t saveCurrentDriver();
    // File > New: offers to save a changed driver (Cancel stays), then restartScene.
    std::int32_t newSimulation();
    // Offers to save a changed driver; true when the main window may close. Cancel, or a save
    // that was called off or failed, keeps it open.
    bool CanCloseFrame();

    // --- Host set-up and inspection ---------------------------------------------------------
    // Where the configuration, the bundled data and the person's own files are; defaults to the
    // running program's (currentProgramFolders). Installed, the configured folders are the
    // bundled ones and the person's drivers, tracks and recordings go to the own folders.
    void setProgramFolders(const ProgramFolders& folders) { folders_ = folders; }
    const ProgramFolders& getProgramFolders() const { return folders_; }
    // A build-folder layout: "Torvask.cfg" and everything it names in folder.
    void setProgramFolder(const std::string& folder);
    const std::string& getProgramFolder() const { return folders_.configFolder; }
    // How start-up reads the track file; 0 on success. Defaults to Track::load. Lets tests
    // build tracks of exact waypoint counts that no smoothed file can give.
    using TrackLoader = std::function<std::int32_t(Track& track, const std::string& path)>;
    void setTrackLoader(TrackLoader loader) { trackLoader_ = std::move(loader); }

    // --- Taking the wheel in AI Control ------------------------------------------------------
    // A drive key in AI Control hands the car to the person: the controls start from the
    // car's current ones and the person's driving is recorded into a new correction file in
    // the temp folder (never over the demonstration). kHandBackDelayMs after the last drive
    // key is released the driver takes the car back.
    bool hasTheWheel() const { return personDriving_; }
    // Correction files (full names) recorded since the last training, oldest first; each holds
    // at least one pattern.
    const std::vector<std::string>& getPendingCorrections() const { return pendingCorrections_; }
    // The pattern file the current network was taught with: the demonstration, a copy of the
    // loaded driver's sibling, or the joined file of the last correction training. Empty when
    // unknown.
    const std::string& getTeachingFile() const { return teachingFile_; }

    // Called with each frame's key snapshot before the document acts on it (the window's expert
    // demonstration holds its keys through it); dt in seconds. Empty: the keys as read. Set, it is
    // also called when the keyboard cannot be read, with no key held.
    using KeyFilter = std::function<void(KeyState& keys, double dt)>;
    void setKeyFilter(KeyFilter filter) { keyFilter_ = std::move(filter); }

    // --- Undo Training and learning at once ---------------------------------------------------
    // Every training that continues from the driver's network (after Esc on corrections, or
    // learned at once) can be undone, several levels deep: the network and the teaching go back
    // to what they were before it, the corrections it folded in are set aside, and the driver
    // counts as changed. Forgotten when the scene is torn down.
    bool canUndoTraining() const { return !undoSteps_.empty(); }
    // A learning in progress is cancelled first. 0, or -1 when there is nothing to undo or the
    // earlier network cannot be read back (nothing changes then).
    std::int32_t undoTraining();
    // On: in AI Control, once the person hands the wheel back, the driver trains in the
    // background on its teaching plus every correction, from its current network, and the new
    // network takes the car the moment it is ready, without a restart. Off (the default): the
    // corrections wait for Esc.
    void setLearnAtOnce(bool on);
    bool getLearnAtOnce() const { return learnAtOnce_; }
    // Corrections folded into the network by learning at once since the scene started.
    int getCorrectionsLearned() const { return correctionsLearned_; }
    bool isLearning() const { return learner_.busy(); }

    DrivingMode getMode() const { return mode; }
    const char* getModeName(DrivingMode m) const;
    bool isSceneReady() const { return sceneReady; }
    bool isRenderEnabled() const { return renderEnabled; }
    // Whether render draws the status texts (frame rate, mode, laps) over the scene; they are
    // kept up to date either way.
    void setStatusTextShown(bool shown) { statusTextShown_ = shown; }
    bool isStatusTextShown() const { return statusTextShown_; }
    bool isDriverModified() const { return driverModified; }
    bool isDrivingStarted() const { return drivingStarted; }
    double getThrottle() const { return throttle; }
    double getBrake() const { return brake; }
    double getSteering() const { return steering; }
    std::uint32_t getLastPhysicsTick() const { return lastPhysicsTick; }
    std::uint32_t getLapStartTick() const { return lapStartTick; }
    std::int32_t getLapProgress() const { return lapProgress; }
    // Laps completed since the lap times were last reset.
    std::int32_t getLapsCompleted() const { return lapsCompleted_; }
    std::int32_t getWaypointCount() const { return waypointCount; }
    std::int32_t getFramesThisSecond() const { return framesThisSecond; }
    std::int32_t getPhysicsStepsThisSecond() const { return physicsStepsThisSecond; }
    const LapTime& getCurrentLap() const { return currentLap; }
    const LapTime& getLastLap() const { return lastLap; }
    const LapTime& getBestLap() const { return bestLap; }
    const std::string& getFpsText() const { return fpsText; }
    const std::string& getLapText() const { return lapText; }
    const std::string& getTracksPath() const { return tracksPath; }
    const std::string& getCarsPath() const { return carsPath; }
    const std::string& getDriversPath() const { return driversPath; }
    // Where the person's own tracks and drivers go: the configured folders in a build folder,
    // the own folders of an installed copy (also listed in Simulation Setup, winning a clash).
    const std::string& getOwnTracksPath() const { return ownTracksPath; }
    const std::string& getOwnDriversPath() const { return ownDriversPath; }
    const std::string& getEnviroPath() const { return enviroPath; }
    const std::string& getTempPath() const { return tempPath; }
    const std::string& getPatternsPath() const { return patternsPath; }
    const std::string& getTrackFile() const { return trackFile; }
    const std::string& getDriverFile() const { return driverFile; }
    void setTrackFile(const std::string& file) { trackFile = file; }
    void setDriverFile(const std::string& file) { driverFile = file; }
    WindowHandle getViewWindow() const { return viewWindow; }
    const KeyState& getKeyState() const { return keyState; }
    const Track& getTrack() const { return track; }
    Car* getCar() const { return car.get(); }
    Driver* getDriver() const { return driver.get(); }
    Device* getDevice() const { return device.get(); }
    const Camera& getCamera() const { return camera; }
    const CameraController& getCameraController() const { return cameraController; }
    const VertexPool& getVertexPool() const { return vertexPool; }
    const DrawBatch& getGroundBatch() const { return groundBatch; }
    const DrawBatch& getTrackBatch() const { return trackBatch; }
    const SkyBatch& getSkyBatch() const { return skyBatch; }
    // The painted start/finish line across the road at waypoint 0 and the soft shadow under
    // the car (a quad in the car's frame), in a small vertex pool of their own. A texture that
    // cannot be loaded leaves its batch untextured, and it is then not drawn.
    const DrawBatch& getStartLineBatch() const { return startLineBatch_; }
    const DrawBatch& getShadowBatch() const { return shadowBatch_; }
    const VertexPool& getDecorationPool() const { return decorationPool_; }
    const CarMesh& getCarMesh() const { return carMesh; }
    // View > Show Sensors: marks on the road where the sensors look, drawn after the car while
    // a car drives. Off by default; off, the frame draws exactly what it drew without them.
    void setShowSensors(bool show) { showSensors_ = show; }
    bool isShowingSensors() const { return showSensors_; }
    const SensorMarks& getSensorMarks() const { return sensorMarks_; }
    // Counts start-ups and teardowns; a frame that sees it change mid-way stops there.
    std::uint64_t getSceneGeneration() const { return sceneGeneration_; }
    // Counts the times the learned driver took the car from the start line (entering AI Control,
    // and again after each training): a watcher of its drives starts a new one when it changes.
    std::uint64_t getAIControlStarts() const { return aiControlStarts_; }

private:
    int32_t buildStaticGeometry();
    // The start line and the shadow; nothing of theirs stops start-up.
    void buildDecorations();
    // Both decorations over the ground and track: drawn without depth (nothing below them is
    // drawn later, and the car, drawn after, covers them), the shadow blended.
    void renderDecorations(Device& d);
    // Makes tempPath this document's own: the configured folder, or a fresh folder inside it
    // while another running copy holds the configured one.
    void claimTempFolder();
    std::uint32_t now() const;
    // Opens User Control's recording; a file that cannot be written is reported once and
    // nothing is recorded.
    void openRecording();
    void takeTheWheel();
    void handBackTheWheel();
    // Offers to save a changed driver (Yes, No, Cancel); true when the caller may go on.
    bool offerToSave();
    // Writes the driver and its sibling to path. 0, or -1 after the message.
    std::int32_t writeDriver(const std::string& path);
    // A car lying on its side or roof for kOverturnedLimitMs is set upright where it lies.
    void rightOverturnedCar();
    // Joins the teaching and the corrections, trains on them and drives again. 0, or -1 after
    // a message when the patterns could not be gathered (nothing changes then).
    std::int32_t trainOnCorrections();
    // The teaching, the pending corrections and the one being recorded, as sources for one
    // joined file.
    std::vector<std::string> teachingSources() const;
    // Saves the network and a copy of the teaching as a step to go back to. False (nothing kept)
    // when either cannot be written.
    struct UndoStep {
        std::string networkFile;
        std::string teachingFile;  // empty: no teaching known
        int correctionsLearned = 0;  // folded in by the training this step undoes, when learned at once
    };
    bool saveUndoStep(UndoStep& step);
    // Once a frame in AI Control: starts learning the corrections (as soon as the person lets go
    // of the wheel), or hands over what was learned.
    void updateLearning();
    void startLearning();
    void finishLearning();
    void cancelLearning();
    // The sibling beside a saved driver file. 0, or -1 when it could not be written.
    std::int32_t saveTeaching(const std::string& driverPath);

    HostServices host_;
    ProgramFolders folders_;
    TrackLoader trackLoader_ = [](Track& t, const std::string& path) { return t.load(path); };
    std::uint64_t sceneGeneration_ = 0;
    std::uint64_t aiControlStarts_ = 0;
    float viewAspect_ = 1.33333f;  // width / height of the view
    FolderLock tempLock_;
    std::string claimedTempPath_;
    std::string instanceFolder_;  // the folder made for this copy inside a busy temp folder; removed at the end

    std::array<std::string, 3> modeNames;
    std::unique_ptr<Car> car;
    std::unique_ptr<CarAdapter> carAdapter;  // the car as the driver sees it
    std::unique_ptr<Driver> driver;
    Track track;
    std::int32_t waypointCount = 0;
    std::string patternsPath;
    bool driverModified = false;
    DrivingMode mode = kModeIdle;
    bool drivingStarted = false;
    double throttle = 0.0;
    double brake = 0.0;
    double steering = 0.0;
    double physicsInterval = 1000.0 / 60.0;  // ms of real time one physics step stands for
    double physicsStepSize = 0.05;           // s of simulated time per physics step
    std::uint32_t lastPhysicsTick = 0;       // 0: pacing has not started
    double physicsCarryFraction_ = 0.0;      // ms below the clock's resolution carried past lastPhysicsTick
    ConfigFile config;
    std::string tracksPath;
    std::string driversPath;
    std::string carsPath;
    std::string enviroPath;
    std::string tempPath;
    std::string ownTracksPath;
    std::string ownDriversPath;
    std::string trackFile;
    std::string driverFile;
    WindowHandle viewWindow = 0;
    bool renderEnabled = true;
    std::unique_ptr<GraphicsSystem> direct3d;
    std::unique_ptr<Device> device;
    std::unique_ptr<Font> font;
    std::string fpsText;
    std::string lapText;
    std::int32_t framesThisSecond = 0;
    std::int32_t physicsStepsThisSecond = 0;
    std::uint32_t lapStartTick = 0;
    std::int32_t lapProgress = 0;
    std::int32_t lapsCompleted_ = 0;
    LapTime currentLap;
    LapTime lastLap;
    LapTime bestLap;
    Camera camera;
    CameraController cameraController;
    VertexPool vertexPool;
    DrawBatch groundBatch;
    DrawBatch trackBatch;
    SkyBatch skyBatch;
    VertexPool decorationPool_;
    DrawBatch startLineBatch_;
    DrawBatch shadowBatch_;
    CarMesh carMesh;
    Matrix4 identityWorld;
    std::unique_ptr<InputSystem> directInput;
    std::unique_ptr<KeyboardDevice> keyboard;
    KeyState keyState{};
    bool sceneReady = false;

    bool personDriving_ = false;
    // Just after taking the wheel, until no pedal the person leaves alone still holds the
    // driver's value: nothing is recorded meanwhile.
    bool handOverSettling_ = false;
    std::uint32_t lastDriveKeyTick_ = 0;
    std::int32_t correctionsStarted_ = 0;  // names the correction files of this scene
    bool recordingFailureReported_ = false;  // User Control's pattern file could not be opened
    std::string currentCorrection_;
    std::vector<std::string> pendingCorrections_;
    std::string teachingFile_;
    bool trainedSinceLoad_ = false;

    bool statusTextShown_ = true;
    bool overturned_ = false;
    std::uint32_t overturnedSince_ = 0;
    bool rightedShown_ = false;  // the mode line tells of the righting until kRightedNoticeMs after
    std::uint32_t rightedAt_ = 0;

    KeyFilter keyFilter_;
    std::vector<UndoStep> undoSteps_;
    int undoStepsMade_ = 0;  // names the files of the steps
    bool learnAtOnce_ = false;
    int correctionsLearned_ = 0;
    BackgroundTrainer learner_;
    UndoStep learningStep_;                  // the network and teaching the running learning started from
    std::vector<std::string> learningFiles_;  // the corrections it folds in
    bool learningIncludesCurrent_ = false;     // ... one of them the correction the person is letting go of
    std::int32_t learningRefused_ = -1;        // correctionsStarted_ when learning last could not start
    bool showSensors_ = false;
    SensorMarks sensorMarks_;
};

}  // namespace torvask
