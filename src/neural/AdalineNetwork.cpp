#include "neural/AdalineNetwork.h"

#include <iostream>
#include <new>
#include <ostream>

#include "neural/AdalineLink.h"
#include "neural/AdalineNode.h"
#include "neural/BiasNode.h"
#include "neural/Pattern.h"

namespace torvask {

ADALINE_Network::ADALINE_Network() = default;

ADALINE_Network::ADALINE_Network(int numInputs, double learningRate_) : learningRate(learningRate_) {
    if (numInputs < 0 || numInputs > kMaxNodes - 2) {
        complete = false;
        return;
    }
    numNodes = numInputs + 2;
    numLinks = numInputs + 1;
    createNetwork();
}

void ADALINE_Network::run(int) {
    loadInputs();
    if (!nodes.empty()) {
        nodes.back()->run(0);
    }
}

void ADALINE_Network::learn(int) {
    if (!nodes.empty()) {
        nodes.back()->learn(0);
    }
}

void ADALINE_Network::load(std::istream& in) {
    int newId = 0;
    if (!(in >> newId)) {
        return;
    }
    const int oldId = id;
    id = newId;
    loadNodesAndLinks(in);
    if (in.fail()) {
        id = oldId;
    }
}

void ADALINE_Network::save(std::ostream& out) {
    out << id << '\n';
    saveNodesAndLinks(out);
}

double ADALINE_Network::getValue(int) { return nodes.empty() ? -1.0 : nodes.back()->getValue(0); }

void ADALINE_Network::setValue(double value, int index) {
    if (index >= 0 && index < static_cast<int>(nodes.size())) {
        nodes[index]->setValue(value, 0);
    }
}

std::string ADALINE_Network::getName() { return "ADALINE_Network"; }

void ADALINE_Network::createNetwork() {
    releaseNodesAndLinks();
    complete = false;
    if (numNodes < 2 || numNodes > kMaxNodes || numLinks < 0 || numLinks > numNodes - 1) {
        return;
    }
    bool built = true;
    nodes.resize(numNodes);
    for (int i = 0; i < numNodes - 2; ++i) {
        nodes[i].reset(new (std::nothrow) INPUT_NODE);
        built = built && nodes[i] != nullptr;
    }
    nodes[numNodes - 2].reset(new (std::nothrow) BIAS_NODE);
    nodes[numNodes - 1].reset(new (std::nothrow) ADALINE_NODE(learningRate));
    built = built && nodes[numNodes - 2] != nullptr && nodes[numNodes - 1] != nullptr;
    links.resize(numLinks);
    for (int j = 0; j < numLinks; ++j) {
        links[j].reset(new (std::nothrow) ADALINE_LINK);
        if (links[j] == nullptr) {
            std::cout << "Error - Failed to allocate link " << j << std::endl;
            built = false;
        }
    }
    if (!built) {
        releaseNodesAndLinks();
        return;
    }
    BASE_NODE* unit = nodes[numNodes - 1].get();
    for (int j = 0; j < numLinks; ++j) {
        connect(nodes[j].get(), unit, links[j].get());
    }
    complete = wiringComplete();
    if (!complete) {
        releaseNodesAndLinks();
    }
}

void ADALINE_Network::loadInputs() {
    int j = 0;
    inLinks.forEach([this, &j](BASE_LINK* link) { setValue(link->getSourceValue(0), j++); });
}

void ADALINE_Network::setInputs(PATTERN& pattern) {
    const int count = pattern.getInSize();
    for (int i = 0; i < count && i < static_cast<int>(nodes.size()); ++i) {
        nodes[i]->setValue(pattern.getIn(i), 0);
    }
}

}  // namespace torvask
