// Taking the wheel from the learned driver in AI Control, training on the corrections, and
// the patterns a saved driver keeps beside it.
#include "SimFixture.h"
#include "driver/Driver.h"
#include "sim/DriveControls.h"

namespace torvask::testing {
namespace {

class TakeTheWheelTest : public SimFixture {
protected:
    std::string driverFile() {
        Driver fresh;
        EXPECT_EQ(fresh.save(dir.str() + "/drivers/fresh.driver"), 0);
        return dir.str() + "/drivers/fresh.driver";
    }
    // The network's answer to one fixed input: changes with any weight.
    std::pair<double, double> answer() {
        Brain& brain = doc->getDriver()->getBrain();
        for (int i = 0; i < 5; ++i) brain.setInput(0.1 * (i + 1), i);
        brain.run();
        return {brain.getOutput(0), brain.getOutput(1)};
    }
    // Holds key for `frames` frames, lets go and runs until the driver has the car back.
    void correct(std::uint8_t key, int frames) {
        host->press(key);
        for (int i = 0; i < frames; ++i) ASSERT_EQ(frameAfter(17), 0);
        host->releaseAll();
        for (int i = 0; i < 70 && doc->hasTheWheel(); ++i) ASSERT_EQ(frameAfter(17), 0);
    }
    static long lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }
};

TEST_F(TakeTheWheelTest, DriveKeyHandsOverWithoutAJumpRecordsAndHandsBackAfterASecond) {
    dir.write("temp/patterns.0", "demo\n");
    startRunning(driverFile());
    for (int i = 0; i < 10; ++i) ASSERT_EQ(frameAfter(17), 0);
    const Car& car = *doc->getCar();
    const double steer0 = car.getSteeringControl();
    const double pedal0 = car.getThrottleControl();

    host->press(dik::kA);
    ASSERT_EQ(frameAfter(17), 0);
    ASSERT_TRUE(doc->hasTheWheel());
    // The car's controls, then one frame of the keyboard's ramps.
    EXPECT_DOUBLE_EQ(doc->getSteering(), std::max(steer0 / 3.0 - kSteerRate * 0.017, -kSteeringLimit));
    EXPECT_DOUBLE_EQ(doc->getThrottle(), std::max(pedal0 - kPedalFallRate * 0.017, 0.0));
    EXPECT_DOUBLE_EQ(doc->getBrake(), std::max(-pedal0 - kPedalFallRate * 0.017, 0.0));

    // Recorded as in User Control, at the first frame 200 ms after the last; the first one
    // 200 ms after the hand-over, not with the driver's own controls of that moment.
    const std::string correction = tempFolder() + "correction1.0";
    std::uint32_t last = host->clock.tickCount();
    long expected = 0;
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(frameAfter(17), 0);
        if (host->clock.tickCount() - last >= 200) ++expected, last = host->clock.tickCount();
    }
    EXPECT_EQ(lines(TempDir::read(correction)), expected);
    EXPECT_EQ(statusText().rfind("Mode: AI Control - you have the wheel\r\n", 0), 0U);

    const std::uint32_t lastKey = host->clock.tickCount();
    host->releaseAll();
    while (host->clock.tickCount() + 17 - lastKey < kHandBackDelayMs) {
        ASSERT_EQ(frameAfter(17), 0);
        ASSERT_TRUE(doc->hasTheWheel());
    }
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_FALSE(doc->hasTheWheel());
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_EQ(car.getSteeringControl(), 2.0 * doc->getDriver()->getBrain().getOutput(0) - 1.0);
    EXPECT_EQ(doc->getPendingCorrections(), std::vector<std::string>{correction});
    EXPECT_EQ(TempDir::read(tempFolder() + "patterns.0"), "demo\n");
}

TEST_F(TakeTheWheelTest, TheDriversFadingBrakeIsNotRecordedAsTheLesson) {
    // A driver that brakes hard whatever it sees.
    std::string patterns;
    for (int i = 1; i <= 30; ++i) patterns += std::to_string(i) + "\t0.1\t0.1\t0\t-0.1\t0.1\t0.5\t0\n";
    dir.write("braking.0", patterns);
    Driver braking;
    long passes = 0;
    braking.train(dir.str() + "/braking", dir.str(), [](const TrainingProgress& p, void* n) {
        return (*static_cast<long*>(n) = p.iteration) >= 300 ? 1 : 0; }, &passes);
    ASSERT_EQ(braking.save(dir.str() + "/drivers/braking.driver"), 0);
    startRunning(dir.str() + "/drivers/braking.driver");
    for (int i = 0; i < 10; ++i) ASSERT_EQ(frameAfter(17), 0);
    ASSERT_LT(doc->getCar()->getThrottleControl(), -0.8);

    // W: the brake takes over 0.3 s to fade. Patterns of that time would teach braking.
    host->press(dik::kW);
    for (int i = 0; i < 60; ++i) ASSERT_EQ(frameAfter(17), 0);
    std::istringstream lines(TempDir::read(tempFolder() + "correction1.0"));
    int recorded = 0;
    for (std::string line; std::getline(lines, line); ++recorded) {
        EXPECT_GE(std::stod(line.substr(line.rfind('\t') + 1)), 0.5) << line;
    }
    EXPECT_EQ(recorded, 4);  // the first once the brake is gone, at 0.36 s, then every 200 ms
}

TEST_F(TakeTheWheelTest, EscAfterACorrectionTrainsFromTheCurrentNetworkThenDrivesAgain) {
    startRunning(driverFile());
    const auto loaded = answer();
    correct(dik::kD, 20);
    const std::string correction = TempDir::read(doc->getPendingCorrections().at(0));
    std::pair<double, double> trained;
    host->trainingHandler = [&](const TrainingRequest& r) {
        EXPECT_EQ(answer(), loaded);  // not fresh weights
        r.driver->train(
            r.patternPrefix, r.lobeFolder, [](const TrainingProgress&, void*) { return 1; }, nullptr);
        trained = answer();
    };
    host->yesNoAnswers = {true};
    EXPECT_EQ(doc->leaveAIControl(), 0);
    EXPECT_EQ(host->questions, std::vector<std::string>{"Train driver with collected data?"});
    EXPECT_EQ(host->trainingRequests.at(0).patternPrefix, tempFolder() + "teaching");
    EXPECT_EQ(TempDir::read(tempFolder() + "teaching.0"), correction);  // no sibling: the correction alone
    EXPECT_EQ(doc->getMode(), kModeAIControl);
    EXPECT_NE(trained, loaded);
    EXPECT_EQ(answer(), trained);  // the driver file was not read again
    EXPECT_TRUE(doc->getPendingCorrections().empty());
}

TEST_F(TakeTheWheelTest, SavedDriverKeepsItsTeachingAndCorrectingItAddsToIt) {
    startRunning();
    host->press(dik::kW);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(frameAfter(17), 0);
    host->releaseAll();
    host->yesNoAnswers = {true};
    ASSERT_EQ(doc->leaveUserControl(), 0);
    const std::string demonstration = TempDir::read(tempFolder() + "patterns.0");
    const std::string driver = dir.str() + "/drivers/taught.driver";
    const std::string sibling = dir.str() + "/drivers/taught.patterns";
    host->saveAnswers.push_back(driver);
    ASSERT_EQ(doc->saveDriver(), 0);
    EXPECT_EQ(TempDir::read(sibling), demonstration);

    // Picked again: a correction not yet trained on is saved with it, and training joins both.
    host->setupChoices.push_back(SetupChoice{true, trackFile, driver});
    ASSERT_EQ(doc->restartScene(), 0);
    correct(dik::kA, 20);
    const std::string correction = TempDir::read(doc->getPendingCorrections().at(0));
    host->saveAnswers.push_back(driver);
    ASSERT_EQ(doc->saveDriver(), 0);
    host->yesNoAnswers = {true};
    ASSERT_EQ(doc->leaveAIControl(), 0);
    const std::string joined = TempDir::read(tempFolder() + "teaching.0");
    EXPECT_EQ(TempDir::read(sibling), joined);
    EXPECT_EQ(lines(joined), lines(demonstration) + lines(correction));
    EXPECT_EQ(joined.substr(0, demonstration.size()), demonstration);
    // The correction's first record follows, numbered on, its values as recorded.
    const std::string number = std::to_string(lines(demonstration) + 1);
    const std::string values =
        correction.substr(correction.find('\t'), correction.find('\n') - correction.find('\t') + 1);
    EXPECT_EQ(joined.substr(demonstration.size(), number.size() + values.size()), number + values);
}

TEST_F(TakeTheWheelTest, NothingIsRecordedWhileWaitingToHandBack) {
    startRunning(driverFile());
    for (int i = 0; i < 10; ++i) ASSERT_EQ(frameAfter(17), 0);
    host->press(dik::kD);
    for (int i = 0; i < 60; ++i) ASSERT_EQ(frameAfter(17), 0);
    const std::string correction = tempFolder() + "correction1.0";
    const long whileHeld = lines(TempDir::read(correction));
    ASSERT_GT(whileHeld, 0);
    host->releaseAll();
    for (int i = 0; i < 70 && doc->hasTheWheel(); ++i) ASSERT_EQ(frameAfter(17), 0);
    ASSERT_FALSE(doc->hasTheWheel());
    EXPECT_EQ(lines(TempDir::read(correction)), whileHeld);
}

TEST_F(TakeTheWheelTest, ACorrectionFileThatCannotBeOpenedIsReportedOnceAndNotListed) {
    std::filesystem::create_directories(tempFolder() + "correction1.0");  // in the way of the first file
    startRunning(driverFile());
    correct(dik::kD, 30);
    EXPECT_EQ(messages.messages, std::vector<std::string>{"Error recording correction\n\n" + tempFolder() +
                                                          "correction1.0\nIs a directory"});
    EXPECT_TRUE(doc->getPendingCorrections().empty());
    EXPECT_EQ(doc->getMode(), kModeAIControl);
    // The next take-over records as usual.
    correct(dik::kA, 30);
    EXPECT_EQ(doc->getPendingCorrections(), std::vector<std::string>{tempFolder() + "correction2.0"});
    EXPECT_EQ(messages.messages.size(), 1U);
}

TEST_F(TakeTheWheelTest, ASaveWhosePatternsCannotBeWrittenLeavesTheDriverFileAsItWas) {
    startRunning(driverFile());
    correct(dik::kD, 30);
    ASSERT_EQ(doc->getPendingCorrections().size(), 1U);
    const std::string existing = dir.write("drivers/kept.driver", "former bytes\n");
    std::filesystem::create_directories(dir.path() / "drivers/kept.patterns");
    std::filesystem::create_directories(dir.path() / "drivers/new.patterns");
    host->saveAnswers = {existing, dir.str() + "/drivers/new.driver"};
    EXPECT_EQ(doc->saveDriver(), -1);
    EXPECT_EQ(TempDir::read(existing), "former bytes\n");
    EXPECT_EQ(doc->saveDriver(), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "drivers/new.driver"));
    EXPECT_EQ(messages.messages.size(), 2U);
    EXPECT_TRUE(doc->isDriverModified());
}

}  // namespace
}  // namespace torvask::testing
