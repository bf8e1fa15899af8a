#pragma once
// The sigmoid units of a backpropagation network. Hidden and output nodes keep their own learning rate
// (value entry 1) and momentum (value entry 2), so both travel with the node through save and load.
#include "neural/FeedForwardNode.h"

namespace torvask {

class BP_NODE : public FEED_FORWARD_NODE {
public:
    BP_NODE(int valueSetSize, int errorSetSize);
    std::string getName() override;
    // 1 / (e^-x + 1).
    double transferFunction(double x) override;
};

class BP_OUTPUT_NODE : public BP_NODE {
public:
    // Three values (output, learning rate, momentum) and one error.
    BP_OUTPUT_NODE(double learningRate, double momentum);
    // Replaces error entry 0 (the target, before the call) by the error term, then moves the weight of
    // every in-link by input * learning rate * error term.
    void learn(int mode = 0) override;
    std::string getName() override;
    // ((t - o) * (1 - o)) * o with t = error entry 0 and o = value entry 0.
    virtual double computeError(int mode = 0);
};

class BP_MIDDLE_NODE : public BP_OUTPUT_NODE {
public:
    BP_MIDDLE_NODE(double learningRate, double momentum);
    // ((1 - o) * o) * s, s the sum over the out-links of destination error term times weight; the
    // destinations have already learned, so s uses their new weights.
    double computeError(int mode = 0) override;
    std::string getName() override;
};

}  // namespace torvask
