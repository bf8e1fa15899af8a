// Replaces the non-throwing allocation for this executable only, so that the library's handling of an
// allocation that fails can be driven on purpose.
#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <string>

#include "neural/BackpropNetwork.h"
#include "neural/BaseLink.h"
#include "neural/InputNode.h"
#include "neural/Lobe.h"
#include "support/TempDir.h"

namespace {
// Counts the non-throwing allocations; the one numbered failAt (from 1) answers null.
int nothrowCount = 0;
int failAt = 0;
}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++nothrowCount;
    if (failAt > 0 && nothrowCount == failAt) {
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace torvask {
namespace {

void failTheNth(int n) {
    nothrowCount = 0;
    failAt = n;
}

TEST(AllocationFailure, AListCellThatCannotBeAllocatedLeavesTheListAsItWas) {
    INPUT_NODE a;
    INPUT_NODE b;
    BASE_LINK first(1);
    BASE_LINK second(1);
    connect(&a, &b, &first);
    ::testing::internal::CaptureStdout();
    failTheNth(1);
    const int appended = b.getInLinks().append(&second);
    failAt = 0;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Unable to allocate Node...\n");
    EXPECT_EQ(appended, 0);
    EXPECT_EQ(b.getInLinks().getCount(), 1);
    EXPECT_EQ(b.getInLinks().first(), &first);
    EXPECT_EQ(b.getInLinks().next(), nullptr);
    EXPECT_EQ(b.getInLinks().append(&second), 1);
    EXPECT_EQ(b.getInLinks().getCount(), 2);
}

struct Failure {
    const char* name;
    int nth;               // which non-throwing allocation of the construction fails
    std::string message;   // what standard output then shows
};

// Layers 2 and 1 allocate: nodes 1-3, links 4-5, then two list cells per link (6-9).
TEST(AllocationFailure, ANetworkThatCannotBeBuiltIsIncompleteAndHarmless) {
    const Failure cases[] = {
        {"input node", 1, ""},
        {"output node", 3, ""},
        {"first link", 4, "Error - Failed to allocate link 0\n"},
        {"second link", 5, "Error - Failed to allocate link 1\n"},
        {"a list cell", 8, "Unable to allocate Node...\n"},
    };
    for (const Failure& c : cases) {
        SCOPED_TRACE(c.name);
        ::testing::internal::CaptureStdout();
        failTheNth(c.nth);
        BACKPROP_NETWORK net(0.3, 0.7, 2, 2, 1);
        failAt = 0;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.message);
        EXPECT_FALSE(net.isComplete());
        EXPECT_EQ(net.getNode(0), nullptr);
        net.setValue(1.0, 0);
        net.run();
        net.learn();
        EXPECT_EQ(net.getValue(0), -1.0);
    }
    failTheNth(0);
    BACKPROP_NETWORK whole(0.3, 0.7, 2, 2, 1);
    EXPECT_TRUE(whole.isComplete());
    EXPECT_EQ(nothrowCount, 9);
}

TEST(AllocationFailure, ALobeWithoutItsNetworkRefusesToTrain) {
    ::testing::internal::CaptureStdout();
    failTheNth(4);
    Lobe lobe("Brain", 0.3, 0.7, 2, 2, 1);
    failAt = 0;
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(lobe.isUsable());
    testing::TempDir dir;
    EXPECT_EQ(lobe.train(dir.write("p.0", "1 0 0 0.5\n"), dir.str() + "/", 0.1, nullptr, nullptr), -1);
}

TEST(AllocationFailure, AFailedRebuildWhileLoadingKeepsThePreviousNetwork) {
    BACKPROP_NETWORK net(0.3, 0.7, 2, 1, 1);
    std::ostringstream before;
    net.save(before);
    const std::string text = "7\n2\n1\n1\n2\n1\n   8\n1 0\n1 0\n   9\n3 0.5 0.25 0.5\n1 0.125\n   3 0.5    8    9\n";
    std::istringstream in(text);
    ::testing::internal::CaptureStdout();
    failTheNth(3);  // the link of the rebuilt network
    net.load(in);
    failAt = 0;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error - Failed to allocate link 0\n");
    EXPECT_TRUE(in.fail());
    EXPECT_TRUE(net.isComplete());
    std::ostringstream after;
    net.save(after);
    EXPECT_EQ(after.str(), before.str());
}

}  // namespace
}  // namespace torvask
