#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "neural/AdalineLink.h"
#include "neural/AdalineNetwork.h"
#include "neural/AdalineNode.h"
#include "neural/BackpropNetwork.h"
#include "neural/BaseLink.h"
#include "neural/BaseNetwork.h"
#include "neural/BaseNode.h"
#include "neural/BiasNode.h"
#include "neural/BpLink.h"
#include "neural/BpNode.h"
#include "neural/FeedForwardNode.h"
#include "neural/InputNode.h"

namespace torvask {
namespace {

struct NameCase {
    const char* expected;
    std::string (*make)();
};

template <typename T, typename... Args>
std::string nameOf(Args... args) {
    T object(args...);
    return object.getName();
}

TEST(NeuralNames, EveryClassNamesItself) {
    const NameCase cases[] = {
        {"BASE_NODE", [] { return nameOf<BASE_NODE>(1, 1); }},
        {"INPUT_NODE", [] { return nameOf<INPUT_NODE>(); }},
        {"BIAS_NODE", [] { return nameOf<BIAS_NODE>(); }},
        {"FEED_FORWARD_NODE", [] { return nameOf<FEED_FORWARD_NODE>(1, 1); }},
        {"ADALINE_NODE", [] { return nameOf<ADALINE_NODE>(0.5); }},
        {"BP_NODE", [] { return nameOf<BP_NODE>(1, 1); }},
        {"BP_OUTPUT_NODE", [] { return nameOf<BP_OUTPUT_NODE>(0.3, 0.7); }},
        {"BP_MIDDLE_NODE", [] { return nameOf<BP_MIDDLE_NODE>(0.3, 0.7); }},
        {"BASE_NETWORK", [] { return nameOf<BASE_NETWORK>(); }},
        {"ADALINE_Network", [] { return nameOf<ADALINE_Network>(); }},
        {"BACKPROP_NETWORK", [] { return nameOf<BACKPROP_NETWORK>(0.3, 0.7, 2, 1, 1); }},
        {"BASE_LINK", [] { return nameOf<BASE_LINK>(1); }},
        {"ADALINE_LINK", [] { return nameOf<ADALINE_LINK>(); }},
        {"BP_LINK", [] { return nameOf<BP_LINK>(2); }},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.make(), c.expected);
    }
}

TEST(NeuralIds, NodesAndLinksCountSeparatelyAndNetworksDrawFirst) {
    BASE_NODE a(1, 1);
    BASE_NODE b(1, 1);
    EXPECT_EQ(b.getId(), a.getId() + 1);
    EXPECT_EQ(BASE_NODE::lastNodeId(), b.getId());

    BASE_LINK l1(1);
    BASE_LINK l2(1);
    EXPECT_EQ(l2.getId(), l1.getId() + 1);
    EXPECT_EQ(BASE_LINK::lastLinkId(), l2.getId());

    // A network is a node: it draws its own id before building any of its nodes.
    const int nodeBefore = BASE_NODE::lastNodeId();
    const int linkBefore = BASE_LINK::lastLinkId();
    BACKPROP_NETWORK net(0.3, 0.7, 3, 2, 3, 1);
    EXPECT_EQ(net.getId(), nodeBefore + 1);
    for (int i = 0; i < net.getNumNodes(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(net.getNode(i)->getId(), nodeBefore + 2 + i);
    }
    for (int j = 0; j < net.getNumLinks(); ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(net.getLink(j)->getId(), linkBefore + 1 + j);
    }
    EXPECT_EQ(BASE_NODE::lastNodeId(), nodeBefore + 1 + 6);
    EXPECT_EQ(BASE_LINK::lastLinkId(), linkBefore + 9);
}

TEST(NeuralIds, LoadingOverwritesIdsAndLeavesCountersAlone) {
    BASE_NODE node(1, 1);
    const int counter = BASE_NODE::lastNodeId();
    std::istringstream in("4711\n1 0.5\n1 0\n");
    node.load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(node.getId(), 4711);
    EXPECT_EQ(BASE_NODE::lastNodeId(), counter);
    BASE_NODE next(0, 0);
    EXPECT_EQ(next.getId(), counter + 1);
}

struct SetCase {
    int valueSize;
    int errorSize;
    int expectedValues;
    int expectedErrors;
};

TEST(BaseNodeSets, SizesAtOrBelowZeroGiveEmptySetsAndEntriesStartAtZero) {
    const SetCase cases[] = {{0, 0, 0, 0}, {-3, 2, 0, 2}, {3, -1, 3, 0}, {5, 4, 5, 4}};
    for (const SetCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.valueSize) + "," + std::to_string(c.errorSize));
        BASE_NODE node(c.valueSize, c.errorSize);
        EXPECT_EQ(node.getValueSetSize(), c.expectedValues);
        EXPECT_EQ(node.getErrorSetSize(), c.expectedErrors);
        for (int i = 0; i < c.expectedValues; ++i) EXPECT_EQ(node.getValue(i), 0.0);
        for (int i = 0; i < c.expectedErrors; ++i) EXPECT_EQ(node.getError(i), 0.0);
        // Outside the set: -1.0 on reads, writes ignored.
        node.setValue(9.0, c.expectedValues);
        node.setError(9.0, c.expectedErrors);
        EXPECT_EQ(node.getValue(c.expectedValues), -1.0);
        EXPECT_EQ(node.getError(c.expectedErrors), -1.0);
        EXPECT_EQ(node.getValue(-1), -1.0);
    }
}

TEST(BaseNodeSets, ValuesAndErrorsAreAddressedByIndex) {
    BASE_NODE node(3, 2);
    node.setValue(1.5, 2);
    node.setError(-0.25, 1);
    EXPECT_EQ(node.getValue(0), 0.0);
    EXPECT_EQ(node.getValue(2), 1.5);
    EXPECT_EQ(node.getError(1), -0.25);
    EXPECT_EQ(node.getError(), 0.0);
}

TEST(InputNodes, InputHoldsItsValueAndBiasStaysAtOne) {
    INPUT_NODE input;
    EXPECT_EQ(input.getValueSetSize(), 1);
    EXPECT_EQ(input.getErrorSetSize(), 1);
    EXPECT_EQ(input.getValue(), 0.0);
    input.setValue(0.75);
    EXPECT_EQ(input.getValue(), 0.75);

    BIAS_NODE bias;
    EXPECT_EQ(bias.getValue(), 1.0);
    bias.setValue(0.25);
    EXPECT_EQ(bias.getValue(), 1.0);
    // Any index reads entry 0, never past the one-entry set.
    EXPECT_EQ(bias.getValue(3), 1.0);
    EXPECT_EQ(bias.getValueSetSize(), 1);
}

TEST(FeedForwardNodes, WithoutInLinksOutputTheTransferOfZero) {
    FEED_FORWARD_NODE identity(1, 1);
    identity.setValue(7.0);
    identity.run();
    EXPECT_EQ(identity.getValue(), 0.0);

    BP_NODE sigmoid(1, 1);
    sigmoid.run();
    EXPECT_EQ(sigmoid.getValue(), 0.5);
}

TEST(FeedForwardNodes, SumTheWeightedSourcesInLinkOrder) {
    INPUT_NODE a;
    INPUT_NODE b;
    BIAS_NODE c;
    FEED_FORWARD_NODE sum(2, 1);
    BASE_LINK la(1), lb(1), lc(1);
    connect(&a, &sum, &la);
    connect(&b, &sum, &lb);
    connect(&c, &sum, &lc);
    a.setValue(0.1);
    b.setValue(0.2);
    la.setValue(3.0);
    lb.setValue(-0.7);
    lc.setValue(0.3);
    sum.run(1);
    // Each partial sum is added to the running total as a double, in link order.
    double expected = 0.0;
    expected = 0.1 * 3.0 + expected;
    expected = 0.2 * -0.7 + expected;
    expected = 1.0 * 0.3 + expected;
    EXPECT_EQ(sum.getValue(1), expected);
    EXPECT_EQ(sum.getValue(0), 0.0);

    BP_NODE sig(1, 1);
    BASE_LINK ls(1);
    connect(&a, &sig, &ls);
    ls.setValue(2.0);
    sig.run();
    EXPECT_EQ(sig.getValue(), 1.0 / (std::exp(-(0.1 * 2.0)) + 1.0));
}

TEST(Connect, AppendsToBothListsAndJoinsTheLink) {
    INPUT_NODE from;
    INPUT_NODE to;
    BASE_LINK first(1);
    BASE_LINK second(1);
    EXPECT_EQ(first.getSourceNode(), nullptr);
    EXPECT_EQ(first.getDestNode(), nullptr);
    connect(&from, &to, &first);
    connect(&from, &to, &second);
    EXPECT_EQ(first.getSourceNode(), &from);
    EXPECT_EQ(first.getDestNode(), &to);
    EXPECT_EQ(from.getOutLinks().getCount(), 2);
    EXPECT_EQ(to.getInLinks().getCount(), 2);
    EXPECT_EQ(from.getInLinks().getCount(), 0);

    std::vector<BASE_LINK*> order;
    to.getInLinks().forEach([&order](BASE_LINK* l) { order.push_back(l); });
    EXPECT_EQ(order, (std::vector<BASE_LINK*>{&first, &second}));
    // A walk leaves the cursor where it stopped.
    EXPECT_EQ(to.getInLinks().current(), &second);
    EXPECT_EQ(to.getInLinks().first(), &first);
    EXPECT_EQ(to.getInLinks().next(), &second);
    EXPECT_EQ(to.getInLinks().next(), nullptr);
    EXPECT_EQ(to.getInLinks().current(), &second);
}

TEST(LinkList, EmptyListWalksNothing) {
    LinkList list;
    EXPECT_EQ(list.getCount(), 0);
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.next(), nullptr);
    int visits = 0;
    list.forEach([&visits](BASE_LINK*) { ++visits; });
    EXPECT_EQ(visits, 0);
}

TEST(BaseLinkReaders, ReadEachEndAndWeightIt) {
    BASE_NODE source(2, 2);
    BASE_NODE dest(2, 2);
    BASE_LINK link(2);
    connect(&source, &dest, &link);
    source.setValue(0.5, 0);
    source.setValue(-2.0, 1);
    source.setError(0.125, 1);
    dest.setValue(4.0, 0);
    dest.setError(-0.75, 0);
    dest.setError(3.0, 1);
    link.setValue(0.25, 0);
    link.setValue(9.0, 1);

    struct Reader {
        const char* name;
        double got;
        double expected;
    };
    const Reader readers[] = {
        {"getSourceValue(0)", link.getSourceValue(0), 0.5},
        {"getSourceValue(1)", link.getSourceValue(1), -2.0},
        {"getDestValue(0)", link.getDestValue(0), 4.0},
        {"getSourceError(1)", link.getSourceError(1), 0.125},
        {"getDestError(0)", link.getDestError(0), -0.75},
        {"getWeightedSourceValue(1)", link.getWeightedSourceValue(1), -2.0 * 0.25},
        {"getWeightedDestValue(0)", link.getWeightedDestValue(0), 4.0 * 0.25},
        {"getWeightedSourceError(1)", link.getWeightedSourceError(1), 0.125 * 0.25},
        {"getWeightedDestError(0)", link.getWeightedDestError(0), -0.75 * 0.25},
        {"getWeightedDestError(1)", link.getWeightedDestError(1), 3.0 * 0.25},
        {"getValue(1)", link.getValue(1), 9.0},
        {"getValue(2) outside", link.getValue(2), -1.0},
    };
    for (const Reader& r : readers) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.got, r.expected);
    }
    EXPECT_EQ(link.getValueSetSize(), 2);

    link.updateWeight(0.5);
    EXPECT_EQ(link.getValue(0), 0.75);
    EXPECT_EQ(link.getValue(1), 9.0);
}

TEST(BaseLinkReaders, UnjoinedLinkAnswersMinusOne) {
    BASE_LINK link(1);
    link.setValue(2.0);
    EXPECT_EQ(link.getSourceValue(0), -1.0);
    EXPECT_EQ(link.getDestError(0), -1.0);
}

TEST(BaseNetworkEpoch, ReachesNodesThenLinksAndChangesNothingInTheLibraryClasses) {
    BACKPROP_NETWORK net(0.3, 0.7, 2, 2, 1);
    std::ostringstream before;
    net.save(before);
    net.epoch(3);
    std::ostringstream after;
    net.save(after);
    EXPECT_EQ(before.str(), after.str());
}

}  // namespace
}  // namespace torvask
