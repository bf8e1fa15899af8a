#include "neural/InputNode.h"

namespace torvask {

INPUT_NODE::INPUT_NODE() : BASE_NODE(1, 1) {
    valueSet[0] = 0.0;
    errorSet[0] = 0.0;
}

std::string INPUT_NODE::getName() { return "INPUT_NODE"; }

}  // namespace torvask
