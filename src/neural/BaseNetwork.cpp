#include "neural/BaseNetwork.h"

#include <istream>
#include <ostream>
#include <utility>

namespace torvask {

BASE_NETWORK::BASE_NETWORK() : BASE_NODE(0, 0) {}

BASE_NETWORK::~BASE_NETWORK() { releaseNodesAndLinks(); }

void BASE_NETWORK::releaseNodesAndLinks() {
    nodes.clear();
    links.clear();
}

bool BASE_NETWORK::wiringComplete() const {
    long inCount = 0;
    long outCount = 0;
    for (const auto& node : nodes) {
        inCount += node->getInLinks().getCount();
        outCount += node->getOutLinks().getCount();
    }
    return inCount == numLinks && outCount == numLinks;
}

void BASE_NETWORK::epoch(int mode) {
    for (auto& node : nodes) {
        node->epoch(mode);
    }
    for (auto& link : links) {
        link->epoch(mode);
    }
}

std::string BASE_NETWORK::getName() { return "BASE_NETWORK"; }

void BASE_NETWORK::print(std::ostream& out) {
    for (auto& node : nodes) {
        node->print(out);
    }
}

void BASE_NETWORK::createNetwork() {}

void BASE_NETWORK::loadInputs() {}

void BASE_NETWORK::saveNodesAndLinks(std::ostream& out) {
    out << numNodes << '\n' << numLinks << '\n';
    for (auto& node : nodes) {
        node->save(out);
    }
    for (auto& link : links) {
        link->save(out);
    }
}

BASE_NODE* BASE_NETWORK::getNode(int index) const {
    return index >= 0 && index < static_cast<int>(nodes.size()) ? nodes[index].get() : nullptr;
}

BASE_LINK* BASE_NETWORK::getLink(int index) const {
    return index >= 0 && index < static_cast<int>(links.size()) ? links[index].get() : nullptr;
}

void BASE_NETWORK::loadNodesAndLinks(std::istream& in) {
    int nodeCount = 0;
    int linkCount = 0;
    if (!(in >> nodeCount >> linkCount)) {
        return;
    }
    if (nodeCount < 0 || nodeCount > kMaxNodes || linkCount < 0 || linkCount > kMaxLinks) {
        in.setstate(std::ios::failbit);
        return;
    }

    // The structure held so far is set aside and comes back unchanged when the text turns out bad.
    const int oldNumNodes = numNodes;
    const int oldNumLinks = numLinks;
    const bool oldComplete = complete;
    auto oldNodes = std::move(nodes);
    auto oldLinks = std::move(links);
    nodes.clear();
    links.clear();

    numNodes = nodeCount;
    numLinks = linkCount;
    createNetwork();
    bool good = complete && static_cast<int>(nodes.size()) == numNodes &&
                static_cast<int>(links.size()) == numLinks;
    for (std::size_t i = 0; good && i < nodes.size(); ++i) {
        BASE_NODE& node = *nodes[i];
        // A record may not shrink a set below what the node's class works with.
        const int valuesNeeded = node.getValueSetSize();
        const int errorsNeeded = node.getErrorSetSize();
        node.load(in);
        good = static_cast<bool>(in) && node.getValueSetSize() >= valuesNeeded &&
               node.getErrorSetSize() >= errorsNeeded;
    }
    for (std::size_t i = 0; good && i < links.size(); ++i) {
        links[i]->load(in);
        good = static_cast<bool>(in);
    }
    if (good) {
        return;
    }
    in.setstate(std::ios::failbit);
    releaseNodesAndLinks();
    nodes = std::move(oldNodes);
    links = std::move(oldLinks);
    numNodes = oldNumNodes;
    numLinks = oldNumLinks;
    complete = oldComplete;
}

}  // namespace torvask
