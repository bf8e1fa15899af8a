#include "neural/AdalineNode.h"

#include "neural/BaseLink.h"

namespace torvask {

ADALINE_NODE::ADALINE_NODE(double learningRate) : FEED_FORWARD_NODE(2, 1) { valueSet[1] = learningRate; }

void ADALINE_NODE::learn(int) {
    setError(getValue(0) * -2.0, 0);
    const double rate = getValue(1);
    const double error = getError(0);
    inLinks.forEach([rate, error](BASE_LINK* link) { link->updateWeight((link->getSourceValue(0) * rate) * error); });
}

std::string ADALINE_NODE::getName() { return "ADALINE_NODE"; }

double ADALINE_NODE::transferFunction(double x) { return x < 0.0 ? -1.0 : 1.0; }

}  // namespace torvask
