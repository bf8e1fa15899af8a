#pragma once
// A backpropagation link: weight (value entry 0) and the weight change of its previous update (entry 1).
#include "neural/BaseLink.h"

namespace torvask {

class BP_LINK : public BASE_LINK {
public:
    // Weight = randomRange(-1, 1); the previous change starts at 0.0. The system always passes 2.
    explicit BP_LINK(int valueSetSize);
    // One line: id (width 4), the weight, the source id (width 4), the destination id (width 4).
    void save(std::ostream& out) override;
    // Reads the id and the weight; the two node ids are read and discarded.
    void load(std::istream& in) override;
    std::string getName() override;
    // weight = (momentum * previous change + delta) + weight, with the destination node's momentum;
    // then the previous change = delta.
    void updateWeight(double delta) override;
};

}  // namespace torvask
