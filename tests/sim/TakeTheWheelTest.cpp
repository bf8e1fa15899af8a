// Taking the wheel from the learned driver in AI Control, training on the corrections, and
// the patterns a saved driver keeps beside it.
#include <sstream>

#include "SimFixture.h"
#include "driver/Driver.h"
#include "driver/PatternFiles.h"
#include "sim/DriveControls.h"

namespace torvask::testing {
namespace {

class TakeTheWheelTest : public SimFixture {
protected:
    std::string writeDriverFile(const std::string& name = "fresh") {
        Driver fresh;
        const std::string path = dir.str() + "/drivers/" + name + ".driver";
        EXPECT_EQ(fresh.save(path), 0);
        return path;
    }
    // The network's answer to one fixed input: changes with any weight.
    static std::pair<double, double> probe(Driver& driver) {
        for (int i = 0; i < 5; ++i) driver.getBrain().setInput(0.1 * (i + 1), i);
        driver.getBrain().run();
        return {driver.getBrain().getOutput(0), driver.getBrain().getOutput(1)};
    }
    std::pair<double, double> weights() { return probe(*doc->getDriver()); }
    static std::pair<double, double> weightsIn(const std::string& file) {
        Driver driver;
        EXPECT_EQ(driver.load(file), 0);
        return probe(driver);
    }
    // Holds key for `frames` frames of 17 ms, then releases everything and waits for the hand-back.
    void correct(std::uint8_t key, int frames) {
        host->press(key);
        for (int i = 0; i < frames; ++i) ASSERT_EQ(frameAfter(17), 0);
        host->releaseAll();
        for (int i = 0; i < 70 && doc->hasTheWheel(); ++i) ASSERT_EQ(frameAfter(17), 0);
        ASSERT_FALSE(doc->hasTheWheel());
    }
    static int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }
    // Line i (from 0) of text without its number.
    static std::string values(const std::string& text, int i) {
        std::istringstream in(text);
        std::string line;
        for (int k = 0; k <= i; ++k) std::getline(in, line);
        return line.substr(line.find('\t'));
    }
};

TEST_F(TakeTheWheelTest, DriveKeyHandsOverWithoutAJumpRecordsAndHandsBackAfterASecond) {
    const std::string demonstration = dir.write("temp/patterns.0", "1\t0\t0\t0\t0\t0\t0.5\t0.5\n");
    startRunning(writeDriverFile());
    for (int i = 0; i < 10; ++i) ASSERT_EQ(frameAfter(17), 0);
    const Car& car = *doc->getCar();
    const double steer0 = car.getSteeringControl();
    const double pedal0 = car.getThrottleControl();
    ASSERT_NE(steer0, 0.0);

    host->press(dik::kA);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_TRUE(doc->hasTheWheel());
    // The driver's controls, then one frame of the keyboard's ramps.
    const double dt = 0.017;
    EXPECT_DOUBLE_EQ(doc->getSteering(), std::max(steer0 / 3.0 - kSteerRate * dt, -kSteeringLimit));
    EXPECT_DOUBLE_EQ(doc->getThrottle(), std::max(pedal0 - kPedalFallRate * dt, 0.0));
    EXPECT_DOUBLE_EQ(doc->getBrake(), std::max(-pedal0 - kPedalFallRate * dt, 0.0));
    EXPECT_DOUBLE_EQ(car.getSteeringControl(), 2.0 * steeringOutput(doc->getSteering()) - 1.0);
    EXPECT_LE(std::fabs(car.getSteeringControl() - steer0), 3.0 * kSteerRate * dt + 1e-12);

    // Recorded as in User Control: at once, then at the first frame 200 ms after the last.
    const std::string correction = tempFolder() + "correction1.0";
    std::uint32_t last = host->clock.tickCount();
    int expected = 1;
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(frameAfter(17), 0);
        if (host->clock.tickCount() - last >= 200) {
            ++expected;
            last = host->clock.tickCount();
        }
    }
    EXPECT_EQ(lines(TempDir::read(correction)), expected);
    EXPECT_EQ(statusText().rfind("Mode: AI Control - you have the wheel\r\n", 0), 0U);
    // Saved mid-correction: the correction so far goes into the sibling.
    EXPECT_TRUE(doc->isDriverModified());
    host->saveAnswers.push_back(dir.str() + "/drivers/mid.driver");
    ASSERT_EQ(doc->saveDriver(), 0);
    EXPECT_EQ(TempDir::read(dir.str() + "/drivers/mid.patterns"), TempDir::read(correction));

    // Released: the person keeps the car for a second, then the driver drives again.
    const std::uint32_t lastKey = host->clock.tickCount();
    host->releaseAll();
    while (host->clock.tickCount() - lastKey + 17 < kHandBackDelayMs) {
        ASSERT_EQ(frameAfter(17), 0);
        ASSERT_TRUE(doc->hasTheWheel()) << host->clock.tickCount() - lastKey;
    }
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_FALSE(doc->hasTheWheel());
    const int recorded = lines(TempDir::read(correction));
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(statusText().rfind("Mode: AI Control\r\n", 0), 0U);
    EXPECT_EQ(car.getSteeringControl(), 2.0 * doc->getDriver()->getBrain().getOutput(0) - 1.0);
    for (int i = 0; i < 30; ++i) ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(lines(TempDir::read(correction)), recorded);
    EXPECT_EQ(doc->getPendingCorrections(), std::vector<std::string>{correction});
    EXPECT_EQ(TempDir::read(demonstration), "1\t0\t0\t0\t0\t0\t0.5\t0.5\n");

    // A second take-over goes to a file of its own.
    correct(dik::kW, 3);
    EXPECT_EQ(doc->getPendingCorrections(), (std::vector<std::string>{correction, tempFolder() + "correction2.0"}));
}

TEST_F(TakeTheWheelTest, EscAfterACorrectionTrainsOnItFromTheCurrentNetworkAndDrivesAgain) {
    const std::string driverFile = writeDriverFile();
    startRunning(driverFile);
    const std::pair<double, double> loaded = weights();
    correct(dik::kD, 20);
    const std::string correction = TempDir::read(doc->getPendingCorrections().at(0));
    std::pair<double, double> trained;
    host->trainingHandler = [&](const TrainingRequest& r) {
        EXPECT_EQ(doc->getMode(), kModeIdle);
        EXPECT_EQ(weights(), loaded);  // not fresh weights
        r.driver->train(r.patternPrefix, r.lobeFolder, [](const TrainingProgress&, void*) { return 1; }, nullptr);
        trained = weights();
    };
    host->yesNoAnswers = {true};
    EXPECT_EQ(doc->leaveAIControl(), 0);

    EXPECT_EQ(host->questions, std::vector<std::string>{"Train driver with collected data?"});
    ASSERT_EQ(host->trainingRequests.size(), 1U);
    EXPECT_EQ(host->trainingRequests[0].patternPrefix, tempFolder() + "teaching");
    // No sibling: the corrections alone.
    EXPECT_EQ(TempDir::read(tempFolder() + "teaching.0"), correction);
    EXPECT_EQ(doc->getMode(), kModeAIControl);
    EXPECT_NE(trained, loaded);
    EXPECT_EQ(weights(), trained);  // the file was not read again
    EXPECT_TRUE(doc->getPendingCorrections().empty());
    EXPECT_EQ(doc->getCar()->getPosition(), doc->getTrack().getWaypoints()[0]);
    EXPECT_EQ(host->setupDialogs, 1);

    // Esc with nothing new: as after any training, the save question and a restart.
    host->press(dik::kEscape);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(host->questions.back(), "Do you want to save the current driver?");
    EXPECT_EQ(host->trainingRequests.size(), 1U);
    EXPECT_EQ(host->setupDialogs, 2);
}

TEST_F(TakeTheWheelTest, NoToTrainingStillOffersToSaveTheCorrections) {
    startRunning(writeDriverFile("base"));
    correct(dik::kS, 15);
    const std::string correction = TempDir::read(doc->getPendingCorrections().at(0));
    host->yesNoAnswers = {false, true};
    const std::string saved = dir.str() + "/drivers/kept.driver";
    host->saveAnswers.push_back(saved);
    EXPECT_EQ(doc->leaveAIControl(), 0);
    EXPECT_EQ(host->questions, (std::vector<std::string>{"Train driver with collected data?",
                                                         "Do you want to save the current driver?"}));
    EXPECT_TRUE(host->trainingRequests.empty());
    EXPECT_EQ(weightsIn(saved), weightsIn(dir.str() + "/drivers/base.driver"));
    EXPECT_EQ(TempDir::read(dir.str() + "/drivers/kept.patterns"), correction);
    EXPECT_EQ(host->setupDialogs, 2);
}

TEST_F(TakeTheWheelTest, SavedDriverKeepsItsDemonstrationAndCorrectingItAddsToIt) {
    startRunning();
    host->press(dik::kW);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();
    host->yesNoAnswers = {true};
    ASSERT_EQ(doc->leaveUserControl(), 0);
    ASSERT_EQ(doc->getMode(), kModeAIControl);
    const std::string demonstration = TempDir::read(tempFolder() + "patterns.0");
    ASSERT_GT(lines(demonstration), 2);

    const std::string driverFile = dir.str() + "/drivers/taught.driver";
    host->saveAnswers.push_back(driverFile);
    ASSERT_EQ(doc->saveDriver(), 0);
    const std::string sibling = dir.str() + "/drivers/taught.patterns";
    EXPECT_EQ(TempDir::read(sibling), demonstration);

    // Saving over it with nothing taught removes the sibling that no longer belongs to it.
    host->setupChoices.push_back(SetupChoice{true, trackFile, ""});
    ASSERT_EQ(doc->restartScene(), 0);
    host->yesNoAnswers = {true};
    ASSERT_EQ(doc->leaveUserControl(), 0);  // nothing was recorded
    const std::string other = dir.str() + "/drivers/other.driver";
    const std::string otherSibling = dir.write("drivers/other.patterns", "1\tstale\n");
    host->saveAnswers.push_back(other);
    ASSERT_EQ(doc->saveDriver(), 0);
    EXPECT_FALSE(std::filesystem::exists(otherSibling));

    // Picked again later: the correction training starts from the sibling.
    host->setupChoices.push_back(SetupChoice{true, trackFile, driverFile});
    ASSERT_EQ(doc->restartScene(), 0);
    EXPECT_EQ(doc->getTeachingFile(), sibling);
    correct(dik::kA, 20);
    const std::string correction = TempDir::read(doc->getPendingCorrections().at(0));
    host->yesNoAnswers = {true};
    ASSERT_EQ(doc->leaveAIControl(), 0);
    const std::string joined = TempDir::read(tempFolder() + "teaching.0");
    const int n = lines(demonstration);
    ASSERT_EQ(lines(joined), n + lines(correction));
    EXPECT_EQ(joined.substr(0, demonstration.size()), demonstration);
    EXPECT_EQ(joined.substr(demonstration.size(), std::to_string(n + 1).size() + 1), std::to_string(n + 1) + "\t");
    EXPECT_EQ(values(joined, n), values(correction, 0));
    EXPECT_EQ(TempDir::read(sibling), demonstration);  // changed only by a save
}

}  // namespace
}  // namespace torvask::testing
