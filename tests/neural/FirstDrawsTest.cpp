// Runs in a process of its own: nothing may build a node or a link, or call rand(), before this test.
#include <gtest/gtest.h>

#include <cstdlib>

#include "neural/BackpropNetwork.h"
#include "neural/BaseLink.h"
#include "neural/BaseNode.h"
#include "neural/RandomRange.h"

namespace torvask {
namespace {

TEST(FirstNetworkOfAProcess, TakesIdsFromZeroAndWeightsFromTheStartOfTheRandomSequence) {
    ASSERT_EQ(BASE_NODE::lastNodeId(), -1);
    ASSERT_EQ(BASE_LINK::lastLinkId(), -1);

    BACKPROP_NETWORK brain(0.3, 0.7, 3, 5, 14, 2);
    BACKPROP_NETWORK second(0.3, 0.7, 2, 2, 1);
    const double afterBoth = randomRange(-1.0, 1.0);

    EXPECT_EQ(brain.getId(), 0);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(brain.getNode(i)->getId(), 1 + i);
    for (int j = 0; j < 98; ++j) EXPECT_EQ(brain.getLink(j)->getId(), j);
    EXPECT_EQ(second.getId(), 22);
    EXPECT_EQ(second.getLink(0)->getId(), 98);

    // An unseeded C library generator gives the same sequence as one seeded with 1.
    std::srand(1);
    auto next = [] {
        const int r = std::rand() % 32767;
        return -1.0 + r * (1.0 / 32767.0) * (1.0 - -1.0);
    };
    for (int j = 0; j < 98; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(brain.getLink(j)->getValue(0), next());
    }
    // Each construction consumes exactly one value per link.
    EXPECT_EQ(second.getLink(0)->getValue(0), next());
    EXPECT_EQ(second.getLink(1)->getValue(0), next());
    EXPECT_EQ(afterBoth, next());
}

struct RangeCase {
    double lo;
    double hi;
};

TEST(RandomRange, StaysInTheHalfOpenRangeAndMapsEachDrawLinearly) {
    const RangeCase cases[] = {{-1.0, 1.0}, {0.0, 1.0}, {2.0, 3.0}, {-8.0, -4.0}};
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.lo) + ".." + std::to_string(c.hi));
        std::srand(77);
        for (int k = 0; k < 2000; ++k) {
            const double v = randomRange(c.lo, c.hi);
            EXPECT_GE(v, c.lo);
            EXPECT_LT(v, c.hi);
        }
        std::srand(77);
        const int r = std::rand() % 32767;
        std::srand(77);
        EXPECT_EQ(randomRange(c.lo, c.hi), c.lo + r * 3.0518509475997192e-05 * (c.hi - c.lo));
    }
}

}  // namespace
}  // namespace torvask
