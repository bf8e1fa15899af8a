#include "neural/AdalineNetwork.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "neural/AdalineNode.h"
#include "neural/BaseLink.h"
#include "neural/Pattern.h"

namespace torvask {
namespace {

// Two inputs, the bias and the unit; every weight 0 so the unit starts at +1.
const std::string kFourNodes =
    "50\n"
    "4\n"
    "3\n"
    "  51\n1 0\n1 0\n"
    "  52\n1 0\n1 0\n"
    "  53\n1 1\n1 0\n"
    "  54\n2 0 0.25\n1 0\n"
    "  60 0   51   54\n"
    "  61 0   52   54\n"
    "  62 0   53   54\n";

TEST(AdalineLoad, FourNodesThreeLinksGiveInputsBiasAndUnit) {
    ADALINE_Network net;
    std::istringstream in(kFourNodes);
    net.load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(net.getId(), 50);
    ASSERT_EQ(net.getNumNodes(), 4);
    ASSERT_EQ(net.getNumLinks(), 3);
    const char* names[] = {"INPUT_NODE", "INPUT_NODE", "BIAS_NODE", "ADALINE_NODE"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(net.getNode(i)->getName(), names[i]);
        EXPECT_EQ(net.getNode(i)->getId(), 51 + i);
    }
    for (int j = 0; j < 3; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(net.getLink(j)->getName(), "ADALINE_LINK");
        EXPECT_EQ(net.getLink(j)->getSourceNode(), net.getNode(j));
        EXPECT_EQ(net.getLink(j)->getDestNode(), net.getNode(3));
    }
    std::ostringstream out;
    net.save(out);
    EXPECT_EQ(out.str(), kFourNodes);
}

TEST(AdalineRun, ZeroWeightsGivePlusOneAndTheIndexIsIgnored) {
    ADALINE_Network net;
    std::istringstream in(kFourNodes);
    net.load(in);
    net.setValue(0.5, 0);
    net.setValue(-2.0, 1);
    net.run();
    EXPECT_EQ(net.getValue(0), 1.0);
    EXPECT_EQ(net.getValue(5), 1.0);
}

TEST(AdalineLearn, MovesEachWeightAwayFromThePlusOneOutput) {
    ADALINE_Network net;
    std::istringstream in(kFourNodes);
    net.load(in);
    const double eta = 0.25;
    const double x0 = 0.5;
    const double x1 = -2.0;
    PATTERN p(0, {x0, x1}, {});
    net.setInputs(p);
    net.run();
    ASSERT_EQ(net.getValue(), 1.0);
    net.learn();
    EXPECT_EQ(net.getNode(3)->getError(0), -2.0);
    EXPECT_EQ(net.getLink(0)->getValue(0), -2.0 * eta * x0);
    EXPECT_EQ(net.getLink(1)->getValue(0), -2.0 * eta * x1);
    EXPECT_EQ(net.getLink(2)->getValue(0), -2.0 * eta);
    // The weighted sum is now -0.125 + -2 * 1 - 0.5 < 0: the unit flips to -1.
    net.run();
    EXPECT_EQ(net.getValue(), -1.0);
    // Learning from -1 moves the weights back by the same amounts (no momentum on these links).
    net.learn();
    EXPECT_EQ(net.getLink(0)->getValue(0), 0.0);
    EXPECT_EQ(net.getLink(2)->getValue(0), 0.0);
}

TEST(AdalineTransfer, ZeroMapsToPlusOne) {
    ADALINE_NODE node(0.1);
    const double xs[] = {-1e-300, -0.0, 0.0, 1e-300, -5.0, 5.0};
    const double expected[] = {-1.0, 1.0, 1.0, 1.0, -1.0, 1.0};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(xs[i]);
        EXPECT_EQ(node.transferFunction(xs[i]), expected[i]);
    }
    EXPECT_EQ(node.getValue(1), 0.1);
    EXPECT_EQ(node.getValueSetSize(), 2);
}

TEST(AdalineBuild, SizedConstructorMakesACompleteNetwork) {
    ADALINE_Network net(3, 0.5);
    ASSERT_TRUE(net.isComplete());
    EXPECT_EQ(net.getNumNodes(), 5);
    EXPECT_EQ(net.getNumLinks(), 4);
    EXPECT_EQ(net.getNode(3)->getName(), "BIAS_NODE");
    EXPECT_EQ(net.getNode(4)->getValue(1), 0.5);
    for (int j = 0; j < 4; ++j) {
        EXPECT_GE(net.getLink(j)->getValue(0), -1.0);
        EXPECT_LT(net.getLink(j)->getValue(0), 1.0);
    }
}

struct BadCounts {
    const char* name;
    std::string text;
};

TEST(AdalineLoad, CountsItCannotWireFailAndKeepTheNetwork) {
    const BadCounts cases[] = {
        {"one node", "50\n1\n0\n  51\n1 0\n1 0\n"},
        {"more links than sources", "50\n2\n2\n  51\n1 1\n1 0\n  52\n2 0 0\n1 0\n  1 0 0 0\n  2 0 0 0\n"},
        {"negative links", "50\n4\n-1\n"},
        {"truncated", kFourNodes.substr(0, kFourNodes.size() - 12)},
    };
    for (const BadCounts& c : cases) {
        SCOPED_TRACE(c.name);
        ADALINE_Network net;
        std::istringstream good(kFourNodes);
        net.load(good);
        std::istringstream in(c.text);
        net.load(in);
        EXPECT_TRUE(in.fail());
        std::ostringstream out;
        net.save(out);
        EXPECT_EQ(out.str(), kFourNodes);
    }
}

}  // namespace
}  // namespace torvask
