// Keyboard handling and the driving modes through the headless host: cameras per key, the
// snapshot's recovery, pattern recording, Esc into training or a restart, saving, closing.
#include <cmath>
#include <sstream>

#include "SimFixture.h"
#include "driver/Driver.h"
#include "neural/Lobe.h"

namespace torvask::testing {
namespace {

class ModesTest : public SimFixture {
protected:
    // A driver file of an untrained driver, to start AI Control from.
    std::string writeDriverFile() {
        Driver fresh;
        const std::string path = dir.str() + "/drivers/fresh.driver";
        EXPECT_EQ(fresh.save(path), 0);
        return path;
    }
    int linesIn(const std::string& file) {
        const std::string text = TempDir::read(file);
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }
};

// ---------------------------------------------------------------------------------------------
// Keyboard

TEST_F(ModesTest, CameraPerKey) {
    struct Row { std::uint8_t key; std::int32_t mode; Vector3 offset; };
    const Row rows[] = {
        {dik::kF1, CameraController::kModeStatic, {}},
        {dik::kF2, CameraController::kModePath, {}},
        {dik::kF3, CameraController::kModeFollow, {2.5, 3.0, -8.0}},
        {dik::kF4, CameraController::kModeFollow, {2.5, 2.0, 8.0}},
        {dik::kF5, CameraController::kModeFollow, {5.0, 1.5, -12.0}},
        {dik::kF6, CameraController::kModeFollow, {0.0, 40.0, 0.0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.key));
        SetUp();
        startRunning();
        host->press(row.key);
        ASSERT_EQ(frameAfter(17), 0);
        const CameraController& c = doc->getCameraController();
        EXPECT_EQ(c.mode(), row.mode);
        if (row.mode == CameraController::kModeFollow) {
            EXPECT_EQ(c.offset(), row.offset);
            EXPECT_EQ(c.followFlag(), 0);
        }
        if (row.key == dik::kF1) {
            // Long shot: from (W, 72, D) towards the terrain's centre.
            EXPECT_EQ(doc->getCamera().position(), Vector3(200.0, 72.0, 200.0));
        }
        if (row.key == dik::kF2) {
            EXPECT_EQ(c.path(), doc->getTrack().getWaypoints());
            EXPECT_EQ(c.pathSpeed(), c.pathLength() / 20.0f);
        }
        EXPECT_FALSE(doc->isDrivingStarted());
        TearDown();
    }
}

TEST_F(ModesTest, HeldCameraKeysApplyInTableOrder) {
    startRunning();
    host->press(dik::kF6);
    host->press(dik::kF1);
    host->press(dik::kF3);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(doc->getCameraController().offset(), Vector3(0.0, 40.0, 0.0));  // F6 acts last
}

TEST_F(ModesTest, SnapshotRecovery) {
    struct Row {
        const char* name;
        std::vector<InputResult> reads;
        InputResult acquire;
        bool keysHandled;
        int acquires;
    };
    const Row rows[] = {
        {"first read acquires the device", {}, kInputOk, true, 1},
        {"lost device is acquired again", {kInputLost}, kInputOk, true, 1},
        {"not acquired: acquired", {kInputNotAcquired}, kInputOk, true, 1},
        {"acquire refused: frame goes on without keys", {kInputLost}, kInputFailed, false, 1},
        {"other failure: no retry", {kInputFailed}, kInputOk, false, 0},
        {"keeps getting lost: gives up", {kInputLost, kInputLost, kInputLost, kInputLost}, kInputOk, false, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        startRunning();
        if (!row.reads.empty()) {
            // Start from an acquired device so only the scripted results matter.
            host->keyboardAcquired = true;
        }
        host->scriptedReadResults.assign(row.reads.begin(), row.reads.end());
        host->acquireResult = row.acquire;
        host->press(dik::kW);
        const int acquiresBefore = host->acquireCount;
        ASSERT_EQ(frameAfter(100), 0);
        EXPECT_EQ(host->acquireCount - acquiresBefore, row.acquires);
        EXPECT_EQ(doc->getThrottle() > 0.0, row.keysHandled);
        EXPECT_EQ(doc->isDrivingStarted(), row.keysHandled);
        TearDown();
    }
}

TEST_F(ModesTest, FailedSnapshotKeepsTheControls) {
    startRunning();
    host->press(dik::kW);
    ASSERT_EQ(frameAfter(100), 0);
    const double throttle = doc->getThrottle();
    ASSERT_GT(throttle, 0.0);
    host->scriptedReadResults.push_back(kInputFailed);
    host->releaseAll();
    ASSERT_EQ(frameAfter(100), 0);
    EXPECT_EQ(doc->getThrottle(), throttle);
}

TEST_F(ModesTest, ZeroFrameTimeStillMovesTheControls) {
    startRunning();
    host->press(dik::kW);
    ASSERT_EQ(frameAfter(17), 0);
    const double before = doc->getThrottle();
    ASSERT_EQ(frameAfter(0), 0);
    EXPECT_EQ(doc->getThrottle(), before + 0.25 * 0.0001);
}

TEST_F(ModesTest, RKeyLevelsTheCarWithoutMovingIt) {
    startRunning();
    ASSERT_EQ(frameAfter(17), 0);
    doc->getCar()->setRotation(0.3, 1.0, -0.2);
    const Vector3 before = doc->getCar()->getPosition();
    host->press(dik::kR);
    host->clock.advance(10);  // under one physics interval: nothing moves the car but R
    ASSERT_EQ(doc->simulateFrame(), 0);
    EXPECT_NEAR(doc->getCar()->getRotation().x, 0.0, 1e-9);
    EXPECT_NEAR(doc->getCar()->getRotation().y, 0.0, 1e-9);
    EXPECT_NEAR(doc->getCar()->getRotation().z, 0.0, 1e-9);
    EXPECT_NEAR(doc->getCar()->getPosition().x, before.x, 1e-9);
    EXPECT_NEAR(doc->getCar()->getPosition().z, before.z, 1e-9);
}

TEST_F(ModesTest, PatternsAreRecordedEvery200msOnlyAfterADriveKey) {
    startRunning();
    const std::string patterns = doc->getPatternsPath() + ".0";
    for (int i = 0; i < 30; ++i) ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(doc->getDriver()->getPatternCount(), 0);
    host->press(dik::kF3);  // camera keys do not arm recording
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_FALSE(doc->isDrivingStarted());
    host->releaseAll();

    host->press(dik::kW);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_TRUE(doc->isDrivingStarted());
    const int first = doc->getDriver()->getPatternCount();
    EXPECT_EQ(first, 1);  // more than 200 ms have passed since the process's first frame
    // 1 s of 17 ms frames: one pattern at the first frame at or past each 200 ms.
    std::uint32_t last = host->clock.tickCount();
    int expected = first;
    for (int i = 0; i < 59; ++i) {
        ASSERT_EQ(frameAfter(17), 0);
        if (host->clock.tickCount() - last >= 200) {
            ++expected;
            last = host->clock.tickCount();
        }
        EXPECT_EQ(doc->getDriver()->getPatternCount(), expected);
    }
    EXPECT_EQ(expected, first + 4);
    EXPECT_EQ(linesIn(patterns), expected);
}

TEST_F(ModesTest, StandingStillWithNoDriveKeyIsNotRecorded) {
    startRunning();
    for (int i = 0; i < 30; ++i) ASSERT_EQ(frameAfter(17), 0);  // the car settles on the ground
    host->press(dik::kW);
    ASSERT_EQ(frameAfter(17), 0);
    const int first = doc->getDriver()->getPatternCount();
    ASSERT_EQ(first, 1);
    host->releaseAll();
    for (int i = 0; i < 60; ++i) ASSERT_EQ(frameAfter(17), 0);
    ASSERT_LT(doc->getCar()->getSpeed(), kRestSpeed);
    EXPECT_EQ(doc->getDriver()->getPatternCount(), first);  // parked: a second without a pattern

    host->press(dik::kS);  // any drive key held at rest is driving, and recorded
    for (int i = 0; i < 12; ++i) ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(doc->getDriver()->getPatternCount(), first + 1);

    host->releaseAll();
    host->press(dik::kW);
    for (int i = 0; i < 180; ++i) ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();  // rolling with no key held is still recorded
    const int rolling = doc->getDriver()->getPatternCount();
    for (int i = 0; i < 12; ++i) ASSERT_EQ(frameAfter(17), 0);
    ASSERT_GT(doc->getCar()->getSpeed(), kRestSpeed);
    EXPECT_EQ(doc->getDriver()->getPatternCount(), rolling + 1);
}

// ---------------------------------------------------------------------------------------------
// Modes

TEST_F(ModesTest, EscInUserControlYesTrainsThenDrivesFromTheStart) {
    doc->setTrackLoader(exactTrack(squareCorners()));
    startRunning();
    host->press(dik::kW);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(frameAfter(17), 0);
    ASSERT_GT(doc->getLapStartTick(), 0U);
    host->releaseAll();
    host->yesNoAnswers.push_back(true);
    host->trainingHandler = [this](const TrainingRequest& r) {
        EXPECT_EQ(doc->getMode(), kModeIdle);
        EXPECT_FALSE(doc->isRenderEnabled());
        EXPECT_FALSE(r.driver->patternFilesOpen());
        // Train for one pass over what was recorded, then stop.
        const int result = r.driver->train(
            r.patternPrefix, r.lobeFolder, [](const TrainingProgress&, void*) { return 1; }, nullptr);
        EXPECT_EQ(result, 0);
    };
    EXPECT_EQ(doc->leaveUserControl(), 0);

    EXPECT_EQ(host->questions, std::vector<std::string>{"Train driver with collected data?"});
    ASSERT_EQ(host->trainingRequests.size(), 1U);
    const TrainingRequest& r = host->trainingRequests[0];
    EXPECT_EQ(r.driver, doc->getDriver());
    EXPECT_EQ(r.patternPrefix, tempFolder() + "patterns");
    EXPECT_EQ(r.lobeFolder, tempFolder());
    EXPECT_EQ(r.driversFolder, dir.str() + "/drivers/");

    EXPECT_EQ(doc->getMode(), kModeAIControl);
    EXPECT_TRUE(doc->isDriverModified());
    EXPECT_TRUE(doc->isRenderEnabled());
    EXPECT_EQ(doc->getLastPhysicsTick(), 0U);
    EXPECT_EQ(host->setupDialogs, 1);
    // On waypoint 0, facing waypoint 1 (+x: yaw pi/2).
    EXPECT_EQ(doc->getCar()->getPosition(), doc->getTrack().getWaypoints()[0]);
    EXPECT_EQ(doc->getCar()->getRotation(), Vector3(0.0, std::acos(0.0), 0.0));
    EXPECT_EQ(doc->getCameraController().offset(), Vector3(2.5, 3.0, -8.0));
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(statusText().rfind("Mode: AI Control\r\n", 0), 0U);
    EXPECT_EQ(doc->getLapText().substr(doc->getLapText().find("\r\nLast")),
              "\r\nLast Lap: 99:99.999\r\nBest Lap: 99:99.999");
}

// Esc before anything was recorded: no training offer on an empty file; the user drives on.
TEST_F(ModesTest, EscWithNothingRecordedSaysSoAndKeepsDriving) {
    startRunning();
    const std::uint64_t generation = doc->getSceneGeneration();
    host->press(dik::kEscape);
    ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();
    EXPECT_EQ(messages.messages, std::vector<std::string>{"No training data was recorded: drive first"});
    EXPECT_TRUE(host->questions.empty());
    EXPECT_TRUE(host->trainingRequests.empty());
    EXPECT_EQ(host->setupDialogs, 1);
    EXPECT_EQ(doc->getSceneGeneration(), generation);
    EXPECT_EQ(doc->getMode(), kModeUserControl);
    EXPECT_TRUE(doc->getDriver()->patternFilesOpen());  // recording goes on
}

// Pulling away from rest, the held throttle key is recorded as the full pedal it asks for, not
// the keyboard's slowly rising one; once the car is moving, the pedal as it is.
TEST_F(ModesTest, AStandingStartIsRecordedWithTheFullPedal) {
    startRunning();
    host->press(dik::kW);
    for (int i = 0; i < 150; ++i) ASSERT_EQ(frameAfter(17), 0);
    doc->getDriver()->closePatternFiles();
    std::istringstream lines(TempDir::read(tempFolder() + "patterns.0"));
    std::vector<double> throttles;
    for (std::string line; std::getline(lines, line);) throttles.push_back(std::stod(line.substr(line.rfind('\t') + 1)));
    ASSERT_GE(throttles.size(), 5U);
    EXPECT_EQ(throttles.front(), 1.0);
    EXPECT_GT(throttles.back(), 0.5);
    EXPECT_LT(throttles.back(), 1.0);
}

// A recording file that cannot be opened: said once, nothing counted, and Esc offers no training
// that could only fail to read it.
TEST_F(ModesTest, ARecordingFileThatCannotBeOpenedIsReportedOnceAndNothingCounted) {
    std::filesystem::create_directories(tempFolder() + "patterns.0");  // in the way of the file
    startRunning();
    host->press(dik::kW);
    for (int i = 0; i < 30; ++i) ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(doc->getDriver()->getPatternCount(), 0);
    host->releaseAll();
    host->press(dik::kEscape);
    ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();
    EXPECT_EQ(messages.messages, (std::vector<std::string>{"Error recording training patterns\n\n" + tempFolder() +
                                                               "patterns.0\nIs a directory",
                                                           "No training data was recorded: drive first"}));
    EXPECT_TRUE(host->questions.empty());
    EXPECT_EQ(doc->getMode(), kModeUserControl);
}

TEST_F(ModesTest, EscInUserControlNoRestartsInsideTheFrame) {
    startRunning();
    recordAPattern();
    const std::uint64_t generation = doc->getSceneGeneration();
    host->setupChoices.push_back(SetupChoice{true, trackFile, ""});
    host->press(dik::kEscape);
    host->press(dik::kW);
    ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();
    EXPECT_EQ(host->questions, std::vector<std::string>{"Train driver with collected data?"});
    EXPECT_TRUE(host->trainingRequests.empty());
    EXPECT_EQ(host->setupDialogs, 2);
    EXPECT_GT(doc->getSceneGeneration(), generation);
    EXPECT_TRUE(doc->isSceneReady());
    EXPECT_EQ(doc->getMode(), kModeUserControl);
    // The rest of that frame did not touch the new scene's controls.
    EXPECT_EQ(doc->getThrottle(), 0.0);
    EXPECT_FALSE(doc->isDrivingStarted());
    EXPECT_NE(doc->getCar(), nullptr);
    EXPECT_EQ(frameAfter(17), 0);
    EXPECT_EQ(host->closeRequests, 0);
}

TEST_F(ModesTest, RestartWithQuitAsksToCloseAndStartsOnceMore) {
    startRunning();
    recordAPattern();
    host->press(dik::kEscape);
    ASSERT_EQ(frameAfter(17), 0);  // No, then Quit in the setup dialog
    host->releaseAll();
    EXPECT_EQ(host->closeRequests, 1);
    EXPECT_EQ(host->setupDialogs, 2);
    EXPECT_TRUE(doc->isSceneReady());  // the previous track, while the close request is pending
    EXPECT_EQ(doc->getTrackFile(), trackFile);
}

TEST_F(ModesTest, FailedRestartInsideAFrameStopsCleanly) {
    startRunning();
    recordAPattern();
    host->setupChoices.push_back(SetupChoice{true, trackFile + ".gone", ""});
    host->press(dik::kEscape);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(messages.messages, std::vector<std::string>{"Failed to load terrain file"});
    EXPECT_FALSE(doc->isSceneReady());
    EXPECT_EQ(frameAfter(17), -1);
}

TEST_F(ModesTest, AIControlFromAFileDoesNotAskToSave) {
    const std::string driverFile = writeDriverFile();
    startRunning(driverFile);
    EXPECT_EQ(doc->getMode(), kModeAIControl);
    EXPECT_FALSE(doc->isDriverModified());
    ASSERT_EQ(frameAfter(17), 0);
    host->press(dik::kEscape);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_TRUE(host->questions.empty());
    EXPECT_TRUE(host->saveRequests.empty());
    EXPECT_EQ(host->setupDialogs, 2);
}

TEST_F(ModesTest, EscInAIControlAfterTrainingAsksToSave) {
    // Yes with the save dialog cancelled keeps the driver in AI Control, nothing lost.
    struct Row { bool yes; std::optional<std::string> file; bool written; bool leaves; };
    const Row rows[] = {{false, std::nullopt, false, true},
                        {true, std::nullopt, false, false},
                        {true, "saved.driver", true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.yes << " " << row.file.value_or("-"));
        SetUp();
        startRunning();
        recordAPattern();
        host->yesNoAnswers = {true, row.yes};
        host->press(dik::kEscape);
        ASSERT_EQ(frameAfter(17), 0);  // -> training (no handler) -> AI Control
        ASSERT_EQ(doc->getMode(), kModeAIControl);
        ASSERT_TRUE(doc->isDriverModified());
        const std::string target = row.file ? dir.str() + "/drivers/" + *row.file : "";
        if (row.file) host->saveAnswers.push_back(target);
        ASSERT_EQ(frameAfter(17), 0);  // Esc still held: leave AI Control
        host->releaseAll();
        EXPECT_EQ(host->questions, (std::vector<std::string>{"Train driver with collected data?",
                                                             "Do you want to save the current driver?"}));
        EXPECT_EQ(host->saveRequests.size(), row.yes ? 1U : 0U);
        EXPECT_EQ(host->setupDialogs, row.leaves ? 2 : 1);
        if (row.file) {
            EXPECT_EQ(std::filesystem::exists(target), row.written);
        }
        // A written driver keeps what it was taught beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "drivers"),
                                std::filesystem::directory_iterator()),
                  row.written ? 2 : 0);
        if (row.written) {
            EXPECT_TRUE(std::filesystem::exists(dir.path() / "drivers/saved.patterns"));
        }
        EXPECT_EQ(doc->isDriverModified(), !row.leaves);
        TearDown();
    }
}

TEST_F(ModesTest, SaveDriver) {
    startRunning();
    // Cancel
    EXPECT_EQ(doc->saveDriver(), 0);
    ASSERT_EQ(host->saveRequests.size(), 1U);
    const SaveFileRequest& r = host->saveRequests[0];
    EXPECT_EQ(r.defaultExtension, ".driver");
    EXPECT_EQ(r.initialName, "");
    EXPECT_EQ(r.filter, "Torvask Files (*.driver)|*.driver|All Files (*.*)|*.*||");
    EXPECT_EQ(r.title, "Save Driver");
    EXPECT_EQ(r.initialFolder, dir.str() + "/drivers/");
    // A path that cannot be written
    host->saveAnswers.push_back(dir.str() + "/no/such/folder/x.driver");
    EXPECT_EQ(doc->saveDriver(), -1);
    // The first line stays as it was; the path and the system's reason follow.
    EXPECT_EQ(messages.messages, std::vector<std::string>{"Error saving driver\n\n" + dir.str() +
                                                          "/no/such/folder/x.driver\nNo such file or directory"});
    // A good path: the file holds the driver's header line
    const std::string good = dir.str() + "/drivers/good.driver";
    host->saveAnswers.push_back(good);
    EXPECT_EQ(doc->saveDriver(), 0);
    EXPECT_EQ(TempDir::read(good).rfind("BRAIN_FILE_VERSION_0001", 0), 0U);
}

TEST_F(ModesTest, CanCloseFrameAsksOnceAfterTraining) {
    startRunning();
    EXPECT_TRUE(doc->CanCloseFrame());
    EXPECT_TRUE(host->questions.empty());
    doc->runTraining(doc->getPatternsPath());
    ASSERT_TRUE(doc->isDriverModified());
    // Yes and Cancel in the save dialog: nothing was saved, so the window stays open.
    host->yesNoAnswers.push_back(true);
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_EQ(host->questions, std::vector<std::string>{"Do you want to save the current driver?"});
    EXPECT_TRUE(doc->isDriverModified());
    host->yesNoCancelAnswers = {Answer::Cancel, Answer::No};
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_TRUE(doc->CanCloseFrame());
    EXPECT_EQ(host->questions.size(), 3U);
}

TEST_F(ModesTest, ResetCarHeading) {
    struct Row { Vector3 second; double yaw; };
    const Row rows[] = {
        {{60, 0, 90}, 0.0},                     // +z
        {{100, 0, 50}, std::acos(0.0)},         // +x
        {{20, 0, 50}, -std::acos(0.0)},         // -x
        {{60, 0, 10}, std::acos(-1.0)},         // -z
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.yaw);
        SetUp();
        doc->setTrackLoader(exactTrack({{60, 0, 50}, row.second, {60, 0, 50}}));
        startRunning();
        doc->getCar()->setRotation(1, 1, 1);
        EXPECT_EQ(doc->resetCar(1), 0);  // any index: the heading is always the first leg's
        EXPECT_EQ(doc->getCar()->getPosition(), row.second);
        EXPECT_EQ(doc->getCar()->getRotation(), Vector3(0.0, row.yaw, 0.0));
        const Vector3 placed = doc->getCar()->getPosition();
        EXPECT_EQ(doc->resetCar(-1), -1);
        EXPECT_EQ(doc->resetCar(3), -1);
        EXPECT_EQ(doc->getCar()->getPosition(), placed);
        TearDown();
    }
}

TEST_F(ModesTest, EnteringUserControlResetsControlsAndOpensPatternFiles) {
    startRunning();
    host->press(dik::kW);
    host->press(dik::kA);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(frameAfter(17), 0);
    ASSERT_GT(doc->getThrottle(), 0.0);
    EXPECT_EQ(doc->enterUserControl(), 0);
    EXPECT_EQ(doc->getThrottle(), 0.0);
    EXPECT_EQ(doc->getBrake(), 0.0);
    EXPECT_EQ(doc->getSteering(), 0.0);
    EXPECT_FALSE(doc->isDrivingStarted());
    EXPECT_EQ(doc->getLastPhysicsTick(), 0U);
    EXPECT_TRUE(doc->getDriver()->patternFilesOpen());
    EXPECT_EQ(doc->getMode(), kModeUserControl);
}

}  // namespace
}  // namespace torvask::testing
