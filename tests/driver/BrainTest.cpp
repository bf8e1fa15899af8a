#include "driver/Brain.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/Driver.h"
#include "driver/DriverTestSupport.h"

namespace torvask {
namespace {

using Map = std::vector<std::pair<int32_t, int32_t>>;

TEST(Brain, FreshDriverHasOneFiveByTwoLobe) {
    Driver driver;
    Brain& brain = driver.getBrain();
    EXPECT_EQ(brain.getNumLobes(), 1);
    EXPECT_EQ(brain.getNumInputs(), 5);
    EXPECT_EQ(brain.getNumOutputs(), 2);
    EXPECT_EQ(brain.getLobeNumInputs(0), 5);
    EXPECT_EQ(brain.getLobeNumOutputs(0), 2);
    EXPECT_EQ(brain.getInputMap(), (Map{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}));
    EXPECT_EQ(brain.getOutputMap(), (Map{{0, 0}, {0, 1}}));
    ASSERT_NE(brain.getLobe(0), nullptr);
    EXPECT_EQ(brain.getLobe(0)->getName(), "Brain");
    BACKPROP_NETWORK& network = brain.getLobe(0)->getNetwork();
    EXPECT_EQ(network.getNumLayers(), 3);
    EXPECT_EQ(network.getLayerSize(1), 14);
    EXPECT_EQ(network.getLearningRate(), 0.3);
    EXPECT_EQ(network.getMomentum(), 0.7);
    EXPECT_EQ(driver.getCar(), nullptr);
    EXPECT_EQ(driver.getSlot(), 0);
    EXPECT_EQ(driver.getPatternCount(), 0);
    EXPECT_FALSE(driver.patternFilesOpen());
}

TEST(Brain, InvalidIndicesAnswerMinusOne) {
    Driver driver;
    Brain& brain = driver.getBrain();
    for (int index : {-1, 1, 2, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(brain.getLobeNumInputs(index), -1);
        EXPECT_EQ(brain.getLobeNumOutputs(index), -1);
        EXPECT_EQ(brain.getLobe(index), nullptr);
        EXPECT_EQ(brain.trainLobe(index, "unused.0", "", 0.1, nullptr, nullptr), -1);
    }
    for (int index : {-1, 5, 6, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(brain.setInput(0.5, index), -1);
    }
    for (int index : {-1, 2, 3, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(brain.getOutput(index), -1.0);
    }
}

TEST(Brain, SecondLobeExtendsTheMapsInLobeOrder) {
    Driver driver;
    Brain& brain = driver.getBrain();
    EXPECT_EQ(brain.addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
    EXPECT_EQ(brain.getNumInputs(), 8);
    EXPECT_EQ(brain.getNumOutputs(), 3);
    EXPECT_EQ(brain.getInputMap(), (Map{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 0}, {1, 1}, {1, 2}}));
    EXPECT_EQ(brain.getOutputMap(), (Map{{0, 0}, {0, 1}, {1, 0}}));
    EXPECT_EQ(brain.getLobeNumInputs(1), 3);
    EXPECT_EQ(brain.getLobeNumOutputs(1), 1);
    EXPECT_EQ(brain.addLobe("Third", 0.5, 0.1, {2, 2}), 2);
    EXPECT_EQ(brain.getNumInputs(), 10);
    EXPECT_EQ(brain.getOutputMap().back(), (std::pair<int32_t, int32_t>{2, 1}));
}

TEST(Brain, ImpossibleLobesAreRefusedWithoutChange) {
    const std::vector<std::vector<int>> shapes = {
        {}, {5}, {5, 0, 2}, {5, 14, -1}, {0, 3}, std::vector<int>(65, 1),
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.size());
        Brain brain;
        EXPECT_EQ(brain.addLobe("Bad", 0.3, 0.7, shape), -1);
        EXPECT_EQ(brain.getNumLobes(), 0);
        EXPECT_EQ(brain.getNumInputs(), 0);
        EXPECT_EQ(brain.getNumOutputs(), 0);
    }
    Brain brain;
    EXPECT_EQ(brain.addLobe("Deep", 0.3, 0.7, std::vector<int>(64, 1)), 0);
}

// Brain inputs reach the lobe their map names, and the outputs are the lobes' forward passes.
TEST(Brain, InputsAndOutputsFollowTheMaps) {
    Driver driver;
    Brain& brain = driver.getBrain();
    ASSERT_EQ(brain.addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
    testing::ReferenceNetwork first = testing::referenceOfLobe(brain, 0);
    testing::ReferenceNetwork second = testing::referenceOfLobe(brain, 1);
    const std::vector<double> inputs = {0.5, 0.25, 0.0, 1.0, -0.125, 0.9, -0.4, 0.3};
    const std::vector<double> outputs = testing::brainOutputs(brain, inputs);
    const std::vector<double> expectedFirst = first.forward({inputs.begin(), inputs.begin() + 5});
    const std::vector<double> expectedSecond = second.forward({inputs.begin() + 5, inputs.end()});
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[0], expectedFirst[0]);
    EXPECT_EQ(outputs[1], expectedFirst[1]);
    EXPECT_EQ(outputs[2], expectedSecond[0]);
}

}  // namespace
}  // namespace torvask
