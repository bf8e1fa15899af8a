#pragma once
// An adaptive linear threshold unit: output -1 or +1; value entry 1 is its learning rate.
#include "neural/FeedForwardNode.h"

namespace torvask {

class ADALINE_NODE : public FEED_FORWARD_NODE {
public:
    explicit ADALINE_NODE(double learningRate);
    // Error term = -2 * output; each in-link's weight moves by input * learning rate * error term, away
    // from the current output. No target is looked at.
    void learn(int mode = 0) override;
    std::string getName() override;
    // -1.0 below 0.0, otherwise +1.0.
    double transferFunction(double x) override;
};

}  // namespace torvask
