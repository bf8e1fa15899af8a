#pragma once
// A contiguous copy of a layered backpropagation network (weights, previous changes, node outputs,
// error terms, per-node learning rates and momenta) that runs the network's forward and backward
// passes with exactly the floating-point operations of the node and link objects, in the same order,
// without their virtual calls and list walks. The objects stay the source of truth: capture copies
// their state in, writeBack copies it out again.
#include <vector>

namespace torvask {

class BACKPROP_NETWORK;

class FlatNetwork {
public:
    // Copies the state of net. False (and an empty view) when net is not complete, or is not the plain
    // layered network its constructor builds (node and link classes, set sizes, link numbering, list
    // order, nothing joined to the network itself): only then would the copy compute the same thing.
    bool capture(BACKPROP_NETWORK& net);
    // Puts node outputs, error terms, weights and previous changes back into the objects of net, which
    // must be the network captured.
    void writeBack(BACKPROP_NETWORK& net) const;
    bool isCaptured() const { return !sizes.empty(); }

    int getNumInputs() const { return isCaptured() ? sizes.front() : 0; }
    int getNumOutputs() const { return isCaptured() ? sizes.back() : 0; }
    // Forward pass with getNumInputs() inputs.
    void run(const double* inputs);
    // Backward pass towards getNumOutputs() targets, after run.
    void learn(const double* targets);
    // Output values and output error terms, getNumOutputs() each.
    const double* outputs() const { return value.data() + firstOutput; }
    const double* errorTerms() const { return error.data() + firstOutput; }
    // For pictures of the network: layer sizes (input layer first), every node's output in node
    // order, every weight in link order (the links into one node consecutive, sources in order).
    const std::vector<int>& layerSizes() const { return sizes; }
    const std::vector<double>& nodeValues() const { return value; }
    const std::vector<double>& weights() const { return weight; }

private:
    std::vector<int> sizes;        // layer sizes, input layer first
    std::vector<int> nodeStart;    // first node of each layer
    std::vector<int> linkStart;    // first link into each layer (entry 0 unused)
    int firstOutput = 0;
    std::vector<double> value;     // node output (value entry 0)
    std::vector<double> error;     // node error entry 0
    std::vector<double> rate;      // node learning rate (value entry 1)
    std::vector<double> momentum;  // node momentum (value entry 2)
    std::vector<double> weight;    // link value entry 0, link order
    std::vector<double> previous;  // link value entry 1, link order
};

}  // namespace torvask
