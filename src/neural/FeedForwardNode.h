#pragma once
// A node whose output is a transfer function of the weighted sum of its inputs.
#include "neural/BaseNode.h"

namespace torvask {

class FEED_FORWARD_NODE : public BASE_NODE {
public:
    FEED_FORWARD_NODE(int valueSetSize, int errorSetSize);
    // Sums the weighted source values over the in-links in list order, then stores the transfer
    // function of the sum in value entry index.
    void run(int index = 0) override;
    std::string getName() override;
    // The identity here.
    virtual double transferFunction(double x);
};

}  // namespace torvask
