#pragma once
// A link of an ADALINE network: the weight only, moved without momentum.
#include "neural/BaseLink.h"

namespace torvask {

class ADALINE_LINK : public BASE_LINK {
public:
    // Weight = randomRange(-1, 1).
    ADALINE_LINK();
    // One line: id (width 4), the weight, the source id (width 4), the destination id (width 4).
    void save(std::ostream& out) override;
    // Reads the id and the weight; the two node ids are read and discarded.
    void load(std::istream& in) override;
    std::string getName() override;
};

}  // namespace torvask
