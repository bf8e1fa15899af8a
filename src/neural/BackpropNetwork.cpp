#include "neural/BackpropNetwork.h"

#include <cstdint>
#include <iostream>
#include <new>

#include "neural/BpLink.h"
#include "neural/BpNode.h"
#include "neural/InputNode.h"
#include "neural/Pattern.h"

namespace torvask {

BACKPROP_NETWORK::BACKPROP_NETWORK(double learningRate_, double momentum_, int numLayers_,
                                   const int* layerSizes_)
    : BACKPROP_NETWORK(learningRate_, momentum_, numLayers_,
                       numLayers_ > 0 && numLayers_ <= kMaxLayers && layerSizes_ != nullptr
                           ? std::vector<int>(layerSizes_, layerSizes_ + numLayers_)
                           : std::vector<int>{}) {}

BACKPROP_NETWORK::BACKPROP_NETWORK(double learningRate_, double momentum_, int numLayers_,
                                   const std::vector<int>& sizes) {
    learningRate = learningRate_;
    momentum = momentum_;
    int nodeCount = 0;
    int linkCount = 0;
    if (numLayers_ != static_cast<int>(sizes.size()) || !shapeOf(sizes, nodeCount, linkCount)) {
        complete = false;
        return;
    }
    numLayers = numLayers_;
    layerSizes = sizes;
    numNodes = nodeCount;
    numLinks = linkCount;
    createNetwork();
}

BACKPROP_NETWORK::~BACKPROP_NETWORK() = default;

bool BACKPROP_NETWORK::shapeOf(const std::vector<int>& sizes, int& nodeCount, int& linkCount) {
    if (sizes.size() < 2 || sizes.size() > static_cast<std::size_t>(kMaxLayers)) {
        return false;
    }
    std::int64_t nodesSum = 0;
    std::int64_t linksSum = 0;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        if (sizes[k] < 1 || sizes[k] > kMaxNodes) {
            return false;
        }
        nodesSum += sizes[k];
        if (k >= 1) {
            linksSum += static_cast<std::int64_t>(sizes[k - 1]) * sizes[k];
        }
    }
    if (nodesSum > kMaxNodes || linksSum > kMaxLinks) {
        return false;
    }
    nodeCount = static_cast<int>(nodesSum);
    linkCount = static_cast<int>(linksSum);
    return true;
}

void BACKPROP_NETWORK::run(int) {
    loadInputs();
    for (int i = firstMiddleNode; i < static_cast<int>(nodes.size()); ++i) {
        nodes[i]->run(0);
    }
}

void BACKPROP_NETWORK::learn(int) {
    if (!complete) {
        return;
    }
    int i = 0;
    outLinks.forEach([this, &i](BASE_LINK* link) { setError(link->getDestError(0), i++); });
    for (int n = static_cast<int>(nodes.size()) - 1; n >= firstMiddleNode; --n) {
        nodes[n]->learn(0);
    }
}

void BACKPROP_NETWORK::load(std::istream& in) {
    int newId = 0;
    int newNumLayers = 0;
    if (!(in >> newId >> newNumLayers)) {
        return;
    }
    if (newNumLayers < 2 || newNumLayers > kMaxLayers) {
        in.setstate(std::ios::failbit);
        return;
    }
    std::vector<int> sizes(newNumLayers);
    for (int& size : sizes) {
        if (!(in >> size)) {
            return;
        }
    }
    int nodeCount = 0;
    int linkCount = 0;
    if (!shapeOf(sizes, nodeCount, linkCount)) {
        in.setstate(std::ios::failbit);
        return;
    }

    const int oldId = id;
    const int oldNumLayers = numLayers;
    auto oldSizes = std::move(layerSizes);
    const int oldFirstMiddle = firstMiddleNode;
    const int oldFirstOutput = firstOutputNode;
    id = newId;
    numLayers = newNumLayers;
    layerSizes = std::move(sizes);
    // Restores nodes and links itself when the rest of the text is bad; the header is ours to restore.
    loadNodesAndLinks(in);
    if (in.fail()) {
        id = oldId;
        numLayers = oldNumLayers;
        layerSizes = std::move(oldSizes);
        firstMiddleNode = oldFirstMiddle;
        firstOutputNode = oldFirstOutput;
    }
}

void BACKPROP_NETWORK::save(std::ostream& out) {
    out << id << '\n' << numLayers << '\n';
    for (int size : layerSizes) {
        out << size << '\n';
    }
    saveNodesAndLinks(out);
}

double BACKPROP_NETWORK::getValue(int index) {
    BASE_NODE* node = index >= 0 ? getNode(firstOutputNode + index) : nullptr;
    return node != nullptr ? node->getValue(0) : -1.0;
}

double BACKPROP_NETWORK::getError(int index) {
    BASE_NODE* node = index >= 0 ? getNode(firstOutputNode + index) : nullptr;
    return node != nullptr ? node->getError(0) : -1.0;
}

void BACKPROP_NETWORK::setError(double value, int index) {
    BASE_NODE* node = index >= 0 ? getNode(firstOutputNode + index) : nullptr;
    if (node != nullptr) {
        node->setError(value, 0);
    }
}

std::string BACKPROP_NETWORK::getName() { return "BACKPROP_NETWORK"; }

void BACKPROP_NETWORK::createNetwork() {
    releaseNodesAndLinks();
    complete = false;
    int nodeCount = 0;
    int linkCount = 0;
    if (numLayers != static_cast<int>(layerSizes.size()) || !shapeOf(layerSizes, nodeCount, linkCount) ||
        nodeCount != numNodes || linkCount != numLinks) {
        return;
    }

    bool built = true;
    nodes.resize(numNodes);
    int n = 0;
    for (int i = 0; i < layerSizes[0]; ++i, ++n) {
        nodes[n].reset(new (std::nothrow) INPUT_NODE);
        built = built && nodes[n] != nullptr;
    }
    firstMiddleNode = layerSizes[0];
    for (int k = 1; k < numLayers - 1; ++k) {
        for (int i = 0; i < layerSizes[k]; ++i, ++n) {
            nodes[n].reset(new (std::nothrow) BP_MIDDLE_NODE(learningRate, momentum));
            built = built && nodes[n] != nullptr;
        }
    }
    firstOutputNode = n;
    for (int i = 0; i < layerSizes[numLayers - 1]; ++i, ++n) {
        nodes[n].reset(new (std::nothrow) BP_OUTPUT_NODE(learningRate, momentum));
        built = built && nodes[n] != nullptr;
    }
    links.resize(numLinks);
    for (int j = 0; j < numLinks; ++j) {
        links[j].reset(new (std::nothrow) BP_LINK(2));
        if (links[j] == nullptr) {
            std::cout << "Error - Failed to allocate link " << j << std::endl;
            built = false;
        }
    }
    if (!built) {
        releaseNodesAndLinks();
        return;
    }

    int link = 0;
    int layerStart = 0;
    for (int k = 0; k + 1 < numLayers; ++k) {
        const int nextStart = layerStart + layerSizes[k];
        for (int d = nextStart; d < nextStart + layerSizes[k + 1]; ++d) {
            for (int s = layerStart; s < nextStart; ++s) {
                connect(nodes[s].get(), nodes[d].get(), links[link].get());
                ++link;
            }
        }
        layerStart = nextStart;
    }
    complete = wiringComplete();
    if (!complete) {
        releaseNodesAndLinks();
    }
}

void BACKPROP_NETWORK::setTargets(PATTERN& pattern) {
    if (numLayers < 1) {
        return;
    }
    const int outputs = layerSizes[numLayers - 1];
    for (int i = 0; i < outputs; ++i) {
        setError(pattern.getOut(i), i);
    }
}

int BACKPROP_NETWORK::getNumLayers() { return numLayers; }

int BACKPROP_NETWORK::getLayerSize(int k) { return k >= 0 && k < numLayers ? layerSizes[k] : -1; }

}  // namespace torvask
