#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "NetworkTexts.h"
#include "neural/BackpropNetwork.h"
#include "neural/BaseLink.h"
#include "neural/BaseNode.h"
#include "neural/BpLink.h"
#include "neural/BpNode.h"
#include "neural/InputNode.h"
#include "neural/Lobe.h"
#include "neural/Pattern.h"

namespace torvask {
namespace {

using testing::kOneTwoOne;

std::string saved(BASE_NODE& node) {
    std::ostringstream out;
    node.save(out);
    return out.str();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(NodeRecord, IdWidthFourThenBothSetsAtEighteenDigits) {
    BP_OUTPUT_NODE node(0.3, 0.7);
    node.setValue(0.1, 0);
    node.setError(-2.5e-5, 0);
    const std::string id = std::to_string(node.getId());
    const std::string padded = std::string(id.size() < 4 ? 4 - id.size() : 0, ' ') + id;
    EXPECT_EQ(saved(node), padded + "\n3 0.100000000000000006 0.299999999999999989 0.699999999999999956\n"
                                     "1 -2.50000000000000012e-05\n");

    BASE_NODE empty(0, 0);
    std::ostringstream out;
    empty.save(out);
    EXPECT_EQ(out.precision(), 18);
    EXPECT_NE(out.str().find("\n0\n0\n"), std::string::npos);
}

TEST(NodeRecord, ReadBackReplacesTheSetsWhateverTheirSize) {
    BASE_NODE node(1, 1);
    std::istringstream in(" 77\n3 1 2 3.5\n0\n");
    node.load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(node.getId(), 77);
    EXPECT_EQ(node.getValueSetSize(), 3);
    EXPECT_EQ(node.getValue(2), 3.5);
    EXPECT_EQ(node.getErrorSetSize(), 0);
}

struct BadNodeRecord {
    const char* name;
    std::string text;
};

TEST(NodeRecord, BadRecordsFailAndLeaveTheNodeAsItWas) {
    const BadNodeRecord cases[] = {
        {"empty", ""},
        {"id only", "5\n"},
        {"negative value count", "5\n-1\n1 0\n"},
        {"huge value count", "5\n2000000000\n"},
        {"count past limit", "5\n4097\n"},
        {"missing values", "5\n3 1 2\n"},
        {"negative error count", "5\n1 0.5\n-2\n"},
        {"letters", "5\n1 abc\n1 0\n"},
        {"overflowing id", "99999999999\n1 0\n1 0\n"},
    };
    for (const BadNodeRecord& c : cases) {
        SCOPED_TRACE(c.name);
        BASE_NODE node(2, 1);
        node.setValue(0.5, 1);
        const std::string before = saved(node);
        std::istringstream in(c.text);
        node.load(in);
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(saved(node), before);
    }
}

TEST(LinkRecord, OneLineWithWidthFourIdsAndTheGenericTwoLineForm) {
    INPUT_NODE source;
    INPUT_NODE dest;
    BP_LINK link(2);
    connect(&source, &dest, &link);
    link.setValue(0.5, 0);
    link.setValue(0.25, 1);
    auto w4 = [](int id) {
        std::string s = std::to_string(id);
        return std::string(s.size() < 4 ? 4 - s.size() : 0, ' ') + s;
    };
    std::ostringstream out;
    link.save(out);
    EXPECT_EQ(out.str(), w4(link.getId()) + " 0.5 " + w4(source.getId()) + " " + w4(dest.getId()) + "\n");

    // Read back: id and weight; the node ids are skipped and the previous change is not stored.
    std::istringstream in("  42 -0.125 9999 8888\n");
    link.load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(link.getId(), 42);
    EXPECT_EQ(link.getValue(0), -0.125);
    EXPECT_EQ(link.getValue(1), 0.25);
    EXPECT_EQ(link.getSourceNode(), &source);

    BASE_LINK generic(3);
    generic.setValue(0.1, 2);
    std::ostringstream g;
    generic.save(g);
    EXPECT_EQ(g.str(), std::to_string(generic.getId()) + "\n3 0 0 0.100000000000000006\n");
    BASE_LINK other(1);
    std::istringstream gin(g.str());
    other.load(gin);
    ASSERT_FALSE(gin.fail());
    EXPECT_EQ(other.getId(), generic.getId());
    EXPECT_EQ(other.getValueSetSize(), 3);
    EXPECT_EQ(other.getValue(2), 0.1);
}

TEST(NetworkText, LoadThenSaveGivesTheSameBytes) {
    BACKPROP_NETWORK net(0.1, 0.2, 2, 3, 3);
    std::istringstream in(kOneTwoOne);
    net.load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(net.getId(), 100);
    EXPECT_EQ(net.getNumLayers(), 3);
    EXPECT_EQ(net.getNumNodes(), 4);
    EXPECT_EQ(net.getFirstMiddleNode(), 1);
    EXPECT_EQ(net.getFirstOutputNode(), 3);
    // Five digits take five characters although the field has width 4.
    EXPECT_EQ(net.getNode(3)->getId(), 12345);
    // Weights below 0.0001 are written in exponent form.
    EXPECT_EQ(net.getLink(1)->getValue(0), -1.00000000000000008e-05);
    std::ostringstream out;
    net.save(out);
    EXPECT_EQ(out.str(), kOneTwoOne);
}

struct Variant {
    const char* name;
    std::string text;
};

TEST(NetworkText, EquivalentSpellingsLoadTheSameNetwork) {
    const Variant cases[] = {
        {"CR LF line ends", replaceAll(kOneTwoOne, "\n", "\r\n")},
        {"two-digit exponent", replaceAll(kOneTwoOne, "-1.00000000000000008e-05", "-1.00000000000000008e-5")},
        {"three-digit exponent", replaceAll(kOneTwoOne, "-1.00000000000000008e-05", "-1.00000000000000008e-005")},
        {"tabs and one line", replaceAll(kOneTwoOne, "\n", "\t")},
        {"no final line end", kOneTwoOne.substr(0, kOneTwoOne.size() - 1)},
        {"other stored wiring", replaceAll(kOneTwoOne, "  22 0.75  102 12345", "  22 0.75    1    2")},
    };
    for (const Variant& c : cases) {
        SCOPED_TRACE(c.name);
        BACKPROP_NETWORK net(0.1, 0.2, 2, 1, 1);
        std::istringstream in(c.text);
        net.load(in);
        ASSERT_FALSE(in.fail());
        std::ostringstream out;
        net.save(out);
        EXPECT_EQ(out.str(), kOneTwoOne);
    }
}

TEST(NetworkText, RoundTripGivesTheSameOutputsAndForgetsThePreviousChange) {
    BACKPROP_NETWORK trained(0.3, 0.7, 3, 5, 14, 2);
    for (int step = 0; step < 20; ++step) {
        PATTERN p(step, {0.1 * step, 0.5, -0.25, 1.0 / (step + 1), 0.3}, {0.9, 0.1});
        trained.setInputs(p);
        trained.run();
        trained.setTargets(p);
        trained.learn();
    }
    std::stringstream text;
    trained.save(text);
    const std::string written = text.str();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 168);

    BACKPROP_NETWORK copy(0.5, 0.5, 2, 1, 1);
    copy.load(text);
    ASSERT_FALSE(text.fail());
    EXPECT_EQ(copy.getNumLayers(), 3);
    EXPECT_EQ(copy.getNumNodes(), 21);
    for (int j = 0; j < 98; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(copy.getLink(j)->getValue(0), trained.getLink(j)->getValue(0));
        EXPECT_EQ(copy.getLink(j)->getId(), trained.getLink(j)->getId());
        EXPECT_NE(trained.getLink(j)->getValue(1), 0.0);
        EXPECT_EQ(copy.getLink(j)->getValue(1), 0.0);
    }
    std::ostringstream again;
    copy.save(again);
    EXPECT_EQ(again.str(), written);
    const double inputs[][5] = {{0, 0, 0, 0, 0}, {1, -1, 0.5, 0.25, 2}, {0.3, 0.2, 0.1, -0.7, 0.9}};
    for (const auto& in : inputs) {
        for (int i = 0; i < 5; ++i) {
            trained.setValue(in[i], i);
            copy.setValue(in[i], i);
        }
        trained.run();
        copy.run();
        EXPECT_EQ(copy.getValue(0), trained.getValue(0));
        EXPECT_EQ(copy.getValue(1), trained.getValue(1));
    }
}

TEST(NetworkText, AfterALoadTheFirstStepHasNoMomentumTerm) {
    BACKPROP_NETWORK net(0.1, 0.2, 2, 1, 1);
    std::istringstream in(kOneTwoOne);
    net.load(in);
    ASSERT_FALSE(in.fail());
    const double w = net.getLink(3)->getValue(0);
    PATTERN p(0, {0.25}, {0.0});
    net.setInputs(p);
    net.run();
    const double h = net.getNode(2)->getValue(0);
    const double o = net.getValue(0);
    net.setTargets(p);
    net.learn();
    // Rate and momentum come from the node record: 0.25 and 0.5 for the output.
    const double delta = (h * 0.25) * (((0.0 - o) * (1.0 - o)) * o);
    EXPECT_EQ(net.getLink(3)->getValue(0), (0.5 * 0.0 + delta) + w);
}

// Every way a network text can be damaged: the load must fail without touching the network.
class HostileNetworkText : public ::testing::TestWithParam<Variant> {};

TEST_P(HostileNetworkText, FailsTheStreamAndKeepsThePreviousNetwork) {
    BACKPROP_NETWORK net(0.3, 0.7, 3, 2, 3, 1);
    net.setValue(0.5, 0);
    net.run();
    std::ostringstream before;
    net.save(before);
    const int idBefore = net.getId();

    std::istringstream in(GetParam().text);
    net.load(in);
    EXPECT_TRUE(in.fail());
    std::ostringstream after;
    net.save(after);
    EXPECT_EQ(after.str(), before.str());
    EXPECT_EQ(net.getId(), idBefore);
    EXPECT_TRUE(net.isComplete());
    EXPECT_EQ(net.getNumLayers(), 3);
    EXPECT_EQ(net.getLayerSize(0), 2);
    // The kept network still runs.
    net.run();
    EXPECT_EQ(net.getValue(0), net.getNode(5)->getValue(0));

    Lobe lobe("L", 0.3, 0.7, 2, 1, 1);
    std::istringstream again(GetParam().text);
    EXPECT_EQ(lobe.load(again), -1);
    EXPECT_EQ(lobe.getNumInputs(), 1);
}

std::vector<Variant> hostileTexts() {
    const std::string header = "100\n3\n1\n2\n1\n";
    const std::string body = kOneTwoOne.substr(header.size());
    std::vector<Variant> v = {
        {"empty", ""},
        {"letters", "network\n"},
        {"negative layer count", "100\n-3\n1\n2\n1\n" + body},
        {"one layer", "100\n1\n4\n4\n4\n"},
        {"zero layers", "100\n0\n0\n0\n"},
        {"65 layers", [] { std::string t = "100\n65\n"; for (int k = 0; k < 65; ++k) t += "1\n"; return t + "65\n64\n"; }()},
        {"huge layer count", "100\n2000000000\n1\n1\n"},
        {"layer size zero", "100\n3\n1\n0\n1\n" + body},
        {"negative layer size", "100\n3\n1\n-2\n1\n" + body},
        {"layer product past limit", "100\n2\n4000\n4000\n8000\n16000000\n"},
        {"layer sum past limit", "100\n2\n4000\n1000\n5000\n4000000\n"},
        {"overflowing layer size", "100\n2\n99999999999\n1\n"},
        {"node count too high", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n5\n4\n 101")},
        {"node count too low", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n3\n4\n 101")},
        {"link count disagrees", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n4\n3\n 101")},
        {"negative node count", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n-4\n4\n 101")},
        {"negative link count", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n4\n-4\n 101")},
        {"huge node count", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n2147483647\n4\n 101")},
        {"huge link count", replaceAll(kOneTwoOne, "1\n4\n4\n 101", "1\n4\n2147483647\n 101")},
        {"node value count negative", replaceAll(kOneTwoOne, "1 0.25\n", "-1 0.25\n")},
        {"node value count huge", replaceAll(kOneTwoOne, "1 0.25\n", "1000000000 0.25\n")},
        {"hidden node without momentum",
         replaceAll(kOneTwoOne, "3 0.4375 0.299999999999999989 0.699999999999999956",
                    "2 0.4375 0.299999999999999989")},
        {"output node without error", replaceAll(kOneTwoOne, "1 0.125\n", "0\n")},
        {"weight not a number", replaceAll(kOneTwoOne, "0.75", "x.75")},
        {"link cut short", kOneTwoOne.substr(0, kOneTwoOne.size() - 6)},
    };
    // Cuts of the text before its last field ("12345\n", the destination id, which is read and dropped).
    for (std::size_t len = 0; len + 6 <= kOneTwoOne.size(); len += 7) {
        v.push_back({"prefix", kOneTwoOne.substr(0, len)});
    }
    v.push_back({"prefix", kOneTwoOne.substr(0, kOneTwoOne.size() - 6)});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Texts, HostileNetworkText, ::testing::ValuesIn(hostileTexts()),
                         [](const auto& info) {
                             std::string n = std::to_string(info.index) + "_" + info.param.name;
                             for (char& ch : n) if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(NetworkText, EveryCutBeforeTheLastFieldFails) {
    // The last field is the destination id "12345", read and discarded: any cut before it fails.
    for (std::size_t len = 0; len + 6 <= kOneTwoOne.size(); ++len) {
        SCOPED_TRACE(len);
        BACKPROP_NETWORK net(0.3, 0.7, 2, 1, 1);
        std::istringstream in(kOneTwoOne.substr(0, len));
        net.load(in);
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(net.getNumNodes(), 2);
    }
    for (std::size_t len = kOneTwoOne.size() - 5; len <= kOneTwoOne.size(); ++len) {
        SCOPED_TRACE(len);
        BACKPROP_NETWORK net(0.3, 0.7, 2, 1, 1);
        std::istringstream in(kOneTwoOne.substr(0, len));
        net.load(in);
        EXPECT_FALSE(in.fail());
        EXPECT_EQ(net.getNumNodes(), 4);
    }
}

TEST(NetworkDump, PrintsEveryNodeWithItsLinks) {
    BACKPROP_NETWORK net(0.1, 0.2, 2, 1, 1);
    const std::string text = "7\n2\n1\n1\n2\n1\n   8\n1 0.5\n1 0\n   9\n3 0.25 0.5 0.75\n1 0.125\n   3 -1.5    8    9\n";
    std::istringstream in(text);
    net.load(in);
    ASSERT_FALSE(in.fail());
    std::ostringstream out;
    net.print(out);
    EXPECT_EQ(out.str(),
              "Node ID: 8   Node Name: INPUT_NODE\n"
              "Value Set: 0.5 \n"
              "Error Set: 0 \n"
              "   Out Link ID: 3  Link Name: BP_LINK  Dest Node  : 9  Value Set: -1.5 0 \n"
              "\n"
              "Node ID: 9   Node Name: BP_OUTPUT_NODE\n"
              "Value Set: 0.25 0.5 0.75 \n"
              "Error Set: 0.125 \n"
              "   In Link ID : 3  Link Name: BP_LINK  Source Node: 8  Value Set: -1.5 0 \n"
              "\n");
}

}  // namespace
}  // namespace torvask
