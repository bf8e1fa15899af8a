#include "neural/FeedForwardNode.h"

#include "neural/BaseLink.h"

namespace torvask {

FEED_FORWARD_NODE::FEED_FORWARD_NODE(int valueSetSize, int errorSetSize)
    : BASE_NODE(valueSetSize, errorSetSize) {}

void FEED_FORWARD_NODE::run(int index) {
    double sum = 0.0;
    inLinks.forEach([&sum](BASE_LINK* link) { sum = link->getWeightedSourceValue(0) + sum; });
    BASE_NODE::setValue(transferFunction(sum), index);
}

std::string FEED_FORWARD_NODE::getName() { return "FEED_FORWARD_NODE"; }

double FEED_FORWARD_NODE::transferFunction(double x) { return x; }

}  // namespace torvask
