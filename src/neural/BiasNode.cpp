#include "neural/BiasNode.h"

namespace torvask {

BIAS_NODE::BIAS_NODE() { valueSet[0] = 1.0; }

// A record may have given the bias an empty value set; it then reads as -1.0 like any missing entry.
double BIAS_NODE::getValue(int) { return valueSetSize > 0 ? valueSet[0] : -1.0; }

void BIAS_NODE::setValue(double, int) {}

std::string BIAS_NODE::getName() { return "BIAS_NODE"; }

}  // namespace torvask
