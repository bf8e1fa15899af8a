// Learning a correction at once while the learned driver keeps the car, and Undo Training.
#include <chrono>
#include <thread>

#include "SimFixture.h"
#include "driver/Driver.h"
#include "driver/PatternFiles.h"
#include "physics/Car.h"
#include "physics/TrackGeometry.h"

namespace torvask::testing {
namespace {

class LiveTeachingTest : public SimFixture {
protected:
    // A fresh driver saved with a small teaching beside it.
    std::string taughtDriver() {
        Driver fresh;
        const std::string file = dir.str() + "/drivers/fresh.driver";
        EXPECT_EQ(fresh.save(file), 0);
        std::string patterns;
        for (int i = 1; i <= 20; ++i) patterns += std::to_string(i) + "\t0.2\t0.1\t0\t-0.1\t0.1\t0.5\t0.9\n";
        dir.write("drivers/fresh.patterns", patterns);
        return file;
    }
    // Holds D for a third of a second, then lets go and runs frames until the driver has the
    // car back and has learned the correction (the training runs on its own thread, in real time).
    void correctAndLearn() {
        const int learned = doc->getCorrectionsLearned();
        host->press(dik::kD);
        for (int i = 0; i < 20; ++i) ASSERT_EQ(frameAfter(17), 0);
        host->releaseAll();
        for (int i = 0; i < 3000 && (doc->hasTheWheel() || doc->getCorrectionsLearned() == learned); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_EQ(frameAfter(17), 0);
        }
        ASSERT_FALSE(doc->hasTheWheel());
        ASSERT_EQ(doc->getCorrectionsLearned(), learned + 1);
    }
    std::string saved(const std::string& name) {
        host->saveAnswers.push_back(dir.str() + "/drivers/" + name + ".driver");
        EXPECT_EQ(doc->saveDriver(), 0);
        return TempDir::read(dir.str() + "/drivers/" + name + ".driver") + "|" +
               TempDir::read(dir.str() + "/drivers/" + name + ".patterns");
    }
};

TEST_F(LiveTeachingTest, ACorrectionIsLearnedWhileTheCarDrivesOnAndCounted) {
    doc->setLearnAtOnce(true);
    startRunning(taughtDriver());
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_NE(statusText().find("Corrections learned: 0\r\n"), std::string::npos);
    const std::string before = saved("before");
    driveToWaypoint(40);
    correctAndLearn();

    EXPECT_EQ(doc->getCorrectionsLearned(), 1);
    EXPECT_TRUE(doc->getPendingCorrections().empty());
    EXPECT_TRUE(host->questions.empty());  // no dialog, no restart: the car is where it was
    EXPECT_TRUE(host->trainingRequests.empty());
    EXPECT_LT(groundDistance(doc->getCar()->getPosition(), doc->getTrack().getWaypoints()[40]), 15.0);
    EXPECT_EQ(doc->getMode(), kModeAIControl);
    EXPECT_TRUE(doc->isDriverModified());
    EXPECT_NE(saved("after"), before);
    ASSERT_EQ(frameAfter(17), 0);
    EXPECT_NE(statusText().find("Corrections learned: 1\r\n"), std::string::npos);
    // The saved teaching holds the correction after the twenty taught patterns.
    EXPECT_GT(countPatternRecords(dir.str() + "/drivers/after.patterns"), 20);
}

TEST_F(LiveTeachingTest, UndoTrainingGivesBackEachEarlierNetworkAndTeachingByteForByte) {
    doc->setLearnAtOnce(true);
    startRunning(taughtDriver());
    EXPECT_FALSE(doc->canUndoTraining());
    const std::string original = saved("a");
    correctAndLearn();
    const std::string once = saved("b");
    correctAndLearn();
    ASSERT_EQ(doc->getCorrectionsLearned(), 2);
    ASSERT_NE(saved("c"), once);

    ASSERT_EQ(doc->undoTraining(), 0);
    EXPECT_TRUE(doc->isDriverModified());  // the save question asks about an undo
    EXPECT_EQ(doc->getCorrectionsLearned(), 1);
    EXPECT_EQ(saved("d"), once);
    ASSERT_EQ(doc->undoTraining(), 0);
    EXPECT_EQ(saved("e"), original);
    EXPECT_FALSE(doc->canUndoTraining());
    EXPECT_EQ(doc->undoTraining(), -1);
    EXPECT_EQ(doc->getMode(), kModeAIControl);
}

}  // namespace
}  // namespace torvask::testing
