#pragma once
// A node that holds one externally set input value.
#include "neural/BaseNode.h"

namespace torvask {

class INPUT_NODE : public BASE_NODE {
public:
    INPUT_NODE();
    std::string getName() override;
};

}  // namespace torvask
