// Training on the flat copy against training through the node and link objects: same reports, same
// weights, momentum terms, outputs and error terms, to the last bit, at every report.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "neural/BaseLink.h"
#include "neural/BpLink.h"
#include "neural/InputNode.h"
#include "neural/FlatNetwork.h"
#include "neural/Lobe.h"
#include "neural/Pattern.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

// One report and the whole network state at that moment, every double as its bits.
struct Seen {
    int iteration, numPatterns, good, best;
    std::uint64_t totalError;
    std::vector<std::uint64_t> state;
    bool operator==(const Seen&) const = default;
};

struct Watch {
    Lobe* lobe = nullptr;
    std::vector<Seen> seen;
    int stopAt = 0;

    static int callback(const TrainingProgress& p, void* user) {
        auto* self = static_cast<Watch*>(user);
        BACKPROP_NETWORK& net = self->lobe->getNetwork();
        Seen s{p.iteration, p.numPatterns, p.goodPatterns, p.bestSoFar, std::bit_cast<std::uint64_t>(p.totalError), {}};
        for (int n = 0; n < net.getNumNodes(); ++n) {
            s.state.push_back(std::bit_cast<std::uint64_t>(net.getNode(n)->getValue(0)));
            s.state.push_back(std::bit_cast<std::uint64_t>(net.getNode(n)->getError(0)));
        }
        for (int j = 0; j < net.getNumLinks(); ++j) {
            s.state.push_back(std::bit_cast<std::uint64_t>(net.getLink(j)->getValue(0)));
            s.state.push_back(std::bit_cast<std::uint64_t>(net.getLink(j)->getValue(1)));
        }
        self->seen.push_back(std::move(s));
        // A watcher may change the network; training must go on from the change either way.
        if (p.iteration == 20) net.getLink(0)->setValue(0.25, 0);
        return p.iteration >= self->stopAt ? 1 : 0;
    }
};

std::string patternFile(int count, int nIn, int nOut) {
    std::ostringstream out;
    out.precision(17);
    for (int k = 0; k < count; ++k) {
        std::vector<double> in, target;
        for (int i = 0; i < nIn; ++i) in.push_back(0.5 + 0.5 * std::sin(k * 0.37 + i * 1.3));
        for (int i = 0; i < nOut; ++i) target.push_back(0.5 + 0.4 * std::cos(k * 0.11 + i * 0.7));
        PATTERN(k, in, target).save(out);
    }
    return out.str();
}

struct Case {
    std::vector<int> sizes;
    int patterns;
    double tolerance;
    int stopAt;
};

TEST(FlatTraining, SameReportsAndStateAsTheObjectWalk) {
    const Case cases[] = {
        {{5, 14, 2}, 480, 0.05, 60},
        {{3, 1}, 300, 0.3, 500},  // trains until every pattern is good
        {{4, 7, 5, 3}, 250, 0.1, 30},
        {{2, 3, 3, 3, 2}, 200, 0.1, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sizes.size() << " layers, " << c.sizes[1] << " next");
        testing::TempDir dir;
        const std::string file = dir.write("p.pat", patternFile(c.patterns, c.sizes.front(), c.sizes.back()));
        const int layers = static_cast<int>(c.sizes.size());
        Lobe object("L", 0.3, 0.7, layers, c.sizes.data());
        Lobe flat("L", 0.3, 0.7, layers, c.sizes.data());
        // Same starting weights; one hidden node with its own rate and momentum, as a loaded text may give.
        object.getNetwork().getNode(c.sizes[0])->setValue(0.45, 1);
        object.getNetwork().getNode(c.sizes[0])->setValue(0.5, 2);
        std::stringstream text;
        ASSERT_EQ(object.save(text), 0);
        ASSERT_EQ(flat.load(text), 0);
        object.setFlatTraining(false);

        Watch a{&object, {}, c.stopAt};
        Watch b{&flat, {}, c.stopAt};
        ASSERT_EQ(object.train(file, dir.str() + "/a-", c.tolerance, &Watch::callback, &a), 0);
        ASSERT_EQ(flat.train(file, dir.str() + "/b-", c.tolerance, &Watch::callback, &b), 0);
        ASSERT_GE(a.seen.size(), 3u);
        EXPECT_EQ(a.seen.front().numPatterns, c.patterns);
        ASSERT_EQ(a.seen.size(), b.seen.size());
        for (std::size_t i = 0; i < a.seen.size(); ++i) EXPECT_TRUE(a.seen[i] == b.seen[i]) << "report " << i;
        EXPECT_EQ(testing::TempDir::read(dir.str() + "/a-L.lobe"), testing::TempDir::read(dir.str() + "/b-L.lobe"));
    }
}

TEST(FlatTraining, RefusesANetworkItCannotMirror) {
    FlatNetwork flat;
    Lobe unusable("U", 0.3, 0.7, 2, 0, 1);
    EXPECT_FALSE(flat.capture(unusable.getNetwork()));
    // A link joined to the network itself feeds its inputs on every run; only the objects do that.
    Lobe lobe("L", 0.3, 0.7, 3, 2, 2, 1);
    INPUT_NODE source;
    BP_LINK stray(2);
    connect(&source, &lobe.getNetwork(), &stray);
    EXPECT_FALSE(flat.capture(lobe.getNetwork()));
    EXPECT_FALSE(flat.isCaptured());
    Lobe plain("P", 0.3, 0.7, 3, 2, 2, 1);
    EXPECT_TRUE(flat.capture(plain.getNetwork()));
    EXPECT_EQ(flat.getNumInputs(), 2);
    EXPECT_EQ(flat.getNumOutputs(), 1);
}

}  // namespace
}  // namespace torvask
