#include "neural/BpNode.h"

#include <cmath>

#include "neural/BaseLink.h"

namespace torvask {

BP_NODE::BP_NODE(int valueSetSize, int errorSetSize) : FEED_FORWARD_NODE(valueSetSize, errorSetSize) {}

std::string BP_NODE::getName() { return "BP_NODE"; }

double BP_NODE::transferFunction(double x) { return 1.0 / (std::exp(-x) + 1.0); }

BP_OUTPUT_NODE::BP_OUTPUT_NODE(double learningRate, double momentum) : BP_NODE(3, 1) {
    valueSet[1] = learningRate;
    valueSet[2] = momentum;
}

void BP_OUTPUT_NODE::learn(int) {
    // Entries are read through the checked accessors: a node's sets may come from a text.
    setError(computeError(0), 0);
    const double rate = getValue(1);
    const double delta = getError(0);
    inLinks.forEach([rate, delta](BASE_LINK* link) { link->updateWeight((link->getSourceValue(0) * rate) * delta); });
}

std::string BP_OUTPUT_NODE::getName() { return "BP_OUTPUT_NODE"; }

double BP_OUTPUT_NODE::computeError(int) {
    const double o = getValue(0);
    const double t = getError(0);
    return ((t - o) * (1.0 - o)) * o;
}

BP_MIDDLE_NODE::BP_MIDDLE_NODE(double learningRate, double momentum) : BP_OUTPUT_NODE(learningRate, momentum) {}

double BP_MIDDLE_NODE::computeError(int) {
    double sum = 0.0;
    outLinks.forEach([&sum](BASE_LINK* link) { sum = sum + link->getWeightedDestError(0); });
    const double o = getValue(0);
    return ((1.0 - o) * o) * sum;
}

std::string BP_MIDDLE_NODE::getName() { return "BP_MIDDLE_NODE"; }

}  // namespace torvask
