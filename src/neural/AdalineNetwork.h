#pragma once
// A single ADALINE unit fed by a row of input nodes and one bias node:
// nodes 0 .. numNodes-3 are inputs, numNodes-2 the bias, numNodes-1 the unit; link j joins node j to the
// unit. It is also the base of the backpropagation network, which inherits setValue (input i),
// loadInputs, setInputs and the learning rate.
#include "neural/BaseNetwork.h"

namespace torvask {

class PATTERN;

class ADALINE_Network : public BASE_NETWORK {
public:
    // No nodes and no links; the shape comes from load. The learning rate only seeds the unit that a
    // load builds, whose record then replaces it.
    ADALINE_Network();
    // A complete network of numInputs inputs, the bias and the unit (numInputs + 1 links).
    ADALINE_Network(int numInputs, double learningRate);

    // loadInputs, then the unit runs.
    void run(int index = 0) override;
    void learn(int mode = 0) override;
    // The network's id, then the nodes-and-links block. A failed load leaves the network as it was.
    void load(std::istream& in) override;
    void save(std::ostream& out) override;
    // The unit's output, whatever the index.
    double getValue(int index = 0) override;
    // Input index.
    void setValue(double value, int index = 0) override;
    std::string getName() override;
    // Needs at least the bias and the unit (numNodes >= 2) and at most one link per node before the unit.
    void createNetwork() override;
    // The j-th of the network's own in-links sets input j.
    void loadInputs() override;
    // Input i = input i of the pattern, for every input of the pattern.
    virtual void setInputs(PATTERN& pattern);

protected:
    double learningRate = 0.0;
};

}  // namespace torvask
