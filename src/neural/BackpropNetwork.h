#pragma once
// A fully connected layered network of sigmoid units trained pattern by pattern with backpropagation and
// momentum. Nodes: the inputs of layer 0, then the hidden layers in order, then the output layer; links
// are numbered destination-major (the links into one destination are consecutive, sources in order).
#include <concepts>
#include <initializer_list>
#include <vector>

#include "neural/AdalineNetwork.h"

namespace torvask {

class BACKPROP_NETWORK : public ADALINE_Network {
public:
    // numLayers sizes, input layer first. Fewer than 2 layers, more than kMaxLayers, a size below 1 or a
    // shape past the node and link limits builds nothing: the network is then not complete.
    BACKPROP_NETWORK(double learningRate, double momentum, int numLayers, const int* layerSizes);
    // The same with the sizes written out: BACKPROP_NETWORK(0.3, 0.7, 3, 5, 14, 2). A count that
    // disagrees with the number of sizes given builds nothing.
    template <std::convertible_to<int>... Sizes>
    BACKPROP_NETWORK(double learningRate, double momentum, int numLayers, int firstSize, Sizes... sizes)
        : BACKPROP_NETWORK(learningRate, momentum, numLayers,
                           std::vector<int>{firstSize, static_cast<int>(sizes)...}) {}
    ~BACKPROP_NETWORK() override;

    // Forward pass: loadInputs, then every hidden and output node in index order.
    void run(int index = 0) override;
    // Backward pass: output nodes from the last to the first, then hidden nodes from the last to the
    // first. The outputs keep the values of the last run; getError(i) then holds output i's error term.
    void learn(int mode = 0) override;
    // Network record: id, numLayers, one size per line, then the nodes-and-links block. A text that is
    // damaged, truncated or whose counts disagree with its layer sizes leaves the stream failed and the
    // network exactly as it was; a good text replaces the shape with the one it holds.
    void load(std::istream& in) override;
    void save(std::ostream& out) override;
    // Output i (and its error term); -1.0 for an output that does not exist.
    double getValue(int index = 0) override;
    double getError(int index = 0) override;
    void setError(double value, int index = 0) override;
    std::string getName() override;
    // Builds the nodes, the links (one random weight each, in link order, after all nodes) and the
    // wiring from the layer sizes. Sizes that disagree with numNodes and numLinks build nothing.
    void createNetwork() override;

    // Target i goes into error entry 0 of output node i.
    virtual void setTargets(PATTERN& pattern);
    virtual int getNumLayers();
    // -1 for a layer that does not exist.
    virtual int getLayerSize(int k);

    int getFirstMiddleNode() const { return firstMiddleNode; }
    int getFirstOutputNode() const { return firstOutputNode; }
    double getMomentum() const { return momentum; }
    double getLearningRate() const { return learningRate; }

    static constexpr int kMaxLayers = 64;

private:
    BACKPROP_NETWORK(double learningRate, double momentum, int numLayers, const std::vector<int>& sizes);
    // Whether these sizes make a network within the limits, and its node and link counts.
    static bool shapeOf(const std::vector<int>& sizes, int& nodeCount, int& linkCount);

    int numLayers = 0;
    int firstMiddleNode = 0;
    int firstOutputNode = 0;
    std::vector<int> layerSizes;
    double momentum = 0.0;
};

}  // namespace torvask
