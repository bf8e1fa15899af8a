#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/Driver.h"
#include "driver/DriverTestSupport.h"
#include "driver/FakeVehicle.h"
#include "support/MessageRecorder.h"

namespace torvask {
namespace {

using testing::FakeVehicle;

TEST(DriverAttach, RefusesEmptyCarsAndSlotsThatAreNotFree) {
    struct Case {
        const char* name;
        bool withCar;
        int slots;
        int preTaken;  // -1: none
        int slot;
    };
    const Case cases[] = {
        {"no car", false, 1, -1, 0},       {"slot past the table", true, 1, -1, 1},
        {"negative slot", true, 1, -1, -1}, {"slot already taken", true, 1, 0, 0},
        {"no slot table", true, 0, -1, 0},  {"second slot taken", true, 3, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeVehicle car(c.slots);
        if (c.preTaken >= 0) car.takeSlot(c.preTaken);
        Driver driver;
        EXPECT_EQ(driver.attach(c.withCar ? &car : nullptr, c.slot), -1);
        EXPECT_EQ(driver.getCar(), nullptr);
        EXPECT_EQ(driver.getSlot(), 0);
        EXPECT_EQ(driver.drive(), -1);  // still unattached
        EXPECT_TRUE(car.sent.empty());
    }
}

TEST(DriverAttach, TakesTheSlotItIsGiven) {
    const int slots[] = {0, 1, 3};
    for (int slot : slots) {
        SCOPED_TRACE(slot);
        FakeVehicle car(4);
        Driver driver;
        EXPECT_EQ(driver.attach(&car, slot), 0);
        EXPECT_EQ(driver.getCar(), &car);
        EXPECT_EQ(driver.getSlot(), slot);
        for (int s = 0; s < 4; ++s) EXPECT_EQ(car.isSlotTaken(s), s == slot ? 1 : 0);
        Driver second;
        EXPECT_EQ(second.attach(&car, slot), -1);  // the slot is now taken
    }
}

TEST(DriverDrive, UnattachedDriverFailsSilently) {
    testing::MessageRecorder messages;
    Driver driver;
    EXPECT_EQ(driver.drive(), -1);
    EXPECT_TRUE(messages.messages.empty());
}

TEST(DriverDrive, WrongInputCountIsReportedAndNothingIsSent) {
    const std::vector<std::vector<double>> inputSets = {
        {}, {0.1}, {0.1, 0.2, 0.3, 0.4}, {0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, std::vector<double>(12, 0.0),
    };
    for (const auto& inputs : inputSets) {
        SCOPED_TRACE(inputs.size());
        testing::MessageRecorder messages;
        FakeVehicle car;
        car.inputs = inputs;
        Driver driver;
        ASSERT_EQ(driver.attach(&car, 0), 0);
        EXPECT_EQ(driver.drive(), -1);
        EXPECT_EQ(driver.drive(), -1);
        const std::string expected =
            "Driver ERROR: inputs set size does not match (" + std::to_string(inputs.size()) + " != 5)";
        EXPECT_EQ(messages.messages, (std::vector<std::string>{expected, expected}));  // every frame
        EXPECT_TRUE(car.sent.empty());
    }
}

// One driving step sends exactly the forward pass of the lobe over the car's sensor values.
TEST(DriverDrive, SendsTheNetworkOutputsToItsSlot) {
    FakeVehicle car(3);
    Driver driver;
    ASSERT_EQ(driver.attach(&car, 2), 0);
    testing::ReferenceNetwork reference = testing::referenceOfLobe(driver.getBrain(), 0);
    testing::MessageRecorder messages;
    for (const auto& inputs : testing::sampleInputs()) {
        car.inputs = inputs;
        ASSERT_EQ(driver.drive(), 0);
        const std::vector<double> expected = reference.forward(inputs);
        ASSERT_FALSE(car.sent.empty());
        EXPECT_EQ(car.sent.back(), expected);
        EXPECT_EQ(car.sentSlots.back(), 2);
        EXPECT_EQ(car.inputRequests.back(), 2);
        for (double v : car.sent.back()) {
            EXPECT_GT(v, 0.0);
            EXPECT_LT(v, 1.0);
        }
    }
    EXPECT_EQ(car.sent.size(), testing::sampleInputs().size());
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace torvask
