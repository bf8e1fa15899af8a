#include "neural/BackpropNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "neural/BaseLink.h"
#include "neural/InputNode.h"
#include "neural/Pattern.h"
#include "ReferenceBackprop.h"

namespace torvask {
namespace {

double sigmoid(double x) { return 1.0 / (std::exp(-x) + 1.0); }

TEST(BackpropWiring, FiveFourteenTwoIsWiredDestinationMajor) {
    BACKPROP_NETWORK net(0.3, 0.7, 3, 5, 14, 2);
    ASSERT_TRUE(net.isComplete());
    EXPECT_EQ(net.getNumNodes(), 21);
    EXPECT_EQ(net.getNumLinks(), 98);
    EXPECT_EQ(net.getFirstMiddleNode(), 5);
    EXPECT_EQ(net.getFirstOutputNode(), 19);
    EXPECT_EQ(net.getNumLayers(), 3);
    EXPECT_EQ(net.getLayerSize(0), 5);
    EXPECT_EQ(net.getLayerSize(1), 14);
    EXPECT_EQ(net.getLayerSize(2), 2);
    EXPECT_EQ(net.getLayerSize(3), -1);
    EXPECT_EQ(net.getLayerSize(-1), -1);
    for (int l = 0; l < 98; ++l) {
        SCOPED_TRACE(l);
        const int source = l < 70 ? l % 5 : 5 + (l - 70) % 14;
        const int dest = l < 70 ? 5 + l / 5 : 19 + (l - 70) / 14;
        BASE_LINK* link = net.getLink(l);
        EXPECT_EQ(link->getSourceNode(), net.getNode(source));
        EXPECT_EQ(link->getDestNode(), net.getNode(dest));
    }
    const char* expectedNames[] = {"INPUT_NODE", "BP_MIDDLE_NODE", "BP_OUTPUT_NODE"};
    for (int i = 0; i < 21; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(net.getNode(i)->getName(), expectedNames[i < 5 ? 0 : i < 19 ? 1 : 2]);
    }
    // In-links list their sources in index order, out-links their destinations in index order.
    std::vector<int> sources;
    net.getNode(19)->getInLinks().forEach(
        [&sources](BASE_LINK* link) { sources.push_back(link->getSourceNode()->getId()); });
    ASSERT_EQ(sources.size(), 14u);
    for (int k = 0; k < 14; ++k) EXPECT_EQ(sources[k], net.getNode(5 + k)->getId());
    std::vector<int> dests;
    net.getNode(2)->getOutLinks().forEach(
        [&dests](BASE_LINK* link) { dests.push_back(link->getDestNode()->getId()); });
    ASSERT_EQ(dests.size(), 14u);
    for (int k = 0; k < 14; ++k) EXPECT_EQ(dests[k], net.getNode(5 + k)->getId());
}

TEST(BackpropWiring, TwoLayersHaveNoHiddenNodesAndRunOnlyTheOutputs) {
    BACKPROP_NETWORK net(0.3, 0.7, 2, 3, 1);
    ASSERT_TRUE(net.isComplete());
    EXPECT_EQ(net.getFirstMiddleNode(), 3);
    EXPECT_EQ(net.getFirstOutputNode(), 3);
    EXPECT_EQ(net.getNumLinks(), 3);
    const double w[] = {0.5, -0.25, 0.125};
    const double x[] = {1.0, 2.0, -4.0};
    for (int j = 0; j < 3; ++j) {
        net.getLink(j)->setValue(w[j], 0);
        net.setValue(x[j], j);
    }
    net.run();
    double sum = 0.0;
    for (int j = 0; j < 3; ++j) sum = x[j] * w[j] + sum;
    EXPECT_EQ(net.getValue(0), sigmoid(sum));
    // The inputs are untouched by the forward pass.
    for (int j = 0; j < 3; ++j) EXPECT_EQ(net.getNode(j)->getValue(0), x[j]);
}

TEST(BackpropConstruction, FreshNodesHoldRateAndMomentumAndLinksNoPreviousChange) {
    BACKPROP_NETWORK net(0.3, 0.7, 3, 2, 3, 2);
    for (int i = 0; i < net.getNumNodes(); ++i) {
        SCOPED_TRACE(i);
        BASE_NODE* node = net.getNode(i);
        if (i < 2) {
            EXPECT_EQ(node->getValueSetSize(), 1);
            EXPECT_EQ(node->getValue(0), 0.0);
            continue;
        }
        EXPECT_EQ(node->getValueSetSize(), 3);
        EXPECT_EQ(node->getErrorSetSize(), 1);
        EXPECT_EQ(node->getValue(0), 0.0);
        EXPECT_EQ(node->getValue(1), 0.3);
        EXPECT_EQ(node->getValue(2), 0.7);
        EXPECT_EQ(node->getError(0), 0.0);
    }
    for (int j = 0; j < net.getNumLinks(); ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(net.getLink(j)->getValueSetSize(), 2);
        EXPECT_EQ(net.getLink(j)->getValue(1), 0.0);
        EXPECT_GE(net.getLink(j)->getValue(0), -1.0);
        EXPECT_LT(net.getLink(j)->getValue(0), 1.0);
    }
}

struct BadShape {
    const char* name;
    std::vector<int> sizes;
    int declared;
};

TEST(BackpropConstruction, ShapesOutsideTheLimitsBuildNothing) {
    const BadShape cases[] = {
        {"one layer", {3}, 1},
        {"zero layers", {}, 0},
        {"size zero", {3, 0, 2}, 3},
        {"negative size", {3, -2}, 2},
        {"too many links", {4096, 4096}, 2},
        {"too many nodes", {5000, 1}, 2},
        {"65 layers", std::vector<int>(65, 1), 65},
    };
    for (const BadShape& c : cases) {
        SCOPED_TRACE(c.name);
        BACKPROP_NETWORK net(0.3, 0.7, c.declared, c.sizes.empty() ? nullptr : c.sizes.data());
        EXPECT_FALSE(net.isComplete());
        EXPECT_EQ(net.getNode(0), nullptr);
        EXPECT_EQ(net.getValue(0), -1.0);
        // Running and learning an unbuilt network must be harmless.
        net.run();
        net.learn();
        net.setValue(1.0, 0);
        EXPECT_EQ(net.getError(0), -1.0);
    }
    // Sizes written out: a layer count that disagrees with the sizes given builds nothing.
    BACKPROP_NETWORK moreDeclared(0.3, 0.7, 3, 3, 2);
    EXPECT_FALSE(moreDeclared.isComplete());
    BACKPROP_NETWORK fewerDeclared(0.3, 0.7, 2, 3, 2, 1);
    EXPECT_FALSE(fewerDeclared.isComplete());

    std::vector<int> sixtyFour(64, 1);
    BACKPROP_NETWORK deepest(0.3, 0.7, 64, sixtyFour.data());
    EXPECT_TRUE(deepest.isComplete());
    EXPECT_EQ(deepest.getNumLinks(), 63);
}

TEST(BackpropAddressing, ValueAndErrorReadOutputsWhileSetValueWritesInputs) {
    BACKPROP_NETWORK net(0.3, 0.7, 3, 2, 2, 2);
    net.setValue(0.75, 1);
    EXPECT_EQ(net.getNode(1)->getValue(0), 0.75);
    EXPECT_EQ(net.getNode(5)->getValue(0), 0.0);
    net.getNode(4)->setValue(0.125, 0);
    net.getNode(5)->setValue(0.625, 0);
    EXPECT_EQ(net.getValue(0), 0.125);
    EXPECT_EQ(net.getValue(1), 0.625);
    EXPECT_EQ(net.getValue(2), -1.0);
    net.setError(0.5, 1);
    EXPECT_EQ(net.getNode(5)->getError(0), 0.5);
    EXPECT_EQ(net.getError(1), 0.5);

    PATTERN p(0, {0.25, -0.5}, {0.9, 0.1});
    net.setInputs(p);
    net.setTargets(p);
    EXPECT_EQ(net.getNode(0)->getValue(0), 0.25);
    EXPECT_EQ(net.getNode(1)->getValue(0), -0.5);
    EXPECT_EQ(net.getNode(4)->getError(0), 0.9);
    EXPECT_EQ(net.getNode(5)->getError(0), 0.1);
}

// The 1-1-1 step worked by hand: h = f(w1), o = f(w2 h); w2 moves by h eta dO, then dH uses the new w2.
TEST(BackpropLearning, OneOneOneStepsByHandWithMomentum) {
    const double eta = 0.3;
    const double alpha = 0.7;
    const double t = 0.9;
    const double w1Start = 0.5;
    const double w2Start = -0.25;
    BACKPROP_NETWORK net(eta, alpha, 3, 1, 1, 1);
    net.getLink(0)->setValue(w1Start, 0);
    net.getLink(1)->setValue(w2Start, 0);
    PATTERN p(1, {1.0}, {t});

    double w1 = w1Start;
    double w2 = w2Start;
    double prev1 = 0.0;
    double prev2 = 0.0;
    for (int step = 0; step < 2; ++step) {
        SCOPED_TRACE(step);
        net.setInputs(p);
        net.run();
        const double h = 1.0 / (std::exp(-(1.0 * w1 + 0.0)) + 1.0);
        const double o = 1.0 / (std::exp(-(h * w2 + 0.0)) + 1.0);
        EXPECT_EQ(net.getNode(1)->getValue(0), h);
        EXPECT_EQ(net.getValue(0), o);
        net.setTargets(p);
        net.learn();

        const double dO = ((t - o) * (1.0 - o)) * o;
        const double delta2 = (h * eta) * dO;
        w2 = (alpha * prev2 + delta2) + w2;
        prev2 = delta2;
        const double dH = ((1.0 - h) * h) * (0.0 + dO * w2);
        const double delta1 = (1.0 * eta) * dH;
        w1 = (alpha * prev1 + delta1) + w1;
        prev1 = delta1;

        EXPECT_EQ(net.getError(0), dO);
        EXPECT_EQ(net.getNode(1)->getError(0), dH);
        EXPECT_EQ(net.getLink(1)->getValue(0), w2);
        EXPECT_EQ(net.getLink(0)->getValue(0), w1);
        EXPECT_EQ(net.getLink(1)->getValue(1), delta2);
        EXPECT_EQ(net.getLink(0)->getValue(1), delta1);
        // learn does not rerun the forward pass.
        EXPECT_EQ(net.getValue(0), o);
    }
}

struct ShapeCase {
    const char* name;
    std::vector<int> sizes;
};

class BackpropAgainstReference : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BackpropAgainstReference, EveryWeightAgreesToTheLastBit) {
    const ShapeCase& c = GetParam();
    BACKPROP_NETWORK net(0.3, 0.7, static_cast<int>(c.sizes.size()), c.sizes.data());
    ASSERT_TRUE(net.isComplete());
    testing::ReferenceBackprop ref{c.sizes, {}, {}, {}, {}, 0.3, 0.7};
    for (int j = 0; j < net.getNumLinks(); ++j) ref.weight.push_back(net.getLink(j)->getValue(0));
    ref.previous.assign(ref.weight.size(), 0.0);
    ref.out.assign(net.getNumNodes(), 0.0);
    ref.err.assign(net.getNumNodes(), 0.0);

    const int nIn = c.sizes.front();
    const int nOut = c.sizes.back();
    for (int step = 0; step < 25; ++step) {
        std::vector<double> in;
        std::vector<double> target;
        for (int i = 0; i < nIn; ++i) in.push_back(std::sin(step * 1.7 + i));
        for (int i = 0; i < nOut; ++i) target.push_back(0.5 + 0.4 * std::cos(step * 0.9 + i));
        PATTERN p(step, in, target);
        net.setInputs(p);
        net.run();
        net.setTargets(p);
        net.learn();
        ref.step(in, target);
    }
    for (int j = 0; j < net.getNumLinks(); ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(net.getLink(j)->getValue(0), ref.weight[j]);
        EXPECT_EQ(net.getLink(j)->getValue(1), ref.previous[j]);
    }
    for (int i = 0; i < net.getNumNodes(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(net.getNode(i)->getValue(0), ref.out[i]);
        if (i >= nIn) {
            EXPECT_EQ(net.getNode(i)->getError(0), ref.err[i]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, BackpropAgainstReference,
                         ::testing::Values(ShapeCase{"2-3-2", {2, 3, 2}}, ShapeCase{"5-14-2", {5, 14, 2}},
                                           ShapeCase{"3-4-3-2", {3, 4, 3, 2}}, ShapeCase{"2-1", {2, 1}}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n) if (ch == '-') ch = '_';
                             return n;
                         });

TEST(BackpropLearning, OutLinksOfTheNetworkSupplyTheTargets) {
    BACKPROP_NETWORK net(0.3, 0.7, 2, 1, 2);
    BASE_NODE sink0(1, 1);
    BASE_NODE sink1(1, 1);
    BASE_LINK l0(1);
    BASE_LINK l1(1);
    connect(&net, &sink0, &l0);
    connect(&net, &sink1, &l1);
    sink0.setError(0.875, 0);
    sink1.setError(0.0625, 0);
    net.setValue(0.0, 0);
    net.run();
    net.learn();
    // Inputs of 0 leave the weights; the outputs are sigmoid(0) = 0.5 and the targets came from the sinks.
    EXPECT_EQ(net.getError(0), ((0.875 - 0.5) * (1.0 - 0.5)) * 0.5);
    EXPECT_EQ(net.getError(1), ((0.0625 - 0.5) * (1.0 - 0.5)) * 0.5);
}

TEST(BackpropForward, InLinksOfTheNetworkFeedItsInputs) {
    BACKPROP_NETWORK net(0.3, 0.7, 2, 2, 1);
    INPUT_NODE a;
    INPUT_NODE b;
    BASE_LINK la(1);
    BASE_LINK lb(1);
    connect(&a, &net, &la);
    connect(&b, &net, &lb);
    a.setValue(0.25);
    b.setValue(-3.0);
    net.run();
    EXPECT_EQ(net.getNode(0)->getValue(0), 0.25);
    EXPECT_EQ(net.getNode(1)->getValue(0), -3.0);
}

}  // namespace
}  // namespace torvask
