#pragma once
// An input node whose output is the constant 1.0.
#include "neural/InputNode.h"

namespace torvask {

class BIAS_NODE : public INPUT_NODE {
public:
    BIAS_NODE();
    // Entry 0 whatever the index.
    double getValue(int index = 0) override;
    // The bias cannot be set.
    void setValue(double value, int index = 0) override;
    std::string getName() override;
};

}  // namespace torvask
