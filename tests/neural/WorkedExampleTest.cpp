// Runs in a process of its own, so that the ids come out as in the documented example.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "neural/BackpropNetwork.h"
#include "neural/BaseLink.h"
#include "neural/BaseNode.h"
#include "neural/Pattern.h"

namespace torvask {
namespace {

TEST(WorkedExample, OneStepOfATwoLayerNetworkIsWrittenAsThirteenLines) {
    ASSERT_EQ(BASE_NODE::lastNodeId(), -1);
    ASSERT_EQ(BASE_LINK::lastLinkId(), -1);
    // Use up node ids 0..6 and link ids 0..2 so the network takes 7, its nodes 8 and 9, its link 3.
    for (int i = 0; i < 7; ++i) BASE_NODE spare(0, 0);
    for (int i = 0; i < 3; ++i) BASE_LINK spare(0);

    BACKPROP_NETWORK net(0.25, 0.5, 2, 1, 1);
    net.getLink(0)->setValue(0.5, 0);
    PATTERN p(0, {0.0}, {1.0});
    net.setInputs(p);
    net.run();
    net.setTargets(p);
    net.learn();

    std::ostringstream out;
    net.save(out);
    const std::string expected =
        "7\n"
        "2\n"
        "1\n"
        "1\n"
        "2\n"
        "1\n"
        "   8\n"
        "1 0\n"
        "1 0\n"
        "   9\n"
        "3 0.5 0.25 0.5\n"
        "1 0.125\n"
        "   3 0.5    8    9\n";
    EXPECT_EQ(out.str(), expected);
}

}  // namespace
}  // namespace torvask
